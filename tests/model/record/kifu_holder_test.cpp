// The record holder: repetition with perpetual-check blame, clocks recomputed
// from move times, grafting a line and finding a comment.
#include <gtest/gtest.h>

#include "model/record/kifu_holder.h"
#include "tests/model/position/position_builder.h"
#include "tests/model/record/kifu_test_util.h"

namespace model {
namespace {

using testing::gote, testing::play, testing::put, testing::Squares;

// Plays `moves` after the holder's current move, with `seconds` each, and makes
// the last one current.
void extend(KifuHolder& h, std::initializer_list<Squares> moves, int seconds = 0) {
  for (const Squares& s : moves) {
    Sashite m(s[0], s[1], s[2], s[3], 0, 0, 0, 0);
    ASSERT_TRUE(h.kyokumen.CompleteSashite(m));
    KifuSashite* added = Kifu::AddSashiteAtPos(h.current->to, m, seconds, nullptr, -1,
                                               h.kifu.table.get(), KifuChooser::kFirst, true);
    ASSERT_NE(added, nullptr);
    h.SetCurrent(added);
  }
}

// A start position in which a sente rook can check a gote king on 1一 from two
// files, and the king can step between 1一 and 2一.
Kyokumen rook_chase() {
  Kyokumen pos = testing::empty_position();
  put(pos, 5, 9, kOu);
  put(pos, 1, 1, gote(kOu));
  put(pos, 2, 5, kHi);
  return pos;
}

// A holder whose record starts from `start`.
void start_from(KifuHolder& h, const Kyokumen& start) {
  ASSERT_TRUE(h.kifu.SetStartPosition(start));
  h.kyokumen.Copy(start);
}

TEST(KifuHolder, FourfoldRepetitionAndPerpetualCheck) {
  KifuHolder h;
  // Kings step out and back: the start position recurs every four plies.
  const std::initializer_list<Squares> shuffle = {{5, 9, 5, 8}, {5, 1, 5, 2}, {5, 8, 5, 9}, {5, 2, 5, 1}};
  extend(h, shuffle);
  extend(h, shuffle);
  EXPECT_EQ(h.CheckSennichite(), 0);  // three occurrences
  extend(h, shuffle);
  EXPECT_EQ(h.CheckSennichite(), kSennichite);

  // Sente checks at every one of gote's turns: sente loses; the same chase
  // turned round: gote checks, gote loses.
  KifuHolder chase, flip;
  start_from(chase, rook_chase());
  Kyokumen turned = rook_chase();
  turned.Flip();
  turned.teban = 1;
  start_from(flip, turned);
  for (int i = 0; i < 3; ++i) {
    extend(chase, {{2, 5, 1, 5}, {1, 1, 2, 1}, {1, 5, 2, 5}, {2, 1, 1, 1}});
    extend(flip, {{8, 5, 9, 5}, {9, 9, 8, 9}, {9, 5, 8, 5}, {8, 9, 9, 9}});
  }
  EXPECT_EQ(chase.CheckSennichite(), kSennichiteSenteOute);
  EXPECT_EQ(flip.CheckSennichite(), kSennichiteGoteOute);

  // The same board with the other side to move is a different position: the
  // rook takes three plies round 2五-2六-2七 while the king steps 1一-1二, so
  // the start board recurs with gote to move at plies 5, 17, 29 and 41.
  KifuHolder tempo;
  start_from(tempo, rook_chase());
  const Squares rook[3] = {{2, 5, 2, 6}, {2, 6, 2, 7}, {2, 7, 2, 5}}, king[2] = {{1, 1, 1, 2}, {1, 2, 1, 1}};
  for (int ply = 0; ply < 41; ++ply) {
    extend(tempo, {ply % 2 ? king[ply / 2 % 2] : rook[ply / 2 % 3]});
    if (ply == 16) {
      EXPECT_EQ(tempo.CheckSennichite(), 0);  // ply 17: the board's fourth time, gote's second
    }
  }
  EXPECT_EQ(tempo.CheckSennichite(), kSennichite);
}

TEST(KifuHolder, ClocksFromMoveTimes) {
  KifuHolder h;
  extend(h, {{7, 7, 7, 6}}, 590);
  extend(h, {{3, 3, 3, 4}}, 7);
  JikanSettei clocks[2];
  clocks[0].Init(600, 30, 0);
  clocks[1].Init(0, 0, 0);
  h.CalcClocks(clocks);
  EXPECT_EQ(clocks[0].mode, JikanSettei::kMainTime);
  EXPECT_EQ(clocks[0].main_left, 10);
  EXPECT_EQ(clocks[1].main_left, 7);  // no limit: the time used adds up
  extend(h, {{2, 7, 2, 6}}, 20);
  extend(h, {{8, 3, 8, 4}}, 5);
  h.CalcClocks(clocks);
  EXPECT_EQ(clocks[0].mode, JikanSettei::kByoyomiOnly);
  EXPECT_EQ(clocks[0].main_left, 10);
  EXPECT_EQ(clocks[0].last_move, 10);
  EXPECT_EQ(clocks[1].main_left, 12);
  EXPECT_EQ(clocks[1].last_move, 5);

  // Byoyomi with extension units: 100 seconds over 30 of byoyomi use two units.
  clocks[0].Init(0, 30, 3);
  KifuHolder b;
  extend(b, {{7, 7, 7, 6}}, 100);
  b.CalcClocks(clocks);
  EXPECT_EQ(clocks[0].units_left, 1);
  EXPECT_EQ(clocks[0].main_left, 10);
  EXPECT_EQ(clocks[0].last_move, -50);
  // Recomputing from the start gives the same result: nothing accumulates.
  b.CalcClocks(clocks);
  EXPECT_EQ(clocks[0].units_left, 1);
}

TEST(KifuHolder, MergeLineStopsWhereTheRecordsDiffer) {
  Kifu other;
  KifuSashite* first = play(other.table.get(), other.Start(), {testing::k76, testing::k34, testing::k26});
  ASSERT_NE(first, nullptr);
  KifuHolder h;
  extend(h, {testing::k76});
  // The other record's line after its first move: ３四歩 ２六歩.
  ASSERT_TRUE(h.MergeLine(other.Start()->next.At(0), true));
  EXPECT_EQ(h.kifu.GetTesu(), 3);
  // Merging the same line again adds nothing new.
  ASSERT_TRUE(h.MergeLine(other.Start()->next.At(0), true));
  EXPECT_EQ(h.current->to->next.Count(), 1);
  // From a different position the graft stops at once, returning false.
  KifuHolder d;
  extend(d, {testing::k56});
  EXPECT_FALSE(d.MergeLine(other.Start()->next.At(0), true));
  EXPECT_EQ(d.kifu.GetTesu(), 1);
}

TEST(KifuHolder, FindCommentPutsTheMoveOnTheLine) {
  KifuHolder h;
  extend(h, {testing::k76, testing::k34});
  // A second alternative at ply 1 with a comment on its reply.
  KifuSashite* alt = play(h.kifu.table.get(), h.kifu.Start(), {testing::k26, testing::k84}, 1);
  ASSERT_NE(alt, nullptr);
  alt->comment.Assign("鋭い一手");
  h.kifu.SelectBranch(0, 0, false);
  h.SetCurrent(h.kifu.NodeAtTesu(0));
  EXPECT_FALSE(h.FindComment("無い"));
  EXPECT_FALSE(h.FindComment(""));
  ASSERT_TRUE(h.FindComment("一手"));
  EXPECT_EQ(h.current, alt);
  EXPECT_EQ(h.kifu.NodeAtTesu(2), alt);
  EXPECT_EQ(h.kyokumen, alt->to->kyokumen);
  EXPECT_EQ(alt->to->tesu, 2);
}

// Reset leaves an empty record from the handicap's start: the root current,
// the working position that start, not modified, no name, no headers.
TEST(KifuHolder, ResetStartsAnEmptyRecordOfTheHandicap) {
  KifuHolder h;
  extend(h, {testing::k76, testing::k34});
  h.modified = 1;
  h.name.Assign("game.kif");
  ASSERT_TRUE(h.kifu.SetHeader("棋戦", "名人戦"));
  for (int32_t teaiwari : {kNimaiOchi, kHirate}) {
    h.Reset(teaiwari);
    Kyokumen start;
    start.Init(teaiwari);
    EXPECT_EQ(h.current, h.kifu.root.get());
    EXPECT_EQ(h.current->to, h.kifu.Start());
    EXPECT_EQ(h.kifu.Start()->next.Count(), 0);
    EXPECT_EQ(h.kifu.Start()->kyokumen, start);
    EXPECT_EQ(h.kyokumen, start);
    EXPECT_EQ(h.modified, 0);
    EXPECT_TRUE(h.name.c_str() == nullptr || *h.name.c_str() == '\0');
    EXPECT_EQ(h.kifu.headers.Count(), 0);
  }
  // The holder goes on from the new start.
  extend(h, {testing::k76});
  EXPECT_EQ(h.kifu.NodeAtTesu(1), h.current);
  EXPECT_EQ(h.current->to->tesu, 1);
}

}  // namespace
}  // namespace model
