// The engine's words as the game model reads them: piece codes, packed move
// words and the keys of the position hash.
#include <gtest/gtest.h>

#include <set>

#include "model/position/koma_convert.h"
#include "model/position/position_hash_keys.h"
#include "model/position/sashite_decode.h"

namespace model {
namespace {

TEST(SashiteDecode, BoardMovesDropsAndNoMove) {
  Sashite s;
  // 7七 to 7六, a sente pawn (engine code 0x27).
  ASSERT_EQ(sashite_decode(word_pack(word_square(7, 7), word_square(7, 6), 0x27, 0, 0), s), 0);
  EXPECT_EQ(s, Sashite(7, 7, 7, 6, 0, 0, 0, 0));
  // 8八 bishop takes on 2二 and promotes.
  ASSERT_EQ(sashite_decode(word_pack(word_square(8, 8), word_square(2, 2), 0x22, 0x42, 1), s), 0);
  EXPECT_EQ(s, Sashite(8, 8, 2, 2, 0, 0, 1, 0));
  // Gote drops a gold (engine kind 3) on 5五.
  ASSERT_EQ(sashite_decode(word_drop(word_square(5, 5), 0x43), s), 0);
  EXPECT_EQ(s, Sashite(kGoteHand, kKin, 5, 5, 0, 0, 0, 0));
  EXPECT_EQ(sashite_decode(kNoMoveWord, s), -1);
  // Words that name no square are no move either.
  EXPECT_EQ(sashite_decode(word_pack(word_square(1, 1), 0, 0, 0, 0), s), -1);
  EXPECT_EQ(sashite_decode(word_drop(word_square(5, 5), 0x28), s), -1);  // a king from hand
}

TEST(HashKeyTable, KeysAreDistinct) {
  std::set<uint64_t> seen;
  for (const HashKey64& k : kHashKeyTable) seen.insert((static_cast<uint64_t>(k.w1) << 32) | k.w0);
  EXPECT_EQ(seen.size(), static_cast<size_t>(kHashKeyCount));
}

TEST(KomaConvert, RoundTripsEveryPiece) {
  for (int side = 0; side < 2; ++side) {
    for (int t = 1; t < 16; ++t) {
      if (t == kNone13) continue;
      const Koma k{static_cast<uint8_t>(t | (side ? kGoteBit : 0))};
      const int e = koma_gui_to_engine(k);
      EXPECT_EQ(e & (kWordSente | kWordGote), side ? kWordGote : kWordSente);
      EXPECT_EQ(koma_engine_to_gui(e), k.code);
    }
  }
  EXPECT_EQ(koma_gui_to_engine(Koma{0}), 0);
  EXPECT_EQ(koma_gui_to_engine(Koma{kNone13}), 0);
  EXPECT_EQ(koma_engine_to_gui(0x27), kFu);  // sente pawn
  EXPECT_EQ(koma_engine_to_gui(0x51), kRyu | kGoteBit);
  EXPECT_EQ(koma_engine_to_gui(0x2F), 0);
}

}  // namespace
}  // namespace model
