// Game-model perft: the even game to depth 5 (19,861,490 leaves) and a cheaper
// depth-3 run for quick comparisons.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

void BM_ModelPerft(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  model::Kyokumen pos;
  pos.Init(0);
  uint64_t counts[8] = {};
  for (auto _ : state) {
    model::perft(pos, depth, counts);
    benchmark::DoNotOptimize(counts);
  }
  state.counters["leaves"] = static_cast<double>(counts[depth - 1]);
  state.counters["leaves_per_s"] =
      benchmark::Counter(static_cast<double>(counts[depth - 1]), benchmark::Counter::kIsIterationInvariantRate);
  if (depth == 5 && counts[4] != 19861490) state.SkipWithError("depth 5 count differs from 19861490");
}

}  // namespace

BENCHMARK(BM_ModelPerft)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ModelPerft)->Arg(5)->Unit(benchmark::kSecond)->Iterations(1);
