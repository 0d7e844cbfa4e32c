// The full evaluation of a node on fixed middle-game positions (the even game
// after 40 to 60 random legal plies from fixed seeds): the king lines and the
// full-board terms together, as the search calls them, and each alone.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/board/search_words.h"
#include "engine/driver/position_bridge.h"
#include "engine/eval/eval_position.h"
#include "engine/eval/root_modes.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

constexpr size_t kPositions = 64;  // keeps them in cache, as in a search

const std::vector<board::KPosition>& positions() {
  static const std::vector<board::KPosition> out = [] {
    std::vector<board::KPosition> v;
    model::Kyokumen start;
    start.Init(model::kHirate);
    board::KPosition p;
    driver::position_load(p, start);
    const int32_t codes[2] = {1, 1};
    eval::eval_root_prepare(p, codes, 0x800);
    static model::Sashite moves[model::kMaxSashite];
    for (uint32_t seed = 1; v.size() < kPositions; ++seed) {
      std::mt19937 rng(seed);
      model::Kyokumen k;
      k.Copy(start);
      const int plies = 40 + static_cast<int>(seed % 21);
      bool ended = false;
      for (int ply = 0; ply < plies && !ended; ++ply) {
        const int n = model::legal_moves(k, moves);
        ended = n == 0 || !k.DoSashite(moves[rng() % n]);
      }
      if (!ended && driver::position_load(p, k) == 0) v.push_back(p);
    }
    return v;
  }();
  return out;
}

template <typename Evaluate>
void run(benchmark::State& state, Evaluate evaluate) {
  const std::vector<board::KPosition>& set = positions();
  const board::KMove pass = board::pass_move();
  size_t i = 0;
  for (auto _ : state) {
    board::KEvalRecord r{};
    evaluate(set[i], pass, r);
    benchmark::DoNotOptimize(r);
    i = i + 1 == set.size() ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_StaticEvalNode(benchmark::State& state) {
  run(state, [](const board::KPosition& p, const board::KMove& pass, board::KEvalRecord& r) {
    eval::eval_king_kiki(p, r);
    eval::eval_position(p, 0, pass, r);
  });
}
void BM_EvalKingKiki(benchmark::State& state) {
  run(state, [](const board::KPosition& p, const board::KMove&, board::KEvalRecord& r) { eval::eval_king_kiki(p, r); });
}
void BM_EvalPosition(benchmark::State& state) {
  run(state, [](const board::KPosition& p, const board::KMove& pass, board::KEvalRecord& r) {
    eval::eval_position(p, 0, pass, r);
  });
}

}  // namespace

BENCHMARK(BM_StaticEvalNode);
BENCHMARK(BM_EvalKingKiki);
BENCHMARK(BM_EvalPosition);
