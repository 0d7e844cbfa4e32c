// The composer: its shorter-mate test over the problem set of the tests (the
// test each problem would get as a candidate), and whole problems composed
// from a fixed seed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/bridge/position_bridge.h"
#include "engine/tsume/compose.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"

namespace {

struct Candidate {
  board::KPosition pos;
  int length = 0;
};

std::vector<Candidate> load_candidates() {
  std::vector<Candidate> set;
  for (const auto& e : std::filesystem::directory_iterator(std::string(VELKORA_TEST_DATA) + "/tsume")) {
    if (e.path().extension() != ".kif") continue;
    model::KifuHolder holder;
    int format = 0;
    if (!model::kifu_load_file(holder, e.path().string().c_str(), &format, false)) continue;
    Candidate c;
    c.length = holder.kifu.GetTesu();
    if (c.length >= 3 && bridge::position_load(c.pos, holder.kifu.Start()->kyokumen) == 0) set.push_back(c);
  }
  return set;
}

void BM_ComposeShortMateTest(benchmark::State& state) {
  static const std::vector<Candidate> set = load_candidates();
  tsume::KCompose compose;
  compose.OpenTables();
  uint64_t nodes = 0;
  for (auto _ : state) {
    for (const Candidate& c : set) {
      tsume::tsume_table_reset(compose.table);
      board::KMove first;
      benchmark::DoNotOptimize(tsume::compose_instance_short_mate(compose.table, c.pos,
                                                                  std::min(c.length - 2, tsume::kShortMatePlies),
                                                                  &first, nullptr, tsume::kShortMateMs, 7500000));
      nodes += tsume::compose_instance_nodes();
    }
  }
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  compose.CloseTables();
}
BENCHMARK(BM_ComposeShortMateTest)->Unit(benchmark::kMillisecond);

// The piece table of velkora compose.
constexpr int32_t kPieces[tsume::kComposePieceTableSize] = {
    40,  40,  40,  40, 30, 30, 10, 60, 60, 60, 70, 70, 70,  90, 60, 60, 100, 80,  80,  80,  80,  100, 100, 150, 150,
    150, 150, 200, 10, 10, 30, 30, 20, 20, 10, 95, 95, 100, 95, 95, 95, 95,  150, 150, 200, 200, 150, 150, 200,
};

void BM_ComposeProblems(benchmark::State& state) {
  uint64_t positions = 0, plies = 0, made = 0;
  for (auto _ : state) {
    tsume::KCompose compose;
    compose.Init(7);
    for (int i = 0; i < 4; ++i) {
      board::KPosition p;
      made += compose.Compose(p, kPieces, 600000, 7, 3000, 50000) == 0;
      plies += compose.accepted_length;
    }
    positions += compose.generated;
  }
  state.counters["positions/s"] = benchmark::Counter(static_cast<double>(positions), benchmark::Counter::kIsRate);
  state.counters["plies/problem"] = made ? static_cast<double>(plies) / static_cast<double>(made) : 0.0;
}
BENCHMARK(BM_ComposeProblems)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
