// Position keys: over random games the incremental key equals the key computed
// from scratch for both hand sides and equal keys name equal positions; the hand
// is packed into its fields; hand dominance.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "../../model/position_builder.h"
#include "engine/board/hash_key.h"
#include "engine/board/hash_key_table.h"
#include "engine/board/make_move.h"
#include "engine/driver/position_bridge.h"
#include "model/perft.h"

namespace board {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kGamesPerStart = 10;
#else
constexpr int kGamesPerStart = 100;
#endif
constexpr int kMaxPlies = 200;
constexpr int kTrialsPerPly = 6;

// Kings only on the board; hands by model type 1..7 (pawn .. rook).
model::Kyokumen kings_and_hands(const std::vector<int>& sente, const std::vector<int>& gote = {}) {
  model::Kyokumen k = model::testing::empty_position();
  model::testing::put(k, 5, 9, model::kOu);
  model::testing::put(k, 5, 1, model::testing::gote(model::kOu));
  for (size_t t = 1; t < 8; ++t) {
    k.mochigoma[0][t] = static_cast<int8_t>(t < sente.size() ? sente[t] : 0);
    k.mochigoma[1][t] = static_cast<int8_t>(t < gote.size() ? gote[t] : 0);
  }
  return k;
}
const std::vector<int> kFullHand = {0, 18, 4, 4, 4, 4, 2, 2};

KHashKey key_of(const model::Kyokumen& k, int hand_side = 0) {
  KPosition p;
  EXPECT_EQ(driver::position_load(p, k), 0);
  KHashKey key;
  hash_key_full(p, hand_side, key);
  return key;
}

// Counts of passes, promotions, drops by side and captures by side.
enum Tally { kPasses, kPromotions, kDrops, kCaptures = kDrops + 2, kTallies = kCaptures + 2 };

// The key after `m` from the key before it, against the key of the position after.
void check_move(KPosition& p, const KHashKey (&before)[2], const KMove& m, long (&tally)[kTallies]) {
  make_move_light(p, m);
  for (int hs = 0; hs < 2; ++hs) {
    KHashKey inc = before[hs], full;
    hash_key_sashite(inc, hs, m);
    hash_key_full(p, hs, full);
    ASSERT_EQ(inc, full) << "hand side " << hs << ", move " << int(m.from) << "->" << int(m.to);
    const KHashKey change{{inc.word[0] ^ before[hs].word[0], inc.word[1] ^ before[hs].word[1],
                           inc.word[2] ^ before[hs].word[2]}};
    if (m.from == kPassSquare) {
      ASSERT_EQ(change, (KHashKey{{0, 0, kHashSideBit}}));
    } else if (code_side(m.code) != hs) {
      ASSERT_EQ(change.word[2] & kHashHandBits, 0u) << "the other side's move changed the hand";
    }
  }
  unmake_move_light(p, m);
  tally[kPasses] += m.from == kPassSquare;
  tally[kPromotions] += m.promote != 0;
  tally[kDrops + code_side(m.code)] += m.from == kInHand;
  tally[kCaptures + code_side(m.code)] += m.captured_code != 0;
}

TEST(HashKey, IncrementalKeyEqualsFullKeyAndNamesThePosition) {
  std::vector<model::Kyokumen> starts(4);
  const int32_t handicaps[4] = {model::kHirate, model::kKakuOchi, model::kHiKyoOchi, model::kRokumaiOchi};
  for (int i = 0; i < 4; ++i) starts[i].Init(handicaps[i]);
  starts.push_back(kings_and_hands({0, 9, 2, 2, 2, 2, 1, 1}, {0, 9, 2, 2, 2, 2, 1, 1}));
  starts.push_back(kings_and_hands(kFullHand));
  starts.push_back(kings_and_hands({}, kFullHand));

  std::mt19937 rng(1103);
  long tally[kTallies] = {};
  for (const model::Kyokumen& start : starts) {
    // The pieces in play are those of the start, so a key must name one position.
    std::unordered_map<std::string, std::string> seen;
    for (int game = 0; game < kGamesPerStart; ++game) {
      model::Kyokumen k = start;
      KPosition p;
      ASSERT_EQ(driver::position_load(p, k), 0);
      for (int ply = 0; ply < kMaxPlies; ++ply) {
        KHashKey before[2];
        hash_key_full(p, 0, before[0]);
        hash_key_full(p, 1, before[1]);
        std::string position(reinterpret_cast<const char*>(k.ban), sizeof k.ban);
        position.append(reinterpret_cast<const char*>(k.mochigoma), 2 * sizeof k.mochigoma[0]);
        position += static_cast<char>(k.teban);
        const std::string key(reinterpret_cast<const char*>(before[0].word), sizeof before[0]);
        const auto it = seen.emplace(key, position);
        ASSERT_EQ(it.first->second, position) << "two positions share a key";

        model::Sashite all[model::kMaxSashite], legal[kTrialsPerPly];
        KMove km[kTrialsPerPly];
        const int count = k.GenerateAll(all);
        std::shuffle(all, all + count, rng);
        int n = 0;
        for (int i = 0; i < count && n < kTrialsPerPly; ++i) {
          model::Kyokumen next = k;
          if (!next.DoSashite(all[i]) || !model::is_legal_result(next, all[i], k.teban)) continue;
          legal[n] = all[i];
          ASSERT_EQ(driver::sashite_to_kmove(km[n], p, legal[n]), 0);
          ASSERT_NO_FATAL_FAILURE(check_move(p, before, km[n++], tally));
        }
        const bool may_pass = !k.IsOute(k.teban);
        if (may_pass) {
          ASSERT_NO_FATAL_FAILURE(check_move(p, before, pass_move(), tally));
        }
        if (may_pass && (n == 0 || rng() % 12 == 0)) {
          make_move_light(p, pass_move());
          k.teban = 1 - k.teban;
        } else if (n > 0) {
          make_move_light(p, km[0]);
          ASSERT_TRUE(k.DoSashite(legal[0]));
        } else {
          break;
        }
      }
    }
  }
  for (long t : tally) EXPECT_GT(t, 100 * kGamesPerStart);
}

TEST(HashKey, HandFieldsAndSideBit) {
  for (const KHashRow& r : kHashRows) ASSERT_EQ(r.word[2] & (kHashSideBit | kHashHandBits), 0u);
  // One piece of each kind (pawn .. rook), then the largest hand: no field carries.
  const uint32_t unit[8] = {0, 0x1, 0x20, 0x100, 0x800, 0x4000, 0x20000, 0x80000};
  for (int t = 1; t <= 7; ++t) {
    std::vector<int> hand(8);
    hand[t] = 1;
    EXPECT_EQ(key_of(kings_and_hands(hand)).word[2] & kHashHandBits, unit[t]) << "type " << t;
  }
  model::Kyokumen k = kings_and_hands(kFullHand);
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
      {two_pawns, pawn_lance, 0, 0}, {pawn_lance, two_pawns, 0, 0}, {two_pawns, one_pawn, 1, 1},
      {one_pawn, two_pawns, 2, 0},   {pawn_rook, one_pawn, 1, 1},   {pawn_rook, two_pawns, 0, 0},
      {two_pawns, pawn_rook, 0, 0},  {one_pawn, one_pawn, 3, 3},    {one_pawn, gote_to_move, 0, 1},
      {two_pawns, gote_to_move, 1, 1}, {key_of(moved), one_pawn, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hash_hand_compare(c.a, c.b), c.compare) << &c - cases;
    EXPECT_EQ(hash_hand_superior(c.a, c.b), c.superior) << &c - cases;
  }
}

}  // namespace
}  // namespace board
