// The think's nodes per second on each of the eight middle-game positions (the
// positions of the node-count signature): a think of 3 s a move as a game
// gives it, and a think to a fixed depth whose node count is the same on
// every run and build, so that two builds compare at equal work. Each think
// starts from the signature's state (empty tables of its sizes, the engine's
// random seed, no game history); the fixed-depth think is also run with both
// tables of the size a game gives them. The same fixed-depth think runs on
// positions of a real game (tests/data/think/optimistic.csa), whose last one
// is sharp: there the in-search mate probes take about half of the time.
// Both tables are allocated once for all the benchmarks of the same sizes, as
// a game allocates them once. Counters: nodes per think, nodes per second of
// processor time, and the depth the think reached.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bench/game_positions.h"
#include "engine/board/hash_table.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/think_signature.h"
#include "engine/search/chuban.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"

namespace {

// The think context every think of this file is lent, as the driver lends its own.
const std::unique_ptr<search::ThinkContext> think_context = std::make_unique<search::ThinkContext>();

constexpr size_t kPositions = 8;
constexpr int32_t kMoveMs = 3000;
// The deepest a timed think goes, as the command line's timed think.
constexpr int kTimedDepth = 16;

// The real game's plies the fixed-depth think runs on, and the depth of each:
// the last position's depth-6 think takes some 7.5 million nodes.
struct GamePly {
  int ply;
  int depth;
};
constexpr GamePly kGamePlies[] = {{20, 6}, {28, 6}, {36, 6}, {44, 6}, {48, 5}};

// The table sizes allocated now: a game allocates both tables once for the
// computer thread, and each think starts them empty. Benchmarks of the same
// sizes keep them, so that no think but the first after an allocation waits
// on the kernel's first touch of fresh pages.
struct TableSizes {
  uint32_t table_kb = 0;
  uint64_t mate_kb = 0;
};
TableSizes allocated;

// Both tables of the sizes given, allocated when they are not; false when the
// allocation fails. A fresh allocation is touched once by `warm_up`.
template <typename Think>
bool tables_ready(uint32_t table_kb, uint64_t mate_kb, const Think& warm_up) {
  if (allocated.table_kb == table_kb && allocated.mate_kb == mate_kb) return true;
  allocated = TableSizes{};
  if (board::hash_alloc(table_kb) != 0 || tsume::tsume_alloc(mate_kb) != 1) return false;
  allocated = TableSizes{table_kb, mate_kb};
  warm_up();
  return true;
}

// One think per benchmark iteration on position k: to the depth given, or for
// kMoveMs when that is 0; with the transposition and mate tables of the sizes
// given.
void think_with_tables(benchmark::State& state, const model::Kyokumen& k, int depth, uint32_t table_kb,
                       uint64_t mate_kb) {
  const auto think = [&] {
    board::KPosition p;
    bridge::position_load(p, k);
    driver::think_fresh_state();
    search::KPvHolder line{};
    search::ThinkRequest r;
    r.position = &p;
    r.result = &line;
    if (depth > 0) {
      r.max_depth = depth;
      r.no_time_limit = true;
    } else {
      r.max_depth = kTimedDepth;
      r.time[1] = kMoveMs;
    }
    benchmark::DoNotOptimize(search::Chuban(*think_context, r));
  };
  if (!tables_ready(table_kb, mate_kb, think)) {
    state.SkipWithError("set-up failed");
    return;
  }
  uint64_t nodes = 0;
  int reached = 0;
  for (auto _ : state) {
    think();
    nodes += think_context->node_counter;
    reached = search::think_words.depth.load();
  }
  const double thinks = static_cast<double>(state.iterations());
  state.counters["nodes"] = benchmark::Counter(static_cast<double>(nodes) / thinks);
  state.counters["nps"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
  state.counters["depth"] = benchmark::Counter(reached);
}

const model::Kyokumen& middle_game(const benchmark::State& state) {
  static const std::vector<model::Kyokumen> games = bench::middle_games(kPositions);
  return games.at(static_cast<size_t>(state.range(0)));
}

// Middle-game position state.range(0) to depth state.range(1), with the
// signature's table sizes.
void think_position(benchmark::State& state) {
  think_with_tables(state, middle_game(state), static_cast<int>(state.range(1)), driver::kSignatureTableKb,
                    driver::kSignatureMateKb);
}

// The sizes a game gives both tables on a machine of ample memory: their
// probes then reach far more memory than the signature's, as in play.
void think_position_game_tables(benchmark::State& state) {
  think_with_tables(state, middle_game(state), static_cast<int>(state.range(1)), driver::kMaxTableKb,
                    driver::kMaxTableKb);
}

// The real game's position kGamePlies[state.range(0)], with the game's table sizes.
void think_real_game(benchmark::State& state) {
  const GamePly& g = kGamePlies[state.range(0)];
  state.SetLabel("ply " + std::to_string(g.ply));
  const std::optional<model::Kyokumen> k =
      bench::record_position(std::string(VELKORA_TEST_DATA) + "/think/optimistic.csa", g.ply);
  if (!k) {
    state.SkipWithError("the real game's record cannot be read");
    return;
  }
  think_with_tables(state, *k, g.depth, driver::kMaxTableKb, driver::kMaxTableKb);
}

// 3 s a move: one think per position (the node counts follow the clock).
BENCHMARK(think_position)
    ->Name("BM_ThinkTimed")
    ->ArgsProduct({benchmark::CreateDenseRange(0, kPositions - 1, 1), {0}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Fixed depth: the same nodes on every run.
BENCHMARK(think_position)
    ->Name("BM_ThinkDepth")
    ->ArgsProduct({benchmark::CreateDenseRange(0, kPositions - 1, 1), {6}})
    ->Unit(benchmark::kMillisecond);

// Fixed depth 8, the depth a think of 3 s reaches on these positions: the same
// work on every run and build in the regime of a timed think, where both
// tables fill and their probes wait on memory more than at depth 6.
BENCHMARK(think_position)
    ->Name("BM_ThinkDeep")
    ->ArgsProduct({benchmark::CreateDenseRange(0, kPositions - 1, 1), {8}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Fixed depth with the game's table sizes.
BENCHMARK(think_position_game_tables)
    ->Name("BM_ThinkDepthGameTables")
    ->ArgsProduct({benchmark::CreateDenseRange(0, kPositions - 1, 1), {6}})
    ->Unit(benchmark::kMillisecond);

// Fixed depth on the real game's positions.
BENCHMARK(think_real_game)
    ->Name("BM_ThinkDepthRealGame")
    ->DenseRange(0, std::size(kGamePlies) - 1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
