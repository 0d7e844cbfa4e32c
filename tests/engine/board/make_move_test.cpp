// Make and unmake in hand-built positions: x-ray and through-the-king attacks,
// blocked and cut rays, the per-ply capture list, passes and the light pair.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../../model/position_builder.h"
#include "engine/board/kiki.h"
#include "engine/board/make_move.h"
#include "engine/board/ply_table.h"
#include "engine/driver/position_bridge.h"
#include "model/kyokumen.h"
#include "position_checker.h"

namespace board {
namespace {

using model::testing::gote;
using model::testing::put;
using testing::matches_rebuild;
using testing::same_live_fields;

// A game-model position with both kings in a corner, and its engine twin.
struct Board {
  model::Kyokumen k = model::testing::empty_position();

  Board() {
    put(k, 9, 9, model::kOu);
    put(k, 1, 1, gote(model::kOu));
  }
  KPosition Load() const {
    KPosition p;
    EXPECT_EQ(driver::position_load(p, k), 0);
    EXPECT_TRUE(matches_rebuild(p));
    return p;
  }
  // The engine move for (fx, fy) -> (tx, ty); fx 11/12 drops type fy.
  KMove Move(const KPosition& p, int fx, int fy, int tx, int ty, int nari = 0) const {
    KMove m;
    EXPECT_EQ(driver::sashite_to_kmove(m, p, model::testing::move(k, fx, fy, tx, ty, nari)), 0);
    return m;
  }
};

int at(const KPosition& p, int file, int rank) { return p.board[square_of(file, rank)]; }
const KKiki& kiki(const KPosition& p, int file, int rank) { return kiki_at(p, square_of(file, rank)); }
bool xray(const KPosition& p, int side, int file, int rank, int n) { return (kiki(p, file, rank).xray[side] >> n) & 1; }
bool line(const KPosition& p, int side, int file, int rank, int n) { return (kiki(p, file, rank).line[side] >> n) & 1; }
bool direct(const KPosition& p, int side, int file, int rank, int n) {
  return kiki_has_direct(kiki(p, file, rank), side, n);
}

TEST(Kiki, XrayThroughOwnPieces) {
  // A rook behind its own lance x-rays up the file to the first occupied square.
  Board b;
  put(b.k, 5, 9, model::kHi);
  put(b.k, 5, 8, model::kKyo);
  put(b.k, 5, 3, gote(model::kFu));
  put(b.k, 2, 8, model::kHi);
  put(b.k, 2, 7, model::kKin);
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

  // The lance takes the pawn: the rook's squares it left become direct, and the
  // rook now x-rays past the lance to the edge.
  const KMove take = b.Move(p, 5, 8, 5, 3);
  do_move(p, take, 0);
  EXPECT_TRUE(matches_rebuild(p));
  for (int rank = 8; rank >= 4; --rank) EXPECT_TRUE(direct(p, 0, 5, rank, rook)) << rank;
  EXPECT_TRUE(direct(p, 0, 5, 3, rook));
  EXPECT_TRUE(xray(p, 0, 5, 2, rook));
  EXPECT_TRUE(xray(p, 0, 5, 1, rook));
  undo_move(p, take, 0);
  EXPECT_TRUE(matches_rebuild(p));
}

TEST(Kiki, AttackThroughTheEnemyKing) {
  Board b;
  put(b.k, 9, 9, model::kEmpty);
  put(b.k, 5, 5, model::kOu);
  put(b.k, 2, 2, gote(model::kKaku));
  KPosition p = b.Load();
  const int bishop = at(p, 2, 2);
  EXPECT_TRUE(direct(p, 1, 5, 5, bishop));
  // The square behind the king counts as attacked, without a line bit ...
  EXPECT_TRUE(direct(p, 1, 6, 6, bishop));
  EXPECT_FALSE(line(p, 1, 6, 6, bishop));
  EXPECT_FALSE(direct(p, 1, 7, 7, bishop));
  // ... so stepping back along the diagonal stays in check.
  const KMove back = b.Move(p, 5, 5, 6, 6);
  do_move(p, back, 1);
  EXPECT_TRUE(matches_rebuild(p));
  EXPECT_GT(square_attack_count(p, 1, square_of(6, 6)), 0);
  EXPECT_TRUE(direct(p, 1, 7, 7, bishop));
  undo_move(p, back, 1);
  EXPECT_TRUE(matches_rebuild(p));
  // A king that is not on the board is not attacked.
  b.k.At(5, 5).Set(model::kEmpty);
  KPosition no_king = b.Load();
  EXPECT_EQ(no_king.piece[0].sq, kNotInPlay);
  EXPECT_EQ(square_attack_count(no_king, 1, no_king.piece[0].sq), 0);
}

TEST(MakeMove, BlockedAndCutRays) {
  // A capture by a piece that then blocks its own rook: past the capture square
  // the rook's attack becomes an x-ray as far as the silver reaches.
  Board b;
  put(b.k, 5, 9, model::kHi);
  put(b.k, 4, 7, model::kGin);
  put(b.k, 5, 6, gote(model::kFu));
  put(b.k, 5, 1, gote(model::kHi));
  b.k.mochigoma[0][model::kFu] = 1;
  KPosition p = b.Load();
  const int rook = at(p, 5, 9), enemy_rook = at(p, 5, 1);
  const KMove take = b.Move(p, 4, 7, 5, 6);
  KPosition before;
  std::memcpy(&before, &p, sizeof p);
  do_move(p, take, 0);
  ASSERT_TRUE(matches_rebuild(p));
  EXPECT_TRUE(direct(p, 0, 5, 6, rook));
  EXPECT_TRUE(xray(p, 0, 5, 5, rook));
  EXPECT_FALSE(xray(p, 0, 5, 4, rook));
  EXPECT_TRUE(direct(p, 1, 5, 6, enemy_rook));
  undo_move(p, take, 0);
  ASSERT_TRUE(same_live_fields(p, before));

  // A pawn dropped between the enemy rook and its targets cuts the ray.
  const KMove drop = b.Move(p, 11, model::kFu, 5, 4);
  do_move(p, drop, 1);
  ASSERT_TRUE(matches_rebuild(p));
  EXPECT_TRUE(direct(p, 1, 5, 4, enemy_rook));
  EXPECT_FALSE(direct(p, 1, 5, 5, enemy_rook));
  EXPECT_FALSE(line(p, 1, 5, 5, enemy_rook));
  EXPECT_EQ(p.pawn_file[0][5], square_of(5, 4));
  EXPECT_EQ(p.hand[0][kPawn], 0);
  undo_move(p, drop, 1);
  EXPECT_TRUE(same_live_fields(p, before));
}

// The squares of a layer's list from the head over the previous-links.
std::vector<int> list_of(int layer) {
  std::vector<int> v;
  for (uint32_t sq = ply_list_head[layer]; sq != 0 && v.size() <= 81; sq = ply_record(layer, sq).prev) {
    v.push_back(static_cast<int>(sq));
  }
  return v;
}

TEST(PlyTable, CaptureListsAndChangeCounters) {
  pos_table_init();
  EXPECT_EQ(search_ply_counter, 0u);
  EXPECT_EQ(ply_record(5, square_of(3, 4)).square, square_of(3, 4));

  // A silver takes a pawn and uncovers the enemy rook's file behind it.
  Board b;
  put(b.k, 5, 6, model::kGin);
  put(b.k, 4, 5, gote(model::kFu));
  put(b.k, 5, 1, gote(model::kHi));
  put(b.k, 5, 8, model::kKin);
  KPosition p = b.Load();
  const KMove take = b.Move(p, 5, 6, 4, 5);
  search_ply_counter = 3;
  do_move(p, take, 1);
  ASSERT_TRUE(matches_rebuild(p));
  // Pushed first the squares the silver left (in the order of its moves), then
  // the rook's new squares beyond the from-square.
  const std::vector<int> expected = {square_of(5, 8), square_of(5, 7), square_of(6, 5), square_of(6, 7),
                                     square_of(4, 7), square_of(4, 5), square_of(5, 5)};
  EXPECT_EQ(list_of(3), expected);
  EXPECT_EQ(ply_record(3, square_of(5, 8)).next, 0u);
  EXPECT_EQ(ply_record(3, square_of(5, 7)).next, static_cast<uint32_t>(square_of(5, 8)));
  EXPECT_EQ(ply_record(3, square_of(5, 7)).change[1], 1);
  EXPECT_EQ(ply_record(3, square_of(5, 5)).change[0], -1);
  EXPECT_EQ(ply_record(3, square_of(4, 6)).change[1], -1);  // the captured pawn's attack
  EXPECT_EQ(ply_record(3, square_of(5, 6)).change[0], 1);  // the silver looks back at it
  EXPECT_EQ(ply_record(3, square_of(5, 6)).change[1], 0);  // the rook attacked it before
  undo_move(p, take, 1);
  EXPECT_EQ(search_ply_counter, 3u);
  EXPECT_EQ(ply_record(3, square_of(5, 7)).change[1], 0);
  EXPECT_EQ(ply_record(3, square_of(5, 5)).change[0], 0);

  // A gold takes straight ahead: the squares it still covers leave the list.
  Board g;
  put(g.k, 5, 6, model::kKin);
  put(g.k, 5, 5, gote(model::kFu));
  KPosition q = g.Load();
  const KMove gold_take = g.Move(q, 5, 6, 5, 5);
  do_move(q, gold_take, 1);
  const std::vector<int> left = {square_of(6, 6), square_of(5, 7), square_of(4, 6), square_of(5, 5)};
  EXPECT_EQ(list_of(3), left);
  EXPECT_EQ(ply_record(3, square_of(6, 6)).next, 0u);
  EXPECT_EQ(ply_record(3, square_of(4, 6)).next, static_cast<uint32_t>(square_of(5, 7)));
  // The next move at that ply, a quiet one, starts an empty list.
  const KMove quiet = g.Move(q, 1, 1, 1, 2);
  do_move(q, quiet, 1);
  EXPECT_EQ(ply_list_head[4], 0u);
  undo_move(q, quiet, 1);
  undo_move(q, gold_take, 1);
  const KMove king_step = g.Move(q, 9, 9, 9, 8);
  do_move(q, king_step, 1);
  EXPECT_EQ(ply_list_head[3], 0u);
  undo_move(q, king_step, 1);

  // Beyond the last layer the table is left alone.
  search_ply_counter = kPlyLayers;
  KPosition r = g.Load();
  do_move(r, g.Move(r, 5, 6, 5, 5), 1);
  EXPECT_TRUE(matches_rebuild(r));
  EXPECT_EQ(search_ply_counter, static_cast<uint32_t>(kPlyLayers + 1));
  search_ply_counter = 0;
}

TEST(MakeMove, PassesAndTheLightPair) {
  Board b;
  put(b.k, 5, 5, model::kFu);
  put(b.k, 5, 4, gote(model::kTo));
  put(b.k, 6, 5, gote(model::kGin));
  put(b.k, 3, 3, model::kFu);
  KPosition p = b.Load();
  KPosition before;
  std::memcpy(&before, &p, sizeof p);
  search_ply_counter = 7;
  const KMove pass = pass_move();
  EXPECT_EQ(pass.from, kPassSquare);
  EXPECT_EQ(pass.to, kPassSquare);
  EXPECT_EQ(pass.code | pass.captured_code, 0);
  do_move(p, pass, 1);
  EXPECT_EQ(p.teban, 1);
  EXPECT_EQ(search_ply_counter, 8u);
  undo_move(p, pass, 1);
  EXPECT_TRUE(same_live_fields(p, before));
  EXPECT_EQ(search_ply_counter, 7u);
  make_move_light(p, pass);
  EXPECT_EQ(p.teban, 1);
  unmake_move_light(p, pass);
  EXPECT_TRUE(same_live_fields(p, before));

  // The light pair: a pawn takes a promoted pawn; no records, lists or counter.
  const KMove take = b.Move(p, 5, 5, 5, 4);
  const int tokin = at(p, 5, 4);
  make_move_light(p, take);
  EXPECT_EQ(at(p, 5, 4), take.piece);
  EXPECT_EQ(at(p, 5, 5), kEmptyNumber);
  EXPECT_EQ(p.piece[tokin].sq, kInHand);
  EXPECT_EQ(p.hand[0][kPawn], 1);
  EXPECT_EQ(p.hand_slot[kKindRange[kPawn].first], tokin);
  EXPECT_EQ(p.hand_sum[0], 0u);  // a promoted pawn is a pawn in hand
  EXPECT_EQ(p.pawn_file[0][5], square_of(5, 4));
  EXPECT_EQ(p.tokin[1].count, 1u);
  EXPECT_EQ(std::memcmp(p.kiki, before.kiki, sizeof p.kiki), 0);
  EXPECT_EQ(search_ply_counter, 7u);
  unmake_move_light(p, take);
  EXPECT_TRUE(same_live_fields(p, before));

  search_ply_counter = 0;
}

}  // namespace
}  // namespace board
