// Make and unmake in hand-built positions, for the attack rules a rebuild from
// scratch shares with make and so cannot judge: x-rays through own pieces,
// attacks through the king, blocked and cut rays; and the order of the per-ply
// capture list, which the random walk compares only as a set.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/board/kiki.h"
#include "engine/board/make_move.h"
#include "engine/board/ply_table.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/position_checker.h"

namespace board {
namespace {

using model::testing::gote;
using testing::matches_rebuild;
using testing::scene;
using testing::Scene;

// Both kings in a corner, out of the way.
Scene corner_kings() { return Scene{scene("K99 k11")}; }

int at(const KPosition& p, int file, int rank) { return p.board[square_of(file, rank)]; }
const KKiki& kiki(const KPosition& p, int file, int rank) { return kiki_at(p, square_of(file, rank)); }
bool xray(const KPosition& p, int side, int file, int rank, int n) { return (kiki(p, file, rank).xray[side] >> n) & 1; }
bool line(const KPosition& p, int side, int file, int rank, int n) { return (kiki(p, file, rank).line[side] >> n) & 1; }
bool direct(const KPosition& p, int side, int file, int rank, int n) {
  return kiki_has_direct(kiki(p, file, rank), side, n);
}

TEST(Kiki, XrayThroughOwnPieces) {
  // A rook behind its own lance x-rays up the file to the first occupied square.
  Scene b = corner_kings();
  b.Put(5, 9, model::kHi).Put(5, 8, model::kKyo).Put(5, 3, gote(model::kFu));
  b.Put(2, 8, model::kHi).Put(2, 7, model::kKin);
  KPosition p = b.Load();
  const int rook = at(p, 5, 9), lance = at(p, 5, 8), rook2 = at(p, 2, 8);
  EXPECT_TRUE(direct(p, 0, 5, 8, rook));
  for (int rank = 7; rank >= 3; --rank) {
    EXPECT_TRUE(xray(p, 0, 5, rank, rook)) << rank;
    EXPECT_TRUE(line(p, 0, 5, rank, rook)) << rank;
    EXPECT_TRUE(direct(p, 0, 5, rank, lance)) << rank;
  }
  EXPECT_EQ(kiki(p, 5, 2).direct_count[0] + kiki(p, 5, 2).xray_count[0], 0);
  // A gold in front of a rook passes its support to the one square it attacks.
  EXPECT_TRUE(direct(p, 0, 2, 7, rook2));
  EXPECT_TRUE(xray(p, 0, 2, 6, rook2));
  EXPECT_FALSE(line(p, 0, 2, 6, rook2));
  EXPECT_FALSE(xray(p, 0, 2, 5, rook2));
}

TEST(Kiki, AttackThroughTheEnemyKing) {
  Scene b{scene("K55 k11 b22")};
  KPosition p = b.Load();
  const int bishop = at(p, 2, 2);
  EXPECT_TRUE(direct(p, 1, 5, 5, bishop));
  // The square behind the king counts as attacked, without a line bit, so the
  // king cannot step back along the diagonal out of check.
  EXPECT_TRUE(direct(p, 1, 6, 6, bishop));
  EXPECT_GT(square_attack_count(p, 1, square_of(6, 6)), 0);
  EXPECT_FALSE(line(p, 1, 6, 6, bishop));
  EXPECT_FALSE(direct(p, 1, 7, 7, bishop));
}

TEST(MakeMove, BlockedAndCutRays) {
  // A capture by a piece that then blocks its own rook: past the capture square
  // the rook's attack becomes an x-ray as far as the silver reaches.
  Scene b = corner_kings();
  b.Put(5, 9, model::kHi).Put(4, 7, model::kGin).Put(5, 6, gote(model::kFu)).Put(5, 1, gote(model::kHi));
  b.Hand(model::kFu);
  KPosition p = b.Load();
  const int rook = at(p, 5, 9), enemy_rook = at(p, 5, 1);
  const KMove take = b.Move(p, 4, 7, 5, 6);
  do_move(p, take, 0);
  ASSERT_TRUE(matches_rebuild(p));
  EXPECT_TRUE(direct(p, 0, 5, 6, rook));
  EXPECT_TRUE(xray(p, 0, 5, 5, rook));
  EXPECT_FALSE(xray(p, 0, 5, 4, rook));
  EXPECT_TRUE(direct(p, 1, 5, 6, enemy_rook));
  undo_move(p, take, 0);

  // A pawn dropped between the enemy rook and its targets cuts the ray.
  const KMove drop = b.Move(p, 11, model::kFu, 5, 4);
  do_move(p, drop, 0);
  ASSERT_TRUE(matches_rebuild(p));
  EXPECT_TRUE(direct(p, 1, 5, 4, enemy_rook));
  EXPECT_FALSE(direct(p, 1, 5, 5, enemy_rook));
  EXPECT_FALSE(line(p, 1, 5, 5, enemy_rook));
}

// Taking a move back on a copy of the position it was made on (its attack
// records worked out again) and then on the position itself (copied back from
// what make kept), with the change counters kept: each comes back to the
// position before the move, its counters cleared.
TEST(MakeMove, TakeBackOnACopyAndOnTheOriginal) {
  pos_table_init();
  Scene b = corner_kings();
  b.Put(5, 6, model::kGin).Put(4, 5, gote(model::kFu)).Put(5, 1, gote(model::kHi)).Put(5, 8, model::kKin);
  KPosition p = b.Load();
  const KPosition before = p;
  const KMove take = b.Move(p, 5, 6, 4, 5);
  do_move(p, take, 1);
  KPosition copy = p;
  for (KPosition* q : {&copy, &p}) {
    think_board.ply_table.search_ply_counter = 1;
    undo_move(*q, take, 1);
    EXPECT_TRUE(testing::same_live_fields(*q, before));
    EXPECT_TRUE(matches_rebuild(*q));
    for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
      if (!is_playing_square(sq)) continue;
      EXPECT_EQ(ply_record(0, sq).change[0], 0);
      EXPECT_EQ(ply_record(0, sq).change[1], 0);
    }
  }
  EXPECT_EQ(think_board.ply_table.search_ply_counter, 0u);
}

// A mover that only steps changes its own attacks outside the undo log and
// unmake takes them back itself. Nested moves, counted and not, with attacks
// the mover keeps, a promotion and a capture: each is checked against a
// rebuild and its counters, then taken back in turn to the position before it.
TEST(MakeMove, NestedSteppingMovesTakenBackInTurn) {
  pos_table_init();
  Scene b = corner_kings();
  b.Put(5, 9, model::kHi).Put(5, 8, model::kKin).Put(3, 4, model::kFu).Put(4, 7, model::kGin);
  b.Put(6, 2, gote(model::kGin)).Put(4, 6, gote(model::kFu));
  KPosition p = b.Load();
  struct Step {
    KMove move;
    int flag;
  };
  const Step steps[] = {
      {b.Move(p, 5, 8, 5, 7), 1},     // a gold on the rook's file, keeping some of its squares
      {b.Move(p, 6, 2, 6, 3), 1},     // a silver
      {b.Move(p, 3, 4, 3, 3, 1), 1},  // a pawn promotes
      {b.Move(p, 4, 6, 4, 7), 0},     // a pawn takes the silver, uncounted
      {b.Move(p, 9, 9, 8, 8), 1},     // the king
  };
  constexpr int kSteps = sizeof steps / sizeof steps[0];
  std::vector<KPosition> before(kSteps);
  for (int i = 0; i < kSteps; ++i) {
    before[i] = p;
    do_move(p, steps[i].move, steps[i].flag);
    ASSERT_TRUE(matches_rebuild(p)) << "move " << i;
    if (steps[i].flag == 0) continue;
    for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
      if (!is_playing_square(sq)) continue;
      for (int side = 0; side < 2; ++side) {
        const KKiki& now = kiki_at(p, sq);
        const KKiki& was = kiki_at(before[i], sq);
        EXPECT_EQ(ply_record(i, sq).change[side],
                  now.direct_count[side] + now.xray_count[side] - was.direct_count[side] - was.xray_count[side])
            << "move " << i << " square " << sq;
      }
    }
  }
  for (int i = kSteps - 1; i >= 0; --i) {
    undo_move(p, steps[i].move, steps[i].flag);
    ASSERT_TRUE(testing::same_live_fields(p, before[i])) << "move " << i;
    for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
      if (!is_playing_square(sq)) continue;
      EXPECT_EQ(ply_record(i, sq).change[0] | ply_record(i, sq).change[1], 0) << "move " << i;
    }
  }
  EXPECT_EQ(think_board.ply_table.search_ply_counter, 0u);
}

// Sliders moving along their own lines keep most of the two rays on that line
// as they are: a rook with its own pieces ahead and behind, a lance taking a
// pawn with a gold behind it, a bishop taking next to the enemy king and a
// dragon stopping in front of an enemy gold. Each make is checked against a rebuild and the moves are taken
// back in turn.
TEST(MakeMove, SlidersAlongTheirLinesTakenBackInTurn) {
  pos_table_init();
  Scene b = corner_kings();
  b.Put(2, 8, model::kHi).Put(2, 9, model::kGin).Put(2, 4, model::kFu).Put(8, 6, model::kFu).Put(8, 7, model::kKin);
  b.Put(7, 7, model::kKaku).Put(5, 8, model::kKin);
  b.Put(8, 1, gote(model::kKyo)).Put(3, 3, gote(model::kGin)).Put(5, 1, gote(model::kRyu));
  KPosition p = b.Load();
  struct Slide {
    KMove move;
    int flag;
  };
  const Slide slides[] = {
      {b.Move(p, 2, 8, 2, 5), 1},  // the rook up its file
      {b.Move(p, 8, 1, 8, 6), 0},  // the lance takes the pawn
      {b.Move(p, 7, 7, 3, 3), 0},  // the bishop takes the silver
      {b.Move(p, 5, 1, 5, 6), 1},  // the enemy dragon down its file
  };
  constexpr int kSlides = sizeof slides / sizeof slides[0];
  std::vector<KPosition> before(kSlides);
  for (int i = 0; i < kSlides; ++i) {
    before[i] = p;
    do_move(p, slides[i].move, slides[i].flag);
    ASSERT_TRUE(matches_rebuild(p)) << "move " << i;
  }
  // The bishop next to the enemy king attacks it and, through it, nothing
  // further (the corner); the lance attacks the gold behind the pawn it took.
  EXPECT_TRUE(direct(p, 0, 2, 2, at(p, 3, 3)));
  EXPECT_TRUE(direct(p, 1, 8, 7, at(p, 8, 6)));
  for (int i = kSlides - 1; i >= 0; --i) {
    undo_move(p, slides[i].move, slides[i].flag);
    ASSERT_TRUE(testing::same_live_fields(p, before[i])) << "move " << i;
    ASSERT_TRUE(matches_rebuild(p)) << "move " << i;
  }
  EXPECT_EQ(think_board.ply_table.search_ply_counter, 0u);
}

TEST(PlyTable, CaptureListOrder) {
  pos_table_init();
  EXPECT_EQ(ply_record(5, square_of(3, 4)).square, square_of(3, 4));

  // A silver takes a pawn and uncovers the enemy rook's file behind it.
  Scene b = corner_kings();
  b.Put(5, 6, model::kGin).Put(4, 5, gote(model::kFu)).Put(5, 1, gote(model::kHi)).Put(5, 8, model::kKin);
  KPosition p = b.Load();
  const KMove take = b.Move(p, 5, 6, 4, 5);
  think_board.ply_table.search_ply_counter = 3;
  do_move(p, take, 1);
  // Pushed first the squares the silver left (in the order of its moves), then
  // the rook's new squares beyond the from-square; read from the head back.
  std::vector<int> list;
  for (uint32_t sq = think_board.ply_table.ply_list_head[3]; sq != 0 && list.size() <= 81; sq = ply_record(3, sq).prev) {
    list.push_back(static_cast<int>(sq));
  }
  const std::vector<int> expected = {square_of(5, 8), square_of(5, 7), square_of(6, 5), square_of(6, 7),
                                     square_of(4, 7), square_of(4, 5), square_of(5, 5)};
  EXPECT_EQ(list, expected);
  think_board.ply_table.search_ply_counter = 0;
}

// The list of the squares a capture left weaker, read from the head back.
std::vector<int> capture_list(int layer) {
  std::vector<int> list;
  for (uint32_t sq = think_board.ply_table.ply_list_head[layer]; sq != 0 && list.size() <= 81;
       sq = ply_record(layer, sq).prev) {
    list.push_back(static_cast<int>(sq));
  }
  return list;
}

// A stepping capturer changes its attacks only where its from- and to-square's
// steps differ; the list still holds exactly the squares it stopped attacking.
// A gold taking forward keeps the two squares beside the pawn it took; a silver
// that promotes as it takes keeps the squares beside its target as a gold.
TEST(PlyTable, CaptureListOfSteppingCapturers) {
  pos_table_init();
  Scene b = corner_kings();
  b.Put(5, 6, model::kKin).Put(5, 5, gote(model::kFu)).Put(3, 4, model::kGin).Put(3, 3, gote(model::kFu));
  KPosition p = b.Load();
  const KPosition before = p;
  think_board.ply_table.search_ply_counter = 2;
  const KMove gold = b.Move(p, 5, 6, 5, 5);
  do_move(p, gold, 1);
  ASSERT_TRUE(matches_rebuild(p));
  std::vector<int> list = capture_list(2);
  std::sort(list.begin(), list.end());
  std::vector<int> expected = {square_of(5, 5), square_of(4, 6), square_of(6, 6), square_of(5, 7)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(list, expected);
  undo_move(p, gold, 1);
  EXPECT_TRUE(testing::same_live_fields(p, before));

  const KMove silver = b.Move(p, 3, 4, 3, 3, 1);
  do_move(p, silver, kPlyTableListOnly);
  ASSERT_TRUE(matches_rebuild(p));
  list = capture_list(2);
  std::sort(list.begin(), list.end());
  expected = {square_of(3, 3), square_of(2, 5), square_of(4, 5)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(list, expected);
  undo_move(p, silver, kPlyTableListOnly);
  EXPECT_TRUE(testing::same_live_fields(p, before));
  EXPECT_TRUE(matches_rebuild(p));
  think_board.ply_table.search_ply_counter = 0;
}

}  // namespace
}  // namespace board
