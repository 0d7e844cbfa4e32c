// The in-game instance: quick searches in a small table that evicts, the
// lookup of stored mates, their confirmation, and a missing instance.
#include <gtest/gtest.h>

#include "engine/board/make_move.h"
#include "engine/tsume/tsume_entry.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace tsume::testing {
namespace {

Problem problem_named(const char* name) {
  Problem pr;
  EXPECT_TRUE(load_problem(tsume_data_dir() + "/" + name, pr));
  return pr;
}

TEST(InGame, SearchStoresAMateThatLookupAndVerifyConfirm) {
  ASSERT_EQ(tsume_alloc(1024), 1);
  const Problem pr = problem_named("mate09_game.kif");
  board::KPosition p = engine_position(pr.kyokumen);
  board::KMove first;
  ASSERT_EQ(tsume_search(p, nullptr, &first, 200000), 0);
  board::KMove stored;
  ASSERT_EQ(tsume_hash_check(p, &stored), 0);
  EXPECT_EQ(stored.from, first.from);
  EXPECT_EQ(stored.to, first.to);
  board::KMove confirmed;
  EXPECT_EQ(tsume_verify(board::KHashKey{}, first, 0, nullptr, p, &confirmed, 10000), 0);
  EXPECT_EQ(confirmed.to, first.to);
  // An emptied table proves nothing.
  tsume_pool_reset();
  EXPECT_EQ(tsume_hash_check(p, &stored), 1);
  tsume_free();
}

TEST(InGame, SideToMoveGivingCheckIsRefusedAtOnce) {
  ASSERT_EQ(tsume_alloc(256), 1);
  const Problem pr = problem_named("mate03_d.kif");
  board::KPosition p = engine_position(pr.kyokumen);
  board::KMove first;
  ASSERT_EQ(tsume_search_limit(p, nullptr, &first, 10000), 0);
  // Make the first check and give the move back to the attacker: it now
  // attacks the king it checks.
  board::do_move(p, first, 0);
  p.teban = static_cast<uint8_t>(1 - p.teban);
  EXPECT_EQ(tsume_search(p, nullptr, &first, 1000), 3);
  tsume_free();
}

TEST(InGame, MissingInstanceAnswersUndecided) {
  EXPECT_EQ(ktsume_alloc(0), 0);
  EXPECT_EQ(ktsume_instance(), nullptr);
  const Problem pr = problem_named("mate03_d.kif");
  const board::KPosition p = engine_position(pr.kyokumen);
  const board::KMove* line = nullptr;
  int length = 0;
  EXPECT_EQ(ktsume_solve(p, &line, &length, 1000, 1000), SolveResult::kUndecided);
  EXPECT_EQ(tsume_alloc(0), 0);
  board::KPosition q = p;
  board::KMove m;
  EXPECT_EQ(tsume_search(q, nullptr, &m, 1000), 1);
  tsume_stop(0);  // no instance: nothing happens
}

}  // namespace
}  // namespace tsume::testing
