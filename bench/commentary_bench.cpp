// The post-game review of a random 120-move game whose every computer move
// carries a value and a variation: the review replays the line, and each bad
// move of the player costs up to ten generator calls and two line replays.
// Also the benchmark walk's first two plies, the unit of the speed figure.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/board/position_setup.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/kifu_analyze.h"
#include "engine/driver/speed_benchmark.h"
#include "engine/eval/root_modes.h"
#include "model/position/perft.h"
#include "model/record/kifu.h"

namespace {

constexpr int kPlies = 120;

// A random legal game with falling and rising values and variations that
// start with the move played and go on with random legal moves.
void build_game(model::Kifu& kifu) {
  std::mt19937 rng(11);
  model::KifuKyokumen* at = kifu.Start();
  for (int ply = 0; ply < kPlies; ++ply) {
    model::Kyokumen& k = at->kyokumen;
    model::Sashite all[model::kMaxSashite];
    const int n = k.GenerateAll(all);
    model::KifuSashite* added = nullptr;
    for (int tries = 0; tries < 64 && n > 0 && added == nullptr; ++tries) {
      model::Kyokumen next = k;
      const model::Sashite m = all[rng() % n];
      if (!next.DoSashite(m) || !model::is_legal_result(next, m, k.teban)) continue;
      model::KifuHyouka h;
      h.Reset();
      h.value = static_cast<int32_t>(rng() % 1200) - 600;
      board::KPosition p;
      board::KMove km;
      if (bridge::position_load(p, k) == 0 && bridge::sashite_to_kmove(km, p, m) == 0) {
        h.pv = {board::move_word(km), static_cast<board::KMoveWord>(rng())};
      }
      added = model::Kifu::AddSashiteAtPos(at, m, 0, &h, -1, kifu.table.get(), 1, true);
    }
    if (added == nullptr) return;
    at = added->to;
  }
}

void BM_KifuAnalyze(benchmark::State& state) {
  model::Kifu kifu;
  build_game(kifu);
  board::KPosition p;
  board::pos_set_handicap(p, 0);
  const int32_t codes[2] = {0, 0};
  eval::eval_setup_stage(p, 0, codes);
  eval::eval_root_prepare(p, codes, 0);
  model::KString out;
  driver::CommentaryEnding ending;
  for (auto _ : state) {
    driver::kifu_analyze(static_cast<int>(state.range(0)), kifu.root.get(), out, ending);
    benchmark::DoNotOptimize(out.c_str());
  }
}
BENCHMARK(BM_KifuAnalyze)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BenchmarkWalkTwoPlies(benchmark::State& state) {
  board::KPosition p;
  board::pos_set_handicap(p, 0);
  std::vector<uint8_t> buf(driver::kBenchmarkBufferBytes);
  driver::BenchmarkWords words;
  for (auto _ : state) {
    words.start_ms = words.clock();
    driver::benchmark_walk(words, p, 0, 2, driver::kBenchmarkLimitMs, buf.data(), buf.size());
  }
}
BENCHMARK(BM_BenchmarkWalkTwoPlies)->Unit(benchmark::kMillisecond);

}  // namespace
