// The node search below the root: whole thinks to a fixed depth on a fixed set
// of middle-game positions (the even game after 40 to 60 random legal plies
// from fixed seeds), in nodes per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "bench/game_positions.h"
#include "engine/board/hash_table.h"
#include "engine/bridge/position_bridge.h"
#include "engine/search/chuban.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

// The think context every think of this file is lent, as the driver lends its own.
const std::unique_ptr<search::ThinkContext> think_context = std::make_unique<search::ThinkContext>();

constexpr size_t kPositions = 8;


void BM_NodeSearchMiddleGames(benchmark::State& state) {
  const std::vector<model::Kyokumen> games = bench::middle_games(kPositions);
  if (board::hash_alloc(16384) != 0 || tsume::tsume_alloc(8192) != 1) {
    state.SkipWithError("set-up failed");
    return;
  }
  search::think_words.control.store(search::kThinkRun);
  search::KPvHolder line{};
  uint64_t nodes = 0;
  for (auto _ : state) {
    for (const model::Kyokumen& k : games) {
      board::KPosition p;
      bridge::position_load(p, k);
      search::ThinkRequest request;
      request.position = &p;
      request.max_depth = static_cast<int>(state.range(0));
      request.result = &line;
      benchmark::DoNotOptimize(search::Chuban(*think_context, request));
      nodes += think_context->node_counter;
    }
  }
  tsume::tsume_free();
  board::hash_free();
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  state.counters["nodes/think"] =
      benchmark::Counter(static_cast<double>(nodes) / (state.iterations() * games.size()));
}
BENCHMARK(BM_NodeSearchMiddleGames)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
