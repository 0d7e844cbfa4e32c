// Solution trees: the repair of proofs that lean on a repetition, and the
// tree's judgement of interposing drops.
#include <gtest/gtest.h>

#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/tsume/solution_tree.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace tsume::testing {
namespace {

TEST(SolutionTree, ARepetitionDemotesTheProofsOfItsPath) {
  Problem pr;
  ASSERT_TRUE(load_problem(tsume_data_dir() + "/mate09_d.kif", pr));
  KTsumeEngine e(1024, false);
  TsumeContext c;
  tsume_context_init(c, engine_position(pr.kyokumen), pr.kyokumen.teban);
  std::fill(e.path_heads, e.path_heads + e.max_ply, -1);
  // Two plies down: a check and an answer, each position proven.
  for (int ply = 0; ply < 2; ++ply) {
    ASSERT_NE(tsume_store_proof(e.table, c.ply, c.key, kNoNodeMove, 9 - ply, 0), nullptr);
    ASSERT_TRUE(tsume_list_moves(e, c));
    ASSERT_GT(c.move_count, 0);
    tsume_descend(e, c, 0, false);
  }
  ASSERT_NE(tsume_store_proof(e.table, c.ply, c.key, kNoNodeMove, 7, 0), nullptr);
  tsume_tree_unprove_path(e, c);
  EXPECT_EQ(e.demotions, 1u);
  for (int ply = 0; ply < 2; ++ply) EXPECT_EQ(tsume_lookup_shortest_proof(e.table, e.frames[ply].key), nullptr);
  // The position itself is refuted on this path only.
  const KTsumeNode* here = tsume_lookup_path(e.table, c.key, c.path_key);
  ASSERT_NE(here, nullptr);
  EXPECT_EQ(here->pn, kInf);
  const KTsumeNode* plain = tsume_lookup(e.table, c.key);
  ASSERT_NE(plain, nullptr);
  EXPECT_LT(plain->pn, kInf);
}

}  // namespace
}  // namespace tsume::testing
