// Engine make + unmake: every legal move of a fixed set of game positions (the
// even game and the handicaps, each followed by a seeded random game), made and
// taken back. Argument 0 runs without the per-ply square table, 1 with it.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/ply_table.h"
#include "engine/bridge/position_bridge.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

struct BenchPosition {
  board::KPosition pos;
  std::vector<board::KMove> moves;
};

constexpr int kGamePlies = 120;
constexpr int kSampleEvery = 6;

const std::vector<BenchPosition>& bench_positions() {
  static const std::vector<BenchPosition> set = [] {
    std::vector<BenchPosition> out;
    std::mt19937 rng(12345);
    for (int32_t h : {model::kHirate, model::kKakuOchi, model::kNimaiOchi, model::kRokumaiOchi}) {
      model::Kyokumen k;
      k.Init(h);
      for (int ply = 0; ply < kGamePlies; ++ply) {
        model::Sashite moves[model::kMaxSashite];
        const std::vector<model::Sashite> legal(moves, moves + model::legal_moves(k, moves));
        if (legal.empty()) break;
        if (ply % kSampleEvery == 0) {
          BenchPosition b;
          bridge::position_load(b.pos, k);
          for (const model::Sashite& m : legal) {
            board::KMove km;
            if (bridge::sashite_to_kmove(km, b.pos, m) == 0) b.moves.push_back(km);
          }
          out.push_back(b);
        }
        k.DoSashite(legal[rng() % legal.size()]);
      }
    }
    return out;
  }();
  return set;
}

void BM_MakeUnmake(benchmark::State& state) {
  const int flag = static_cast<int>(state.range(0));
  std::vector<BenchPosition> set = bench_positions();
  board::pos_table_init();
  int64_t pairs = 0;
  for (auto _ : state) {
    for (BenchPosition& b : set) {
      for (const board::KMove& m : b.moves) {
        board::do_move(b.pos, m, flag);
        board::undo_move(b.pos, m, flag);
      }
      pairs += static_cast<int64_t>(b.moves.size());
    }
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(pairs);
  state.counters["positions"] = static_cast<double>(set.size());
}

}  // namespace

BENCHMARK(BM_MakeUnmake)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
