// The think's node-count signature: the total it pins, the same on every run
// in one process whatever ran before.
#include "engine/driver/think_signature.h"

#include <gtest/gtest.h>

#include "engine/board/hash_table.h"
#include "engine/board/random.h"
#include "engine/board/repetition.h"
#include "engine/driver/benchmark_positions.h"
#include "engine/driver/position_bridge.h"
#include "model/position/perft.h"
#include "tests/engine/driver/think_signature_total.h"

namespace driver {
namespace {

TEST(ThinkSignature, TotalIsPinnedAndRepeats) {
  EXPECT_EQ(middle_game_positions(kSignaturePositions).size(), kSignaturePositions);
  EXPECT_EQ(think_signature(), testing::kSignatureTotal);
  // What the first run left behind, and a game's history, a random state and
  // a table of another size, do not reach the second.
  model::Kyokumen k = middle_game_positions(1)[0];
  model::Sashite moves[model::kMaxSashite];
  ASSERT_GT(model::legal_moves(k, moves), 0);
  k.DoSashite(moves[0]);
  board::KPosition child;
  ASSERT_EQ(position_load(child, k), 0);
  board::kifu_rep_add(child);  // as if the game had passed through a root move's position
  board::rand_seed(1);
  board::hash_alloc(1024);
  EXPECT_EQ(think_signature(), testing::kSignatureTotal);
  EXPECT_EQ(board::hash_capacity(), 0u);  // the run's tables are freed
}

}  // namespace
}  // namespace driver
