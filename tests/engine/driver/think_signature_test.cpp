// The think's node-count signature: the total it pins, whatever ran before it
// in the process, the count of one of its thinks at depth 7, and a run
// stopped from another thread.
#include "engine/driver/think_signature.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "engine/board/hash_table.h"
#include "engine/board/random.h"
#include "engine/board/repetition.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/benchmark_positions.h"
#include "engine/search/chuban.h"
#include "engine/tsume/tsume_entry.h"
#include "model/position/perft.h"
#include "platform/clock.h"
#include "tests/engine/driver/think_signature_total.h"

namespace driver {
namespace {

// The think context every think of this file is lent, as the driver lends its own.
const std::unique_ptr<search::ThinkContext> think_context = std::make_unique<search::ThinkContext>();

TEST(ThinkSignature, TotalIsPinnedWhateverRanBefore) {
  ASSERT_EQ(middle_game_positions(kSignaturePositions).size(), kSignaturePositions);
  // Left behind by earlier work: a think on another position with tables of
  // other sizes, a game that passed through the position after a root move,
  // another random state. (A fresh process gives the same total: the command
  // line's test.)
  board::hash_alloc(1024);
  tsume::tsume_alloc(1024);
  model::Kyokumen start;
  start.Init(model::kHirate);
  board::KPosition p;
  ASSERT_EQ(bridge::position_load(p, start), 0);
  search::KPvHolder line{};
  search::ThinkRequest r;
  r.position = &p;
  r.max_depth = 3;
  r.result = &line;
  search::Chuban(*think_context, r);
  model::Kyokumen k = middle_game_positions(1)[0];
  model::Sashite moves[model::kMaxSashite];
  ASSERT_GT(model::legal_moves(k, moves), 0);
  k.DoSashite(moves[0]);
  board::KPosition child;
  ASSERT_EQ(bridge::position_load(child, k), 0);
  board::kifu_rep_add(child);
  board::rand_seed(1);

  EXPECT_EQ(think_signature(), testing::kSignatureTotal);
  EXPECT_EQ(board::hash_capacity(), 0u);  // the run's tables are freed
  EXPECT_EQ(tsume::tsume_instance(), nullptr);
}

// One position of the signature's set thought to depth 7 from the same fresh
// state: the rules of the deeper plies (the path positions a pass registers,
// the generators' level-4 moves) change this count where depth 5 shows
// nothing.
TEST(ThinkSignature, DepthSevenCountIsPinned) {
  const std::vector<model::Kyokumen> positions = middle_game_positions(kSignaturePositions);
  ASSERT_GT(positions.size(), testing::kDepthSevenPosition);
  board::KPosition p;
  ASSERT_EQ(bridge::position_load(p, positions[testing::kDepthSevenPosition]), 0);
  ASSERT_EQ(board::hash_alloc(kSignatureTableKb), 0);
  ASSERT_EQ(tsume::tsume_alloc(kSignatureMateKb), 1);
  think_fresh_state();
  search::KPvHolder line{};
  search::ThinkRequest r;
  r.position = &p;
  r.max_depth = 7;
  r.result = &line;
  r.no_time_limit = true;
  search::Chuban(*think_context, r);
  EXPECT_EQ(think_context->node_counter, testing::kDepthSevenNodes);
  tsume::tsume_free();
  board::hash_free();
}

TEST(ThinkSignature, AStopFromAnotherThreadEndsTheRunAndTheNextRunIsWhole) {
  // Asked for again and again, as the front end asks while it waits: the run
  // ends early with 0 and frees its tables.
  std::atomic<bool> done{false};
  uint64_t stopped = 1;
  std::thread run([&] {
    stopped = think_signature();
    done.store(true);
  });
  while (!done.load()) {
    think_signature_stop();
    platform::sleep_ms(1);
  }
  run.join();
  EXPECT_EQ(stopped, 0u);
  EXPECT_EQ(board::hash_capacity(), 0u);
  EXPECT_EQ(tsume::tsume_instance(), nullptr);
  // A stop left from the last run stops nothing of the next.
  EXPECT_EQ(think_signature(), testing::kSignatureTotal);
}

}  // namespace
}  // namespace driver
