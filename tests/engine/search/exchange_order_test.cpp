// The search's evasions against the board's, the exchange scoring's bonuses,
// and the ordering's scores and depth cuts.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/board/evasion_gen.h"
#include "engine/board/exchange_eval.h"
#include "engine/board/kiki.h"
#include "engine/board/make_move.h"
#include "engine/search/check_evasions.h"
#include "engine/search/exchange_score.h"
#include "engine/search/move_order.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/move_sets.h"
#include "tests/engine/search/depth_gen/depth_gen_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::testing::Scene;
using model::testing::gote;

std::vector<KMove> evasions(const KPosition& p) {
  static KMove buf[board::kMaxMoves];
  return {buf, buf + gen_check_evasions(p, nullptr, 0, buf)};
}

// The board's evasions less those this generator leaves out: moves and drops
// onto squares between king and checker that the side does not attack, and
// plain twins of promoting rook, bishop and pawn moves (a lance's onto rank 2 or 8).
std::vector<KMove> expected_evasions(const KPosition& p) {
  static KMove buf[board::kMaxMoves];
  const int n = board::oute_nige_gen(p, buf);
  const int s = p.teban, king = p.piece[s].sq;
  std::vector<KMove> v;
  for (int i = 0; i < n; ++i) {
    const KMove& m = buf[i];
    const bool interposes = m.from != king && m.to != p.piece[board::kiki_nth64(p, 1 - s, king, 0)].sq;
    if (interposes && board::kiki_at(p, m.to).direct_count[s] == 0) continue;
    const int cls = board::code_class(m.code), rank = board::square_rank(m.to);
    const bool needless = cls == board::kRook || cls == board::kBishop || cls == board::kPawn ||
                          (cls == board::kLance && (rank == 2 || rank == 8));
    const bool twin = !m.promote && std::any_of(buf, buf + n, [&](const KMove& o) {
      return o.promote && o.from == m.from && o.to == m.to;
    });
    if (!(twin && needless)) v.push_back(m);
  }
  return v;
}

TEST(CheckEvasions, TheBoardsEvasionsLessTheLeftOutOnRandomChecks) {
  std::mt19937 rng(7);
  model::Sashite moves[model::kMaxSashite];
  int checks = 0;
  for (uint32_t game = 0; game < 120; ++game) {
    model::Kyokumen k;
    k.Init(model::kHirate);
    for (int ply = 0; ply < 160; ++ply) {
      KPosition p;
      ASSERT_EQ(bridge::position_load(p, k), 0);
      if (board::king_attacked(p, p.teban)) {
        ++checks;
        ASSERT_TRUE(board::testing::same_moves(board::testing::sorted_keys(evasions(p)),
                                               board::testing::sorted_keys(expected_evasions(p))))
            << "game " << game << " ply " << ply;
      }
      const int n = model::legal_moves(k, moves);
      if (n == 0 || !k.DoSashite(moves[rng() % n])) break;
    }
  }
  EXPECT_GT(checks, 100);
}

TEST(CheckEvasions, DoubleKnightPawnAndLineChecks) {
  // A rook and a knight check at once: only king steps, though a silver could take the knight.
  KPosition p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kHi)).Put(4, 7, gote(model::kKei))
                    .Put(3, 8, model::kGin).Put(9, 1, gote(model::kOu)).Hand(model::kKin).Load();
  for (const KMove& m : evasions(p)) EXPECT_EQ(m.from, board::square_of(5, 9));
  // A knight's or a pawn's check gets no interposition, even with a gold in hand.
  for (int type : {model::kKei, model::kFu}) {
    p = Scene().Put(5, 9, model::kOu).Put(type == model::kKei ? 4 : 5, type == model::kKei ? 7 : 8, gote(type))
            .Put(9, 1, gote(model::kOu)).Hand(model::kKin).Load();
    for (const KMove& m : evasions(p)) EXPECT_NE(m.from, board::kInHand);
  }
  // Against the rook only squares the side guards (5-5, 5-6 by the gold, 5-8 by the king) get drops.
  p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kHi)).Put(6, 6, model::kKin)
          .Put(9, 1, gote(model::kOu)).Hand(model::kFu).Load();
  std::vector<int> drops;
  for (const KMove& m : evasions(p)) {
    if (m.from == board::kInHand) drops.push_back(m.to);
  }
  EXPECT_EQ(drops, (std::vector<int>{board::square_of(5, 8), board::square_of(5, 6), board::square_of(5, 5)}));
  // A pawn taking the checking silver inside the enemy camp: once, promoting.
  p = Scene().Put(5, 3, model::kOu).Put(4, 2, gote(model::kGin)).Put(4, 3, model::kFu)
          .Put(9, 1, gote(model::kOu)).Load();
  const std::vector<KMove> v = evasions(p);
  EXPECT_EQ(std::count_if(v.begin(), v.end(), [](const KMove& m) { return m.from == board::square_of(4, 3); }), 1);
  EXPECT_EQ(v.front().from, board::square_of(4, 3));
  EXPECT_EQ(v.front().promote, 1);
}

class ExchangeOrderTest : public testing::DepthGenTest {};

TEST_F(ExchangeOrderTest, IllegalMovesAndTheExchangeBonuses) {
  // The pinned gold may not leave the file.
  Scene pin;
  pin.Put(5, 9, model::kOu).Put(5, 8, model::kKin).Put(5, 1, gote(model::kHi)).Put(1, 1, gote(model::kOu));
  KPosition p = pin.Load();
  board::KEvalRecord r{};
  EXPECT_EQ(eval_sashite_exchange(p, pin.Move(p, 5, 8, 4, 7), r), -32766);

  // Edge attack: 50 per step, stopped by a sente pawn in front; 400 in full.
  for (bool wrong_side : {true, false}) {
    Scene edge;
    edge.Put(5, 9, model::kOu).Put(1, 2, gote(model::kOu)).Put(1, 6, model::kFu).Put(1, 9, model::kKyo)
        .Put(1, 4, wrong_side ? model::kFu : gote(model::kFu));
    p = edge.Load();
    const KMove push = edge.Move(p, 1, 6, 1, 5);
    board::do_move(p, push, 0);
    EXPECT_EQ(exchange_edge_bonus(p, push, 0), wrong_side ? 50 : 400);
    board::undo_move(p, push, 0);
  }

  // The drop under the corner gold counts only with a bishop in hand.
  for (int type : {model::kKin, model::kGin}) {
    for (bool bishop : {true, false}) {
      Scene corner;
      corner.Put(5, 9, model::kOu).Put(8, 2, gote(model::kOu)).Put(7, 2, gote(model::kGin))
          .Put(6, 1, gote(model::kKin)).Hand(type);
      if (bishop) corner.Hand(model::kKaku);
      p = corner.Load();
      EXPECT_EQ(exchange_corner_drop_bonus(p, corner.Move(p, 11, type, 6, 2)), bishop ? 1000 : 0);
    }
  }
}

TEST_F(ExchangeOrderTest, DepthCutsAndLadder) {
  const int index_cut[4][2] = {{4, 0}, {5, 1}, {20, 24}, {40, 24}};
  for (const auto& [index, cut] : index_cut) EXPECT_EQ(order_depth_cut(0, 0, 0, index), cut);
  EXPECT_EQ(order_depth_cut(-1001, 0, 0, 0), 6 + 18);
  EXPECT_EQ(order_depth_cut(-501, 0, 0, 0), 3 + 12);

  KMove moves[30];
  KMoveNode nodes[30];
  std::fill(moves, moves + 30, board::pass_move());
  KMoveNode* head = sashi_list_link(nodes, 30, moves, 5) > 0 ? nodes : nullptr;
  nodes[26].score = -1;
  sashite_depth_ladder(head, 6, 3, 0, -100);  // row 3: a step at positions 4 and 25
  EXPECT_EQ(nodes[3].depth_adj, 6);
  EXPECT_EQ(nodes[4].depth_adj, -6);
  EXPECT_EQ(nodes[25].depth_adj, -18);
  EXPECT_EQ(nodes[26].depth_adj, -24);

  // A list of one move is left as it is.
  search::KSearchNode node{};
  KPosition p = Scene().Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Load();
  node.position = &p;
  nodes[0].next = nullptr;
  nodes[0].score = 77;
  EXPECT_EQ(sashite_order_select(node, 1, nodes, 8, 0), nodes);
  EXPECT_EQ(nodes[0].score, 77);
}

int cheap_score(const KPosition& p, const KMove& m, int n) {
  KMove copy = m;
  KMoveNode node;
  sashi_list_link(&node, 1, &copy, 5);
  engine_sashite_order(p, n, &node);
  return node.score;
}

TEST_F(ExchangeOrderTest, CheapScores) {
  Scene s;
  s.Put(5, 9, model::kOu).Put(1, 1, gote(model::kOu)).Put(9, 7, model::kFu).Put(5, 5, gote(model::kFu))
      .Put(6, 6, model::kKin).Put(4, 3, gote(model::kGin)).Hand(model::kKyo);
  KPosition p = s.Load();
  EXPECT_EQ(cheap_score(p, board::pass_move(), 20), 0);
  const KMove push = s.Move(p, 9, 7, 9, 6);
  EXPECT_EQ(cheap_score(p, push, 16), -250);
  EXPECT_NE(cheap_score(p, push, 15), -250);

  // An unattacked capture: its table gain once in mode 0, twice in modes 1 and 2.
  const KMove take = s.Move(p, 6, 6, 5, 5);
  const int gold = board::kGold, pawn = board::kPawn;
  EXPECT_EQ(cheap_score(p, take, 20), board::exchange_flat_value(pawn) + board::exchange_hand_value(pawn, 0));
  for (int mode : {1, 2}) {
    Mode(mode);
    const int gain = board::exchange_king_value(p, 0, gold, take.to) - board::exchange_king_value(p, 0, gold, take.from) +
                     board::exchange_king_value(p, 1, pawn, take.to) + board::exchange_hand_value(pawn, 0);
    EXPECT_EQ(cheap_score(p, take, 20), 2 * gain);
  }
  Mode(0);

  // Lance drops: 280 and the silver ahead three files from the king, 200 four
  // files away, nothing when the opponent could block with a pawn.
  for (int file : {4, 5}) {
    const KMove drop = s.Move(p, 11, model::kKyo, file, file == 4 ? 6 : 8);
    int u = 0;
    const int v = board::koma_put_value(p, 0, board::kLance, drop.to, &u);
    EXPECT_EQ(cheap_score(p, drop, 20) - v, file == 4 ? 280 + 400 : 200);
  }
  s.k.mochigoma[1][model::kFu] = 1;
  p = s.Load();
  const KMove blocked = s.Move(p, 11, model::kKyo, 4, 6);
  int u = 0;
  EXPECT_EQ(cheap_score(p, blocked, 20), board::koma_put_value(p, 0, board::kLance, blocked.to, &u));
}

}  // namespace
}  // namespace search
