// The exchange scoring of single moves (the node search's ordering pass
// above the horizon): every legal move of fixed middle-game positions (the
// even game after 40 to 60 random legal plies from fixed seeds), scored one
// at a time from the position's evaluation record; time per move.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "bench/game_positions.h"
#include "engine/board/eval_record.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/move_rules.h"
#include "engine/board/ply_table.h"
#include "engine/board/think_board.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/progress.h"
#include "engine/eval/root_modes.h"
#include "engine/search/exchange_score.h"
#include "engine/search/position_features.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

constexpr size_t kPositions = 8;

struct Scored {
  board::KPosition position;
  board::KEvalRecord record;
  std::vector<board::KMove> moves;
};

std::vector<Scored> scored_positions() {
  std::vector<Scored> v;
  static board::KMove engine_moves[board::kMaxMoves];
  for (const model::Kyokumen& k : bench::middle_games(kPositions)) {
    Scored s{};
    bridge::position_load(s.position, k);
    const int n = board::gen_all_moves(s.position, engine_moves);
    s.moves.assign(engine_moves, engine_moves + n);
    v.push_back(s);
  }
  return v;
}

void BM_EvalSashiteExchange(benchmark::State& state) {
  std::vector<Scored> set = scored_positions();
  const int32_t codes[2] = {0, 0};
  uint64_t scored = 0;
  const auto pool = std::make_unique<search::ExchangePool>();
  for (auto _ : state) {
    for (Scored& s : set) {
      state.PauseTiming();
      board::think_board.generator_words.game_stage = eval::progress_estimate(s.position);
      eval::eval_root_prepare(s.position, codes, 0);
      eval::eval_setup_stage(s.position, board::think_board.generator_words.game_stage, codes);
      board::pos_table_init();
      s.record = board::KEvalRecord{};
      search::position_features(s.position, s.record);
      state.ResumeTiming();
      for (const board::KMove& m : s.moves) {
        benchmark::DoNotOptimize(search::eval_sashite_exchange(*pool, s.position, m, s.record));
      }
      scored += s.moves.size();
    }
  }
  state.counters["moves/s"] = benchmark::Counter(static_cast<double>(scored), benchmark::Counter::kIsRate);
  state.counters["s/move"] = benchmark::Counter(static_cast<double>(scored),
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EvalSashiteExchange)->Unit(benchmark::kMillisecond);

}  // namespace
