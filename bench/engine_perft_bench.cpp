// Engine perft (the engine's generators with make and unmake on every move) to
// depth 5 from the even game and from a crowded middle game (a yagura-like
// opening after a pawn exchange, gote to move, a pawn in sente's hand), with
// the game model's perft of the even game as the yardstick in
// model_perft_bench.cpp. Reported: leaves per second, and all nodes counted
// (every depth) per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <numeric>

#include "engine/board/engine_perft.h"
#include "engine/bridge/position_bridge.h"
#include "model/position/kyokumen.h"

namespace {

// The middle game's moves from the even start: from file, from rank (11/12 and
// the type for a drop), to file, to rank.
constexpr int kMiddleGame[][4] = {
    {7, 7, 7, 6}, {8, 3, 8, 4}, {7, 9, 6, 8}, {3, 3, 3, 4}, {6, 7, 6, 6}, {7, 1, 6, 2}, {5, 7, 5, 6}, {5, 3, 5, 4},
    {3, 9, 4, 8}, {3, 1, 4, 2}, {4, 9, 5, 8}, {4, 1, 3, 2}, {6, 9, 7, 8}, {5, 1, 4, 1}, {5, 9, 6, 9}, {6, 1, 5, 2},
    {6, 8, 6, 7}, {4, 2, 5, 3}, {8, 8, 7, 7}, {2, 2, 3, 1}, {2, 7, 2, 6}, {8, 4, 8, 5}, {2, 6, 2, 5}, {3, 2, 3, 3},
    {4, 8, 5, 7}, {8, 2, 8, 4}, {3, 7, 3, 6}, {9, 3, 9, 4}, {9, 7, 9, 6}, {1, 3, 1, 4}, {1, 7, 1, 6}, {7, 3, 7, 4},
    {2, 5, 2, 4}, {2, 3, 2, 4}, {2, 8, 2, 4}, {12, 1, 2, 3}, {2, 4, 2, 6},
};

// The start position of argument 0 (even game) or 1 (middle game); false when
// a move of the middle game does not apply.
bool start_position(int which, model::Kyokumen& k) {
  k.Init(model::kHirate);
  if (which == 0) return true;
  for (const auto& m : kMiddleGame) {
    model::Sashite s(m[0], m[1], m[2], m[3], 0, 0, 0, 0);
    if (!k.CompleteSashite(s) || k.IsLegal(s, true) == model::kIllegal || !k.DoSashite(s)) return false;
  }
  return true;
}

void BM_EnginePerft(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(1));
  model::Kyokumen k;
  board::KPosition p;
  if (!start_position(static_cast<int>(state.range(0)), k) || bridge::position_load(p, k) != 0) {
    state.SkipWithError("the start position does not load");
    return;
  }
  uint64_t counts[8] = {};
  for (auto _ : state) {
    board::engine_perft(p, depth, counts);
    benchmark::DoNotOptimize(counts);
  }
  const double leaves = static_cast<double>(counts[depth - 1]);
  const double nodes = static_cast<double>(std::accumulate(counts, counts + depth, uint64_t{0}));
  state.counters["leaves"] = leaves;
  state.counters["leaves_per_s"] = benchmark::Counter(leaves, benchmark::Counter::kIsIterationInvariantRate);
  state.counters["nodes_per_s"] = benchmark::Counter(nodes, benchmark::Counter::kIsIterationInvariantRate);
  if (state.range(0) == 0 && depth == 5 && counts[4] != 19861490) {
    state.SkipWithError("depth 5 count differs from 19861490");
  }
}

}  // namespace

BENCHMARK(BM_EnginePerft)->Args({0, 3})->Args({1, 3})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnginePerft)->Args({0, 5})->Args({1, 5})->Unit(benchmark::kSecond)->Iterations(1);
