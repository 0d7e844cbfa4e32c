#include <gtest/gtest.h>

#include "engine/tsume/tsume_entry.h"
#include "tsume_problems.h"

namespace tsume::testing {
namespace {

TEST(Solver, SolvesTheKifSample) {
  Problem pr;
  ASSERT_TRUE(load_problem(std::string(VELKORA_TEST_DATA) + "/kif/tsume.kif", pr));
  ASSERT_EQ(ktsume_alloc_default(), 1);
  board::KPosition p = engine_position(pr.kyokumen);
  const board::KMove* line = nullptr;
  int length = 0;
  EXPECT_EQ(ktsume_solve(p, &line, &length, 10000, 1000000), 0);
  EXPECT_EQ(length, 3);
  ktsume_free();
}

}  // namespace
}  // namespace tsume::testing
