// The mate solver over the problem set of the tests: the time of each solve
// with its nodes per second, the whole set at once, and the longest problem.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/bridge/position_bridge.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"

namespace {

struct BenchProblem {
  std::string name;
  board::KPosition pos;
  board::KPosition short_handed;  // the attacker's strongest piece in hand given to the defender
  bool has_short_handed = false;
};

std::vector<BenchProblem> load_set() {
  std::vector<std::string> paths;
  for (const auto& e : std::filesystem::directory_iterator(std::string(VELKORA_TEST_DATA) + "/tsume")) {
    if (e.path().extension() == ".kif") paths.push_back(e.path().string());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<BenchProblem> set;
  for (const std::string& path : paths) {
    model::KifuHolder holder;
    int format = 0;
    if (!model::kifu_load_file(holder, path.c_str(), &format, false)) continue;
    BenchProblem p;
    p.name = std::filesystem::path(path).stem().string();
    model::Kyokumen k;
    k.Copy(holder.kifu.Start()->kyokumen);
    if (bridge::position_load(p.pos, k) != 0) continue;
    // Without the strongest piece of its hand the attacker has, as a rule, no
    // mate left: a search that must refute every check.
    const int attacker = k.teban;
    for (int t = 7; t >= 1 && !p.has_short_handed; --t) {
      if (k.mochigoma[attacker][t] == 0) continue;
      --k.mochigoma[attacker][t];
      ++k.mochigoma[1 - attacker][t];
      p.has_short_handed = bridge::position_load(p.short_handed, k) == 0;
    }
    set.push_back(p);
  }
  return set;
}

const std::vector<BenchProblem>& problem_set() {
  static const std::vector<BenchProblem> set = load_set();
  return set;
}

// Solves the problems [first, last) once per iteration.
void solve_range(benchmark::State& state, size_t first, size_t last) {
  const auto& set = problem_set();
  tsume::ktsume_alloc_default();
  uint64_t nodes = 0;
  int plies = 0;
  for (auto _ : state) {
    for (size_t i = first; i < last && i < set.size(); ++i) {
      const board::KMove* line = nullptr;
      int length = 0;
      benchmark::DoNotOptimize(tsume::ktsume_solve(set[i].pos, &line, &length, 600000, -1));
      // Every node of the solve: the proof, the tree walk and its re-proofs.
      nodes += tsume::ktsume_instance()->node_count;
      plies = length;
    }
  }
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  state.counters["plies"] = plies;
  tsume::ktsume_free();
}

void BM_TsumeProblem(benchmark::State& state) {
  const size_t i = static_cast<size_t>(state.range(0));
  if (i < problem_set().size()) state.SetLabel(problem_set()[i].name);
  solve_range(state, i, i + 1);
}
BENCHMARK(BM_TsumeProblem)->DenseRange(0, 48)->Unit(benchmark::kMillisecond);

void BM_TsumeWholeSet(benchmark::State& state) { solve_range(state, 0, problem_set().size()); }
BENCHMARK(BM_TsumeWholeSet)->Unit(benchmark::kMillisecond);

// The problems without the strongest piece of the attacker's hand, each search
// held to the argument's node count: nodes per second of searches that mostly
// end in "no mate" (counted apart from the ones that still mate or stay
// undecided).
void BM_TsumeNoMate(benchmark::State& state) {
  const auto node_limit = static_cast<int32_t>(state.range(0));
  const auto& set = problem_set();
  tsume::ktsume_alloc_default();
  uint64_t nodes = 0;
  int results[8] = {};
  for (auto _ : state) {
    for (const BenchProblem& p : set) {
      if (!p.has_short_handed) continue;
      const board::KMove* line = nullptr;
      int length = 0;
      const int r = static_cast<int>(tsume::ktsume_solve(p.short_handed, &line, &length, 600000, node_limit));
      ++results[r & 7];
      nodes += tsume::ktsume_instance()->node_count;
    }
  }
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  state.counters["no_mate"] = benchmark::Counter(results[2], benchmark::Counter::kAvgIterations);
  state.counters["mate"] = benchmark::Counter(results[0], benchmark::Counter::kAvgIterations);
  state.counters["undecided"] = benchmark::Counter(results[1], benchmark::Counter::kAvgIterations);
  tsume::ktsume_free();
}
BENCHMARK(BM_TsumeNoMate)->Arg(200000)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
