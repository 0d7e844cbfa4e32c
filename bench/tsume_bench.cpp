// The mate solver over the problem set of the tests and the longer problems
// of tests/data/tsume_long: each problem as
// `velkora mate` solves it (a 256 MB table, the default budget for shorter
// mates), the whole set at once, each problem with its length shown to be the
// shortest (no budget), positions without mate, and a long problem from a file
// named by the environment (VELKORA_LONG_MATE_FILE, with VELKORA_LONG_MATE_MB
// and VELKORA_LONG_MATE_SECONDS), run once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/game_positions.h"
#include "engine/bridge/position_bridge.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "model/position/perft.h"

namespace {

constexpr uint64_t kTableKb = 262144;  // what `velkora mate` takes unless told otherwise
constexpr uint32_t kSolveMs = 600000;

struct BenchProblem {
  std::string name;
  board::KPosition pos;
  board::KPosition short_handed;  // the attacker's strongest piece in hand given to the defender
  bool has_short_handed = false;
};

bool load_position(const std::string& path, model::Kyokumen& k) {
  const std::optional<model::Kyokumen> start = bench::record_position(path);
  if (!start) return false;
  k.Copy(*start);
  return true;
}

std::vector<BenchProblem> load_set() {
  std::vector<std::string> paths;
  // The tests' problems and the ones too long for the tests (seconds each).
  for (const char* folder : {"/tsume", "/tsume_long"}) {
    for (const auto& e : std::filesystem::directory_iterator(std::string(VELKORA_TEST_DATA) + folder)) {
      if (e.path().extension() == ".kif") paths.push_back(e.path().string());
    }
  }
  std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    return std::filesystem::path(a).filename() < std::filesystem::path(b).filename();
  });
  std::vector<BenchProblem> set;
  for (const std::string& path : paths) {
    BenchProblem p;
    p.name = std::filesystem::path(path).stem().string();
    model::Kyokumen k;
    if (!load_position(path, k) || bridge::position_load(p.pos, k) != 0) continue;
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

// Solves the problems [first, last) once per iteration, the shorter-mate
// searches held to `budget` (0 the default, below 0 none).
void solve_range(benchmark::State& state, size_t first, size_t last, int64_t budget) {
  const auto& set = problem_set();
  tsume::ktsume_alloc(kTableKb);
  tsume::KTsumeEngine* e = tsume::ktsume_instance();
  e->shortest_budget = budget;
  uint64_t nodes = 0;
  int plies = 0, shown = 0;
  for (auto _ : state) {
    shown = 0;
    for (size_t i = first; i < last && i < set.size(); ++i) {
      const board::KMove* line = nullptr;
      int length = 0;
      benchmark::DoNotOptimize(tsume::ktsume_solve(set[i].pos, &line, &length, kSolveMs, -1));
      // Every node of the solve: the proof, the tree walk and the searches
      // for shorter mates.
      nodes += e->node_count;
      plies = length;
      shown += e->line_shortest ? 1 : 0;
    }
  }
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  state.counters["nodes"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kAvgIterations);
  state.counters["plies"] = plies;
  state.counters["shortest_shown"] = shown;
  tsume::ktsume_free();
}

void BM_TsumeWholeSet(benchmark::State& state) { solve_range(state, 0, problem_set().size(), 0); }
BENCHMARK(BM_TsumeWholeSet)->Unit(benchmark::kMillisecond);

// One benchmark per problem: as solved by default, and with its length shown
// to be the shortest.
const bool kRegistered = [] {
  const auto& set = problem_set();
  for (size_t i = 0; i < set.size(); ++i) {
    benchmark::RegisterBenchmark(("BM_TsumeProblem/" + set[i].name).c_str(),
                                 [i](benchmark::State& s) { solve_range(s, i, i + 1, 0); })
        ->Unit(benchmark::kMillisecond);
  }
  for (size_t i = 0; i < set.size(); ++i) {
    benchmark::RegisterBenchmark(("BM_TsumeShortestShown/" + set[i].name).c_str(),
                                 [i](benchmark::State& s) { solve_range(s, i, i + 1, -1); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  }
  return true;
}();

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
      const int r = static_cast<int>(tsume::ktsume_solve(p.short_handed, &line, &length, kSolveMs, node_limit));
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

// Plays the line on the game model: every move legal, every attacker's move
// a check; `mated` when the defender has no legal answer at the end.
bool plays_legally(model::Kyokumen k, const board::KMove* line, int length, bool& mated) {
  const int attacker = k.teban;
  for (int i = 0; i < length; ++i) {
    model::Sashite s;
    if (bridge::kmove_to_sashite(s, k, line[i]) != 0) return false;
    const int mover = k.teban;
    if (!k.DoSashite(s) || !model::is_legal_result(k, s, mover)) return false;
    if (mover == attacker && !k.IsOute(1 - attacker)) return false;
  }
  mated = !k.HasLegalMove();
  return true;
}

long env_number(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::strtol(v, nullptr, 10) : fallback;
}

// A long problem from a file, solved once with a large table: whether it
// mates, the line's length, whether the line plays legally and ends in mate
// (legal, mated: 1 or 0), and the nodes per second.
void BM_TsumeLongFile(benchmark::State& state) {
  const char* path = std::getenv("VELKORA_LONG_MATE_FILE");
  model::Kyokumen k;
  board::KPosition p;
  if (path == nullptr || !load_position(path, k) || bridge::position_load(p, k) != 0) {
    state.SkipWithError("set VELKORA_LONG_MATE_FILE to a record of a mate problem");
    return;
  }
  const uint64_t kb = static_cast<uint64_t>(env_number("VELKORA_LONG_MATE_MB", 4096)) * 1024;
  const auto ms = static_cast<uint32_t>(env_number("VELKORA_LONG_MATE_SECONDS", 600) * 1000);
  if (tsume::ktsume_alloc(kb) != 1) {
    state.SkipWithError("no memory for the table");
    return;
  }
  int result = 0, length = 0;
  const board::KMove* line = nullptr;
  for (auto _ : state) result = static_cast<int>(tsume::ktsume_solve(p, &line, &length, ms, -1));
  bool mated = false;
  const bool legal = result == 0 && plays_legally(k, line, length, mated);
  const tsume::KTsumeEngine* e = tsume::ktsume_instance();
  state.counters["result"] = result;
  state.counters["plies"] = length;
  state.counters["legal"] = legal ? 1 : 0;
  state.counters["mated"] = mated ? 1 : 0;
  state.counters["shortest_shown"] = e->line_shortest ? 1 : 0;
  state.counters["nodes"] = static_cast<double>(e->last_node_count);
  state.counters["nodes/s"] = e->last_seconds > 0 ? e->last_node_count / e->last_seconds : 0;
  tsume::ktsume_free();
}
BENCHMARK(BM_TsumeLongFile)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
