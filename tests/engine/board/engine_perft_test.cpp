// Engine perft against the published counts of the even game (the random
// comparison with the game model covers every other position).
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/board/engine_perft.h"
#include "engine/driver/position_bridge.h"
#include "model/kyokumen.h"
#include "position_checker.h"

namespace board {
namespace {

TEST(EnginePerft, EvenGameToDepthFour) {
  model::Kyokumen k;
  k.Init(model::kHirate);
  KPosition p;
  ASSERT_EQ(driver::position_load(p, k), 0);
  KPosition before = p;
  uint64_t counts[4];
  engine_perft(p, 4, counts);
  EXPECT_EQ(counts[0], 30u);
  EXPECT_EQ(counts[1], 900u);
  EXPECT_EQ(counts[2], 25470u);
  EXPECT_EQ(counts[3], 719731u);
  EXPECT_TRUE(testing::same_live_fields(p, before));
}

}  // namespace
}  // namespace board
