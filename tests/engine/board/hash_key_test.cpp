// Position keys: the hand packed into its fields, the side bit and hand
// dominance. (The random walk compares the incremental key with the key
// computed from scratch after every move.)
#include <gtest/gtest.h>

#include "engine/board/hash_key.h"
#include "engine/board/hash_key_rows.h"
#include "tests/engine/board/model_positions.h"

namespace board {
namespace {

using testing::kEveryPiece;
using testing::kings_and_hands;

KHashKey key_of(const model::Kyokumen& k, int hand_side = 0) {
  KPosition p;
  EXPECT_EQ(bridge::position_load(p, k), 0);
  KHashKey key;
  hash_key_full(p, hand_side, key);
  return key;
}

TEST(HashKey, HandFieldsAndSideBit) {
  for (const KHashRow& r : kHashRows) ASSERT_EQ(r.word[2] & (kHashSideBit | kHashHandBits), 0u);
  // One piece of each kind (pawn .. rook), then the largest hand: no field carries.
  const uint32_t unit[8] = {0, 0x1, 0x20, 0x100, 0x800, 0x4000, 0x20000, 0x80000};
  for (int t = 1; t <= 7; ++t) {
    testing::Hand hand{};
    hand[t] = 1;
    EXPECT_EQ(key_of(kings_and_hands(hand)).word[2] & kHashHandBits, unit[t]) << "type " << t;
  }
  model::Kyokumen k = kings_and_hands(kEveryPiece);
  EXPECT_EQ(key_of(k).word[2] & kHashHandBits,
            18 + 4 * (0x20 + 0x100 + 0x800 + 0x4000) + 2 * (0x20000 + 0x80000u));
  k.teban = 1;
  EXPECT_EQ(key_of(k, 1).word[2] & (kHashSideBit | kHashHandBits), kHashSideBit);
}

TEST(HashKey, HandDominance) {
  const KHashKey two_pawns = key_of(kings_and_hands({0, 2}));
  const KHashKey pawn_lance = key_of(kings_and_hands({0, 1, 1}));
  const KHashKey one_pawn = key_of(kings_and_hands({0, 1}));
  const KHashKey pawn_rook = key_of(kings_and_hands({0, 1, 0, 0, 0, 0, 0, 1}));
  KHashKey gote_to_move = one_pawn;
  gote_to_move.word[2] ^= kHashSideBit;
  model::Kyokumen moved = kings_and_hands({0, 1});
  model::testing::put(moved, 5, 9, model::kEmpty);
  model::testing::put(moved, 4, 9, model::kOu);
  struct Case {
    KHashKey a, b;
    uint32_t compare, superior;
  };
  const Case cases[] = {
      {two_pawns, pawn_lance, 0, 0},  {pawn_lance, two_pawns, 0, 0},   {two_pawns, one_pawn, 1, 1},
      {one_pawn, two_pawns, 2, 0},    {pawn_rook, one_pawn, 1, 1},     {one_pawn, one_pawn, 3, 3},
      {one_pawn, gote_to_move, 0, 1}, {two_pawns, gote_to_move, 1, 1}, {key_of(moved), one_pawn, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hash_hand_compare(c.a, c.b), c.compare) << &c - cases;
    EXPECT_EQ(hash_hand_superior(c.a, c.b), c.superior) << &c - cases;
  }
}

}  // namespace
}  // namespace board
