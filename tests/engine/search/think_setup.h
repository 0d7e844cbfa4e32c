// Set-up shared by the think's tests: the evaluation prepared for a position
// as a think prepares it, the tables a think needs, and a request.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "engine/board/hash_table.h"
#include "engine/board/ply_table.h"
#include "engine/board/random.h"
#include "engine/eval/progress.h"
#include "engine/eval/root_modes.h"
#include "engine/search/chuban.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"
#include "engine/tsume/tsume_entry.h"

namespace search::testing {

inline void prepare_evaluation(const board::KPosition& p) {
  const int32_t codes[2] = {0, 0};
  board::think_board.generator_words.game_stage = eval::progress_estimate(p);
  eval::eval_root_prepare(p, codes, 0);
  eval::eval_setup_stage(p, board::think_board.generator_words.game_stage, codes);
  board::pos_table_init();
}

// The think context the tests lend to every think and search they run, as the
// driver lends its own: one for the test program.
inline ThinkContext& test_context() {
  static const std::unique_ptr<ThinkContext> cx = std::make_unique<ThinkContext>();
  return *cx;
}

// The transposition table at a pinned size, the mate solver, the random seed.
class ThinkTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    board::hash_alloc(4096);
    tsume::tsume_alloc(8192);
  }
  static void TearDownTestSuite() {
    tsume::tsume_free();
    board::hash_free();
  }
  void SetUp() override {
    think_words.control.store(kThinkRun);
    board::rand_seed(20240611);
  }
  void TearDown() override { think_words.control.store(kThinkRun); }

  ThinkRequest Request(board::KPosition& p, int depth, int32_t byoyomi_ms = 0) {
    ThinkRequest r;
    r.position = &p;
    r.max_depth = depth;
    r.result = &result;
    r.time[1] = byoyomi_ms;
    return r;
  }

  KPvHolder result{};
  ThinkContext& cx = test_context();
};

}  // namespace search::testing
