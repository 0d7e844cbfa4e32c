// The depth-selected generator at levels 0 (captures), 1 (checks), 3 and 5 on
// fixed middle-game positions (seeded random games from the even start and
// three handicaps, sampled from ply 30 to ply 90), at game stage 1 with the
// accept word off and no searched moves. Reported: calls and moves written
// per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "bench/game_positions.h"
#include "engine/board/exchange_values.h"
#include "engine/board/move_rules.h"
#include "engine/board/ply_table.h"
#include "engine/board/think_board.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/eval_tables.h"
#include "engine/search/depth_gen/gen_by_depth.h"
#include "engine/search/depth_gen/gen_stamp.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

using board::KMove;
using board::KPosition;

const std::vector<KPosition>& positions() { return bench::handicap_game_positions(); }

void BM_GenByDepth(benchmark::State& state) {
  static board::KExchangeWeights block;
  eval::stage_tables_init(1, block);
  board::eval_links.eval_stage_tables = &block;
  board::think_board.generator_words.game_stage = 1;
  board::think_board.generator_words.threat_word = 0;
  board::pos_table_init();
  const auto stamp = std::make_unique<search::KGenStamp>();
  search::sashite_gen_stamp_init(*stamp);
  const int level = static_cast<int>(state.range(0));
  const KMove history[2] = {board::pass_move(), board::pass_move()};
  const search::KSearchedSet none{};
  KMove out[board::kMaxMoves];
  int64_t moves = 0, calls = 0;
  for (auto _ : state) {
    for (const KPosition& p : positions()) {
      moves += search::sashite_gen_by_depth(*stamp, p, &history[1], level, 0, none, out);
      ++calls;
    }
    benchmark::DoNotOptimize(out);
  }
  state.counters["moves_per_s"] = benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kIsRate);
  state.counters["calls_per_s"] = benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_GenByDepth)->Arg(0)->Arg(1)->Arg(3)->Arg(5)->Unit(benchmark::kMicrosecond);
