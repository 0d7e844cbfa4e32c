// Limits of a solve: the stop from another thread, the time limit 0, node
// limits, a small growing table, a table with every node protected, the
// growth of the tree table, and the alternative-line search.
#include <gtest/gtest.h>

#include <thread>

#include "tests/engine/board/model_positions.h"
#include "engine/board/make_move.h"
#include "engine/tsume/solution_tree.h"
#include "engine/tsume/tsume_bounded.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace tsume::testing {
namespace {

using board::testing::Scene;
using model::testing::gote;

// A position where the attacker has many checks and no mate: a long search.
board::KPosition hard_position() {
  model::Kyokumen k = Scene().Put(5, 5, gote(model::kOu)).k;
  const int hand[8] = {0, 3, 2, 2, 2, 2, 1, 1};
  for (int t = 1; t <= 7; ++t) {
    k.mochigoma[0][t] = static_cast<int8_t>(hand[t]);
    k.mochigoma[1][t] = static_cast<int8_t>((t == 1 ? 18 : t == 6 || t == 7 ? 2 : 4) - hand[t]);
  }
  k.CalcTeaiwari();
  return engine_position(k);
}

// The longest problem of at most 21 plies: the longer ones take seconds in
// the small tables of these tests, and more under the sanitizers.
Problem longest_problem() {
  constexpr int kLongestQuick = 21;
  Problem best;
  for (const Problem& p : load_problem_set()) {
    if (p.length > best.length && p.length <= kLongestQuick) best = p;
  }
  return best;
}

TEST(SolveLimits, TimeLimitZeroStopsWithinFortyEightVisits) {
  KTsumeEngine e(8192, false);
  e.time_limit.store(0);
  e.node_limit = -1;
  board::KMove out;
  EXPECT_EQ(tsume_root(e, hard_position(), nullptr, &out), 1);
  EXPECT_LT(e.node_count, kTimeCheckVisits);
  // A node limit holds as well.
  e.time_limit.store(100000);
  e.node_limit = 500;
  EXPECT_EQ(tsume_root(e, hard_position(), nullptr, &out), 1);
  EXPECT_LE(e.node_count, 500u);
  // The depth-bounded search stops as soon, and so does the tree walk of a
  // proven problem.
  e.node_limit = -1;
  e.time_limit.store(0);
  tsume_start_clock(e);
  TsumeContext c;
  tsume_context_init(c, hard_position(), 0);
  EXPECT_EQ(tsume_bounded_search(e, e.table, c, 11, nullptr, nullptr), 1);
  EXPECT_LT(e.node_count, kTimeCheckVisits);
  const board::KPosition p = engine_position(longest_problem().kyokumen);
  e.time_limit.store(100000);
  ASSERT_EQ(tsume_root(e, p, nullptr, &out), 0);
  e.time_limit.store(0);
  tsume_start_clock(e);
  EXPECT_EQ(tsume_solution_tree(e, p, p.teban, kTreeStartKb), kTreeLimit);
  EXPECT_LT(e.node_count, kTimeCheckVisits);
}

TEST(SolveLimits, StopFromAnotherThreadEndsTheSolve) {
  ASSERT_EQ(ktsume_alloc_default(), 1);
  const board::KPosition p = hard_position();
  std::thread stopper([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ktsume_set_time_limit(0);
  });
  const board::KMove* line = nullptr;
  int length = 0;
  EXPECT_EQ(ktsume_solve(p, &line, &length, 600000, -1), SolveResult::kStopped);
  stopper.join();
  // A stop while the solve shows its line the shortest (a search of some
  // seconds after a proof of milliseconds) ends it too.
  Problem pr;
  ASSERT_TRUE(load_problem(tsume_data_dir() + "/mate13_a_ai.kif", pr));
  ktsume_instance()->shortest_budget = -1;
  std::thread late([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ktsume_set_time_limit(0);
  });
  EXPECT_EQ(ktsume_solve(engine_position(pr.kyokumen), &line, &length, 600000, -1), SolveResult::kStopped);
  late.join();
  ktsume_free();
}

TEST(SolveLimits, SmallGrowingTableProvesLongProblems) {
  // A table of some 6,000 nodes, far fewer than the solve visits: the
  // collection keeps the proofs the tree and the shorter-mate searches need.
  const Problem pr = longest_problem();
  ASSERT_EQ(ktsume_alloc(256), 1);
  KTsumeEngine* e = ktsume_instance();
  const board::KPosition p = engine_position(pr.kyokumen);
  const board::KMove* line = nullptr;
  int length = 0;
  EXPECT_EQ(ktsume_solve(p, &line, &length, 60000, 5000000), SolveResult::kMate);
  EXPECT_EQ(length, pr.length);
  EXPECT_GT(e->last_node_count, e->table.capacity);
  EXPECT_LE(e->table.used, e->table.capacity);
  ktsume_free();
}

TEST(SolveLimits, FullyProtectedTableEndsTheSearchUndecided) {
  KTsumeEngine e(64, false);
  for (uint32_t i = 0; i < e.table.capacity; ++i) {
    KTsumeNode* n = tsume_store_plain(e.table, 0, KHashKey{{i + 1, i + 7, 0}}, 2, 2);
    ASSERT_NE(n, nullptr);
    n->flags |= kFlagFixedProof;
  }
  e.time_limit.store(100000);
  e.node_limit = -1;
  board::KMove out;
  EXPECT_EQ(tsume_root(e, engine_position(longest_problem().kyokumen), nullptr, &out), 1);
}

TEST(SolveLimits, TreeTableGrowsFromASmallStart) {
  const Problem pr = longest_problem();
  KTsumeEngine e(8192, false);
  e.time_limit.store(100000);
  e.node_limit = -1;
  const board::KPosition p = engine_position(pr.kyokumen);
  board::KMove out;
  ASSERT_EQ(tsume_root(e, p, nullptr, &out), 0);
  EXPECT_EQ(tsume_solution_tree(e, p, p.teban, 1), pr.length);
  ASSERT_NE(e.tree, nullptr);
  EXPECT_GT(e.tree->capacity, 1024u / 44);
}

TEST(SolveLimits, AlternativeLineSearch) {
  ASSERT_EQ(ktsume_alloc_default(), 1);
  const board::KMove* line = nullptr;
  const board::KMove* other = nullptr;
  int length = 0, other_length = 0;
  // Two mates in one: the gold from hand or the gold on 2三, both onto 1二
  // with the pawn behind.
  model::Kyokumen two = Scene()
                            .Put(1, 1, gote(model::kOu))
                            .Put(2, 3, model::kKin)
                            .Put(1, 3, model::kFu)
                            .Put(3, 2, model::kGin)
                            .Hand(model::kKin)
                            .k;
  two.CalcTeaiwari();
  board::KPosition p = engine_position(two);
  ASSERT_EQ(ktsume_solve(p, &line, &length, 10000, 100000), SolveResult::kMate);
  ASSERT_EQ(length, 1);
  // The one that empties the hand is the answer.
  EXPECT_EQ(line[0].from, board::kInHand);
  const std::vector<board::KMove> main(line, line + length);
  ASSERT_EQ(check_henbetsu(p, main.data(), length, &other, &other_length, 10000), SolveResult::kMate);
  ASSERT_EQ(other_length, 1);
  EXPECT_NE(other[0].from, main[0].from);
  // A sound problem has no other line.
  Problem sound;
  ASSERT_TRUE(load_problem(tsume_data_dir() + "/mate01_a.kif", sound));
  p = engine_position(sound.kyokumen);
  ASSERT_EQ(ktsume_solve(p, &line, &length, 10000, 100000), SolveResult::kMate);
  const std::vector<board::KMove> sound_line(line, line + length);
  EXPECT_EQ(check_henbetsu(p, sound_line.data(), length, &other, &other_length, 10000), SolveResult::kNoMate);
  ktsume_free();
}

}  // namespace
}  // namespace tsume::testing
