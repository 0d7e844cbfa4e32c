// The position type: set-ups, handicaps, hashing, the book key, the board
// editor, piece names and time controls.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "model/position/kyokumen.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::empty_position, testing::gote, testing::put;

int board_pieces(const Kyokumen& pos, int side) {
  int n = 0;
  for (int y = 1; y <= 9; ++y)
    for (int x = 1; x <= 9; ++x) n += pos.At(x, y).Side() == side;
  return n;
}

TEST(KyokumenInit, CalcTeaiwariRecognisesEveryHandicap) {
  for (int32_t v : kRecognisedTeaiwari) {
    if (v == kSonota) continue;
    Kyokumen pos = testing::initial(v);
    Kyokumen recomputed = pos;
    recomputed.teaiwari = -1;
    std::memset(recomputed.mochigoma[kBoxRow], 0, 9);
    recomputed.CalcTeaiwari();
    EXPECT_EQ(recomputed.teaiwari, v);
    EXPECT_EQ(std::memcmp(recomputed.mochigoma, pos.mochigoma, sizeof pos.mochigoma), 0) << v;
    EXPECT_EQ(recomputed.teban, pos.teban);  // the side to move is left alone
  }
  Kyokumen pos = testing::initial(0);
  put(pos, 3, 1, kEmpty);  // a gote silver
  put(pos, 4, 1, kEmpty);  // and a gold: 0x050 is not a handicap
  pos.CalcTeaiwari();
  EXPECT_EQ(pos.teaiwari, kSonota);
  EXPECT_EQ(pos.HandCount(kBoxRow, kGin), 1);
  // Pieces held in hand are not missing.
  pos.Init(0);
  put(pos, 5, 3, kEmpty);
  pos.mochigoma[0][kFu] = 1;
  pos.CalcTeaiwari();
  EXPECT_EQ(pos.teaiwari, kHirate);
}

// Plays `plies` random legal moves from the even game.
Kyokumen random_position(std::mt19937& rng, int plies) {
  Kyokumen pos = testing::initial(0);
  for (Sashite m; plies-- > 0 && testing::random_move(pos, rng, m);) pos.DoSashite(m);
  return pos;
}

// A position and its turned twin with the other side to move share the hash
// and the book key; the side to move alone changes the hash.
TEST(KyokumenHash, TurnedTwinWithTheOtherSideToMoveIsTheSamePosition) {
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) {
    Kyokumen pos = random_position(rng, 10 + i % 60);
    Kyokumen turned = pos;
    turned.Flip();
    turned.teban = 1 - pos.teban;
    uint32_t a[2], b[2];
    pos.CalcHash(a);
    turned.CalcHash(b);
    EXPECT_EQ(a[0], b[0]);
    EXPECT_EQ(a[1], b[1]);
    BookPosition k1, k2;
    ASSERT_TRUE(pos.ToBookKey(k1));
    ASSERT_TRUE(turned.ToBookKey(k2));
    EXPECT_EQ(k1, k2);
    Kyokumen other = pos;
    other.teban = 1 - pos.teban;
    other.CalcHash(b);
    EXPECT_FALSE(a[0] == b[0] && a[1] == b[1]);
  }
}

TEST(KyokumenHash, HandCountsBeyondTheSetStayInsideTheKeyTable) {
  Kyokumen pos = testing::kings_only();
  uint32_t a[2], b[2];
  pos.mochigoma[0][kFu] = 18;
  pos.CalcHash(a);
  pos.mochigoma[0][kFu] = 100;      // nonsense count: hashed as the full set
  pos.mochigoma[kBoxRow][kFu] = 5;  // the box is not hashed
  pos.CalcHash(b);
  EXPECT_EQ(a[0], b[0]);
  EXPECT_EQ(a[1], b[1]);
}

TEST(KyokumenBookKey, SlotsPromotionFlagsHandsAndMissingKings) {
  Kyokumen pos = testing::initial(0);
  BookPosition key;
  ASSERT_TRUE(pos.ToBookKey(key));
  EXPECT_EQ(key.slot[0], 84);       // sente king on 5九
  EXPECT_EQ(key.slot[1], 128 + 4);  // gote king on 5一
  // Rooks: sente's 2八 = 71, gote's 8二 = 128 + 17, sorted ascending.
  EXPECT_EQ(key.slot[2], 71);
  EXPECT_EQ(key.slot[3], 128 + 17);

  pos = empty_position();
  pos.teaiwari = kNoSenteKing;
  put(pos, 5, 1, gote(kOu));
  put(pos, 3, 3, kUma);   // 10*2 + 2 = 22
  put(pos, 7, 7, kKaku);  // 10*6 + 6 = 66
  pos.mochigoma[1][kFu] = 2;
  ASSERT_TRUE(pos.ToBookKey(key));
  // Only the other side's king: it sits in slot 1.
  EXPECT_EQ(key.slot[0], 0xFF);
  EXPECT_EQ(key.slot[1], 128 + 4);
  EXPECT_EQ(key.slot[4], 22);
  EXPECT_EQ(key.slot[5], 66);
  EXPECT_EQ(key.promoted[0], 1 << 4);  // the flag stayed with the horse
  EXPECT_EQ(key.slot[22], 128 + 79);   // gote's hand pawns
  EXPECT_EQ(key.slot[23], 128 + 79);
  EXPECT_EQ(key.slot[24], 0xFF);

  // A position that fails the set-up check writes nothing.
  BookPosition untouched;
  std::memset(&untouched, 0xAB, sizeof untouched);
  const BookPosition copy = untouched;
  pos.mochigoma[1][kFu] = 19;
  EXPECT_FALSE(pos.ToBookKey(untouched));
  EXPECT_EQ(untouched, copy);
}

TEST(KyokumenEdit, TapCyclesPromotionAndSide) {
  Kyokumen pos = testing::initial(0);
  const Sashite tap(3, 9, 3, 9, kGin, 0, 1, 0);
  for (int code : {int{kNariGin}, gote(kGin), gote(kNariGin), int{kGin}}) {
    ASSERT_TRUE(pos.EditSashite(tap));
    EXPECT_EQ(pos.At(3, 9).code, code);
  }
  ASSERT_TRUE(pos.EditSashite(Sashite(4, 9, 4, 9, kKin, 0, 1, 0)));  // a gold only turns
  EXPECT_EQ(pos.At(4, 9).code, gote(kKin));
  EXPECT_FALSE(pos.EditSashite(Sashite(3, 9, 3, 9, kGin, 0, 0, 0)));  // tap without the flag
  EXPECT_FALSE(pos.EditSashite(Sashite(5, 5, 5, 5, 0, 0, 1, 0)));     // nothing to turn
}

TEST(KyokumenEdit, MovesBetweenBoardHandsAndBox) {
  Kyokumen pos = testing::initial(0);
  // Board to sente's hand: the rook leaves 2八 and its column gains one.
  Sashite m(2, 8, kSenteHand, 0, 0, 0, 0, 0);
  ASSERT_TRUE(pos.CompleteSashite(m));
  EXPECT_EQ(m.to_y, kHi);
  ASSERT_TRUE(pos.EditSashite(m));
  EXPECT_EQ(pos.At(2, 8).code, kEmpty);
  EXPECT_EQ(pos.HandCount(0, kHi), 1);
  // Hand onto an occupied square: the displaced pawn goes, demoted, to the
  // same hand.
  put(pos, 5, 5, gote(kTo));
  Sashite drop(kSenteHand, kHi, 5, 5, 0, 0, 0, 0);
  ASSERT_TRUE(pos.CompleteSashite(drop));
  ASSERT_TRUE(pos.EditSashite(drop));
  EXPECT_EQ(pos.At(5, 5).code, kHi);
  EXPECT_EQ(pos.HandCount(0, kHi), 0);
  EXPECT_EQ(pos.HandCount(0, kFu), 1);
  // Refusals leave the position as it was.
  const Kyokumen before = pos;
  EXPECT_FALSE(pos.EditSashite(Sashite(5, 9, kSenteHand, kOu, kOu, 0, 0, 0)));       // king to a hand
  EXPECT_FALSE(pos.EditSashite(Sashite(kGoteHand, kKin, 5, 6, gote(kKin), 0, 0, 0)));  // none held
  EXPECT_FALSE(pos.EditSashite(Sashite(kSenteHand, kFu, 5, 1, kFu, gote(kOu), 0, 0)));  // king into a hand
  EXPECT_FALSE(pos.EditSashite(Sashite(kSenteHand, 9, 5, 6, kFu, 0, 0, 0)));           // no such column
  EXPECT_FALSE(pos.EditSashite(Sashite(kSenteHand, kFu, kSenteHand, kFu, kFu, 0, 0, 0)));
  EXPECT_FALSE(pos.EditSashite(Sashite(0, 0, 5, 6, kFu, 0, 0, 0)));
  EXPECT_EQ(std::memcmp(&pos, &before, sizeof pos), 0);
  // The box may take a king.
  EXPECT_TRUE(pos.EditSashite(Sashite(5, 9, kPieceBox, kOu, kOu, 0, 0, 0)));
  EXPECT_EQ(pos.HandCount(kBoxRow, kOu), 1);
}

TEST(KyokumenEdit, FlipGatherAndBoardToHand) {
  Kyokumen pos = testing::initial(kKakuOchi);
  pos.mochigoma[0][kFu] = 2;
  // The hash tests pin the turned board and hands; the box stays as it is.
  Kyokumen turned = pos;
  turned.Flip();
  EXPECT_EQ(turned.HandCount(kBoxRow, kKaku), 1);
  EXPECT_EQ(turned.HandCount(1, kFu), 2);

  pos.mochigoma[1][kKin] = 1;
  pos.GatherHands(0);
  EXPECT_EQ(pos.HandCount(0, kKin), 1);
  EXPECT_EQ(pos.HandCount(1, kKin), 0);

  pos.Init(0);
  put(pos, 5, 5, kRyu);
  pos.BanToMochi(1);
  EXPECT_EQ(board_pieces(pos, 0) + board_pieces(pos, 1), 2);  // only the kings stay
  EXPECT_EQ(pos.HandCount(1, kFu), 18);
  EXPECT_EQ(pos.HandCount(1, kHi), 3);  // a rook too many: the editor does not judge
}

TEST(Koma, NamesInEveryStyleAndParsing) {
  const Koma narikyo{gote(kNariKyo)};
  EXPECT_STREQ(narikyo.GetName(0), "杏");
  EXPECT_STREQ(narikyo.GetName(1), "成香");
  EXPECT_STREQ(narikyo.GetName(2), "NY");
  EXPECT_STREQ(narikyo.GetName(3), "L");
  EXPECT_STREQ(Koma{0}.GetName(1), "　");
  EXPECT_STREQ(Koma{kNone13}.GetName(2), "--");
  EXPECT_EQ(narikyo.GetName(4), nullptr);
  EXPECT_EQ(narikyo.GetName(-1), nullptr);

  // "bytes read:code after"; a name keeps the side unless it is a side mark.
  Koma k{0};
  auto parse = [&k](const char* text) {
    const int n = k.ParseName(text);
    return std::to_string(n) + ":" + std::to_string(k.code);
  };
  EXPECT_EQ(parse("▽"), "2:" + std::to_string(kGoteBit));
  EXPECT_EQ(parse("歩"), "2:" + std::to_string(gote(kFu)));
  EXPECT_EQ(parse("X"), "0:" + std::to_string(gote(kFu)));
  EXPECT_EQ(parse("成桂"), "4:" + std::to_string(gote(kNariKei)));
  EXPECT_EQ(parse("▲"), "2:0");
  EXPECT_EQ(parse("ry"), "2:" + std::to_string(kRyu));
  EXPECT_EQ(parse("王"), "2:" + std::to_string(kOu));
  EXPECT_EQ(parse("成"), "0:" + std::to_string(kOu));  // cut short: no name
  EXPECT_EQ(parse(""), "0:" + std::to_string(kOu));
}

}  // namespace
}  // namespace model
