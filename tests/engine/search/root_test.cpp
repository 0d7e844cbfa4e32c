// The root before and inside the deepening: the evaluation record built from
// scratch, the root moves and their threat tests, the static assessment, the
// list services and the root search's own rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <utility>
#include <vector>

#include "engine/board/eval_record.h"
#include "engine/board/exchange_eval.h"
#include "engine/board/make_move.h"
#include "engine/board/repetition.h"
#include "engine/board/think_board.h"
#include "engine/eval/eval_setup.h"
#include "engine/search/line_records.h"
#include "engine/search/move_set.h"
#include "engine/search/node_records.h"
#include "engine/search/position_features.h"
#include "engine/search/root_assess.h"
#include "engine/search/root_list.h"
#include "engine/search/root_moves.h"
#include "engine/search/root_search.h"
#include "engine/search/time_control.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/eval/eval_record_reference.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::testing::Scene;
using model::testing::gote;

class Root : public testing::ThinkTest {};

TEST_F(Root, FeaturesMatchTheEvaluationTermsOnRandomPositions) {
  std::mt19937 rng(7);
  int checked = 0;
  for (int game = 0; game < 6; ++game) {
    model::Kyokumen k;
    k.Init(model::kHirate);
    for (int ply = 0; ply < 90; ++ply) {
      model::Sashite m;
      if (board::testing::random_legal_moves(k, rng, &m, 1) == 0) break;
      k.DoSashite(m);
      const KPosition p = Scene{k}.Load();
      testing::prepare_evaluation(p);
      const eval::KEvalWeights& w = *eval::eval_setup.eval_weights;
      const eval::testing::Terms t = eval::testing::terms_from_scratch(w, p);
      board::KEvalRecord r{};
      position_features(p, r);
      ASSERT_TRUE(eval::testing::record_matches(r, t)) << "game " << game << " ply " << ply;
      ++checked;
    }
  }
  EXPECT_GT(checked, 300);
  EXPECT_EQ(tokin_penalty(5), 1500);
}

TEST_F(Root, RookPlacementOpenFilesAndHangingPieces) {
  auto record = [](int rook_rank) {
    Scene s;
    s.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(9, rook_rank, model::kHi);
    const KPosition p = s.Load();
    testing::prepare_evaluation(p);
    board::KEvalRecord r{};
    position_features(p, r);
    return r;
  };
  const board::KEvalRecord r3 = record(3), r4 = record(4);
  EXPECT_EQ(r3.att[0].attack - r4.att[0].attack, 550 - 150);
  EXPECT_EQ(r3.hand_b[0] - r4.hand_b[0], 200 - 400);
  // No sente pawn anywhere, gote's king on file 5: the sum stays uncapped.
  EXPECT_EQ(r3.att[0].open_file, 256 + 2 * (230 + 205 + 154 + 102));

  Scene s;
  s.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(2, 8, model::kHi);
  KPosition p = s.Load();
  testing::prepare_evaluation(p);
  EXPECT_EQ(hanging_threat_value(p), -1);
  s.Put(2, 3, gote(model::kKin));  // an undefended gold on the rook's file
  p = s.Load();
  EXPECT_GT(hanging_threat_value(p), 0);
}

// Gote's king on 1一 with sente's gold on 2三 and knight on 3三: P*1二 would
// mate (illegal), G*1二 mates.
Scene corner_mate() {
  Scene s;
  s.Put(5, 9, model::kOu).Put(1, 1, gote(model::kOu)).Put(2, 3, model::kKin).Put(3, 3, model::kKei);
  s.k.mochigoma[0][model::kFu] = 1;
  s.k.mochigoma[0][model::kKin] = 1;
  return s;
}

TEST_F(Root, RootMovesPawnDropMatesAndThePassThreat) {
  const Scene scene = corner_mate();
  KPosition p = scene.Load();
  testing::prepare_evaluation(p);
  const KMove pawn_mate = scene.Move(p, 11, model::kFu, 1, 2);
  const KMove gold_mate = scene.Move(p, 11, model::kKin, 1, 2);
  KMove moves[board::kMaxMoves];
  think_clock_start(cx);  // the root's mate solves take their time from the think's start
  think_words.limits.current_limit.store(60000);
  cx.time_state.max_depth = 5;
  const int n = GetProper(cx, p, moves, nullptr, nullptr, 5);
  bool pawn = false, gold = false;
  for (int i = 0; i < n; ++i) {
    pawn = pawn || board::move_word(moves[i]) == board::move_word(pawn_mate);
    gold = gold || board::move_word(moves[i]) == board::move_word(gold_mate);
  }
  EXPECT_FALSE(pawn);
  EXPECT_TRUE(gold);
  EXPECT_EQ(cx.time_state.pass_threat, 0);

  // The assessment: the illegal pawn drop -10000, the mate 32766, every later node 0.
  KMove list[3] = {pawn_mate, gold_mate, moves[0]};
  KMoveNode nodes[3];
  KMoveNode* head = sashi_list_init(nodes, 3, list, 5);
  EvalByFacePrecise(p, 3, head);
  EXPECT_EQ(nodes[0].score, kIllegalRootScore);
  EXPECT_EQ(nodes[1].score, kScoreMate);
  EXPECT_EQ(nodes[2].score, 0);

  // Passing would let gote drop a gold on 5八 (its pawn on 5七 guards it).
  Scene threat;
  threat.Put(5, 9, model::kOu).Put(1, 1, gote(model::kOu)).Put(5, 7, gote(model::kFu)).Put(9, 7, model::kFu);
  threat.k.mochigoma[1][model::kKin] = 1;
  p = threat.Load();
  testing::prepare_evaluation(p);
  GetProper(cx, p, moves, nullptr, nullptr, 5);
  EXPECT_EQ(cx.time_state.pass_threat, 1);
  think_words.limits.current_limit.store(-200);  // the depth road: no test, no flag
  GetProper(cx, p, moves, nullptr, nullptr, 5);
  EXPECT_EQ(cx.time_state.pass_threat, 0);
}

TEST_F(Root, DropsOntoAttackedSquaresScoreTheirExchangeLoss) {
  Scene s;
  s.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(3, 2, gote(model::kKin));
  s.Hand(model::kKin);
  KPosition p = s.Load();
  testing::prepare_evaluation(p);
  KMove list[1] = {s.Move(p, 11, model::kKin, 3, 3)};
  KMoveNode node;
  EvalByFacePrecise(p, 1, sashi_list_init(&node, 1, list, 5));
  board::do_move(p, list[0], 0);
  const int x = board::think_board.generator_words.game_stage == 0
                    ? board::exchange_eval_pos(p, 1, list[0].code & 0x1F, list[0].to, p.board[board::square_of(3, 2)], nullptr)
                    : board::exchange_eval(p, 1, list[0].code & 0x1F, list[0].to, p.board[board::square_of(3, 2)], nullptr);
  board::undo_move(p, list[0], 0);
  ASSERT_GT(x, -10);
  EXPECT_EQ(node.score, kLossScoreBase - x);
}

// The sort by ranks and the insertion sort it falls back to past 64 nodes
// must both give the stable order, extremes and long runs of ties included.
TEST(ListSort, MatchesAStableSortOnRandomLists) {
  std::mt19937 rng(11);
  KMove moves[90];
  KMoveNode nodes[90];
  for (KMove& m : moves) m = board::pass_move();
  for (int n : {1, 2, 3, 7, 8, 9, 16, 17, 31, 40, 63, 64, 65, 90}) {
    for (int round = 0; round < 20; ++round) {
      KMoveNode* head = sashi_list_init(nodes, n, moves, 0);
      const int spread = round % 2 == 0 ? 4 : 60000;
      std::vector<std::pair<int16_t, int>> expected;
      for (int i = 0; i < n; ++i) {
        int v = static_cast<int>(rng() % spread) - spread / 2;
        if (rng() % 8 == 0) v = rng() % 2 == 0 ? INT16_MIN : INT16_MAX;
        nodes[i].score = static_cast<int16_t>(v);
        expected.emplace_back(nodes[i].score, i);
      }
      std::stable_sort(expected.begin(), expected.end(),
                       [](const auto& a, const auto& b) { return a.first > b.first; });
      head = sashite_list_sort(head);
      ASSERT_NE(head, nullptr);
      EXPECT_EQ(head->prev, nullptr);
      const KMoveNode* x = head;
      for (int i = 0; i < n; ++i, x = x->next) {
        ASSERT_NE(x, nullptr);
        EXPECT_EQ(x - nodes, expected[i].second) << "n=" << n << " place " << i;
        if (x->next != nullptr) {
          EXPECT_EQ(x->next->prev, x);
        }
      }
      EXPECT_EQ(x, nullptr);
    }
  }
  EXPECT_EQ(sashite_list_sort(nullptr), nullptr);
}

TEST_F(Root, ListServicesAndTheBestMoveMemory) {
  KMove moves[600];
  KMoveNode nodes[600];
  for (KMove& m : moves) m = board::pass_move();
  KMoveNode* head = sashi_list_init(nodes, 600, moves, 5);
  const int16_t scores[5] = {3, 9, 3, 32767, 9};
  for (int i = 0; i < 5; ++i) nodes[i].score = scores[i];
  for (int i = 5; i < 600; ++i) nodes[i].score = -5;
  head = sashite_list_sort(head);
  EXPECT_EQ(head, &nodes[3]);
  EXPECT_EQ(head->next, &nodes[1]);        // equal scores keep their order
  EXPECT_EQ(head->next->next, &nodes[4]);
  head = root_moves_remove_marked(head);
  EXPECT_EQ(head, &nodes[1]);
  root_moves_rank(head);
  EXPECT_EQ(head->score, 599 - 31000);
  EXPECT_EQ(head->next->score, 598 - 31000);
  const KPosition p = Scene{model::testing::initial(model::kHirate)}.Load();
  EXPECT_EQ(root_moves_count(p, head, 3), kRootCountCap);

  // A node moved to the front: unlinked where it stood and linked before the
  // head, both ways; the head itself stays where it is.
  KMoveNode four[4];
  KMove four_moves[4];
  for (KMove& m : four_moves) m = board::pass_move();
  KMoveNode* front = sashi_list_init(four, 4, four_moves, 5);
  EXPECT_EQ(root_move_to_front(front, front), front);
  EXPECT_EQ(front->next, &four[1]);
  front = root_move_to_front(&four[2], front);
  front = root_move_to_front(&four[3], front);
  const KMoveNode* order[4] = {&four[3], &four[2], &four[0], &four[1]};
  EXPECT_EQ(front, order[0]);
  EXPECT_EQ(front->prev, nullptr);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(order[i]->next, i < 3 ? order[i + 1] : nullptr) << i;
    EXPECT_EQ(order[i]->prev, i > 0 ? order[i - 1] : nullptr) << i;
  }

  BestRootEntry best;
  best_move_clear(best);
  KMove out;
  EXPECT_EQ(best_move_get(best, &out), 0);
  EXPECT_EQ(best_score_get(best), 32767);
  best_move_set(best, moves[0]);
  best_line_set(best, -44, nodes[0]);
  EXPECT_EQ(best_move_get(best, &out), 1);
  EXPECT_EQ(best_score_get(best), -44);
  EXPECT_TRUE(candidates_due(7, -1801));
  EXPECT_FALSE(candidates_due(7, -1800));
}

// One root move searched by the root search on the prepared position.
struct OneNodeSearch {
  KPosition p;
  search::KSearchNode root{};
  KMove moves[2];
  KMoveNode nodes[2];
  ThinkContext& cx = testing::test_context();

  int Run(const KMove& last, bool in_check, int beta = kScoreMate) {
    testing::prepare_evaluation(p);
    root.position = &p;
    board::hash_key_full(p, 0, root.key);
    cx.root_key = root.key;
    position_features(p, root.eval);
    cx.move_stack[1] = last;
    cx.time_state.in_check = in_check;
    cx.time_state.lost = 0;
    cx.time_state.no_time_limit = 1;
    think_words.depth.store(2);
    cx.search_ply = 1;
    cx.search_abort = 0;
    move_set_clear(cx.searched_move_set);
    KMoveNode* head = sashi_list_init(nodes, 2, moves, 5);
    const int32_t codes[2] = {0, 0};
    return root_search(cx, root, codes, head, -kScoreMate, beta, nullptr, nullptr, nullptr);
  }
};

TEST_F(Root, RepetitionsOfTheGameAndTwinSkips) {
  // Sente's king on 5九 checked by gote's rook from 5五 after a quiet move.
  Scene s;
  s.Put(5, 9, model::kOu).Put(1, 1, gote(model::kOu)).Put(5, 5, gote(model::kHi)).Put(8, 8, model::kKaku);
  OneNodeSearch t;
  t.p = s.Load();
  const KMove rook_check = s.Move(t.p, 5, 5, 4, 5);  // stands for gote's last, quiet move
  KMove last = rook_check;
  last.from = board::square_of(4, 5), last.to = board::square_of(5, 5), last.captured_code = 0;
  t.moves[0] = s.Move(t.p, 5, 9, 4, 9);
  t.moves[1] = s.Move(t.p, 5, 9, 6, 9);
  auto repeat = [](KPosition& p, const KMove& m) {
    board::kifu_rep_clear();
    board::do_move(p, m, 0);
    board::kifu_rep_add(p);
    board::undo_move(p, m, 0);
  };
  repeat(t.p, t.moves[0]);
  EXPECT_EQ(t.Run(last, true), kScoreMate);  // the opponent keeps up the check: won
  EXPECT_EQ(t.root.pv.length, 1);
  // Not in check: the repetition is a draw, the search goes on unless beta is at 0.
  const int drawn = t.Run(last, false);
  EXPECT_EQ(drawn, std::max(0, static_cast<int>(t.nodes[1].score)));
  EXPECT_EQ(t.nodes[0].score, 0);
  EXPECT_EQ(t.Run(last, false, 0), 0);
  EXPECT_EQ(t.nodes[1].score, -30999);  // not reached

  // Sente keeps up a quiet check that repeats: -16383 for the mover.
  Scene c;
  c.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(9, 2, model::kHi).Put(1, 9, model::kKyo);
  OneNodeSearch u;
  u.p = c.Load();
  u.moves[0] = c.Move(u.p, 9, 2, 9, 1);  // along rank 1 onto gote's king
  u.moves[1] = c.Move(u.p, 1, 9, 1, 8);
  repeat(u.p, u.moves[0]);
  KMove quiet = c.Move(u.p, 1, 9, 1, 8);
  u.Run(quiet, false);
  EXPECT_EQ(u.nodes[0].score, kPerpetualCheckScore);
  board::kifu_rep_clear();

  // A pawn drop taken at once makes the later drop on its square a twin.
  Scene d;
  d.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(3, 3, gote(model::kKin));
  d.k.mochigoma[0][model::kFu] = 1;
  d.k.mochigoma[0][model::kKyo] = 1;
  OneNodeSearch v;
  v.p = d.Load();
  v.moves[0] = d.Move(v.p, 11, model::kFu, 3, 4);
  v.moves[1] = d.Move(v.p, 11, model::kKyo, 3, 4);
  v.Run(board::pass_move(), false);
  EXPECT_EQ(v.nodes[1].skip, 1);
  EXPECT_EQ(v.nodes[1].score, v.nodes[0].score);
}

}  // namespace
}  // namespace search
