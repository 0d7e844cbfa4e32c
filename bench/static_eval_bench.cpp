// The full evaluation of a node on fixed middle-game positions (the even game
// after 40 to 60 random legal plies from fixed seeds): the whole node as the
// search evaluates it (the record's update for the last move, the king lines
// and the full-board terms), the two full-evaluation routines together, and
// each alone.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/board/eval_record.h"
#include "engine/board/make_move.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/eval_diff.h"
#include "engine/eval/eval_position.h"
#include "engine/eval/root_modes.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

constexpr size_t kPositions = 64;  // keeps them in cache, as in a search

// A position with the move that led to it, made on the engine position.
struct Node {
  board::KPosition p;
  board::KMove last;
};

const std::vector<Node>& nodes() {
  static const std::vector<Node> out = [] {
    std::vector<Node> v;
    model::Kyokumen start;
    start.Init(model::kHirate);
    board::KPosition p;
    bridge::position_load(p, start);
    const int32_t codes[2] = {1, 1};
    eval::eval_root_prepare(p, codes, 0x800);
    eval::eval_setup_stage(p, 1, codes);
    static model::Sashite moves[model::kMaxSashite];
    for (uint32_t seed = 1; v.size() < kPositions; ++seed) {
      std::mt19937 rng(seed);
      model::Kyokumen k;
      k.Copy(start);
      const int plies = 40 + static_cast<int>(seed % 21);
      bool ended = false;
      Node node{};
      for (int ply = 0; ply < plies && !ended; ++ply) {
        const int n = model::legal_moves(k, moves);
        if (n == 0) break;
        const model::Sashite& m = moves[rng() % n];
        const bool last = ply + 1 == plies;
        if (last && (bridge::position_load(node.p, k) != 0 || bridge::sashite_to_kmove(node.last, node.p, m) != 0)) {
          break;
        }
        ended = !k.DoSashite(m);
        if (last && !ended) {
          board::do_move(node.p, node.last, 0);
          v.push_back(node);
        }
      }
    }
    return v;
  }();
  return out;
}

template <typename Evaluate>
void run(benchmark::State& state, Evaluate evaluate) {
  const std::vector<Node>& set = nodes();
  size_t i = 0;
  for (auto _ : state) {
    board::KEvalRecord r{};
    evaluate(set[i], r);
    benchmark::DoNotOptimize(r);
    i = i + 1 == set.size() ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FullEvalNode(benchmark::State& state) {
  const board::KEvalRecord parent{};
  run(state, [&parent](const Node& n, board::KEvalRecord& r) {
    eval::eval_sashite_diff(n.last, n.p, parent, r);
    eval::eval_king_kiki(n.p, r);
    eval::eval_position(n.p, 0, n.last, r);
  });
}
void BM_StaticEvalNode(benchmark::State& state) {
  run(state, [](const Node& n, board::KEvalRecord& r) {
    eval::eval_king_kiki(n.p, r);
    eval::eval_position(n.p, 0, n.last, r);
  });
}
void BM_EvalKingKiki(benchmark::State& state) {
  run(state, [](const Node& n, board::KEvalRecord& r) { eval::eval_king_kiki(n.p, r); });
}
void BM_EvalPosition(benchmark::State& state) {
  run(state, [](const Node& n, board::KEvalRecord& r) { eval::eval_position(n.p, 0, n.last, r); });
}

}  // namespace

BENCHMARK(BM_FullEvalNode);
BENCHMARK(BM_StaticEvalNode);
BENCHMARK(BM_EvalKingKiki);
BENCHMARK(BM_EvalPosition);
