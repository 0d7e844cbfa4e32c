// Static exchange evaluation per call on fixed middle-game positions: seeded
// random games from the even start and three handicaps, sampled from ply 40 to
// ply 80. Each call is one capture by the side to move (the cheapest attacker
// of every enemy piece it attacks) or one drop of a piece in hand on an empty
// square. The king-relative model runs on the stage-1 block, the strategy
// model and the drop value on the stage-0 block (without a strategy table).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/board/exchange_eval.h"
#include "engine/board/exchange_values.h"
#include "engine/board/kiki.h"
#include "engine/board/move_rules.h"
#include "engine/board/think_board.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_tables.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

struct Capture {
  int position;
  int code;  // of the piece taken
  int square;
  int first;
};

struct Drop {
  int position;
  int kind;
  int square;
};

struct BenchSet {
  std::vector<board::KPosition> positions;
  std::vector<Capture> captures;
  std::vector<Drop> drops;
};

constexpr int kFirstPly = 40;
constexpr int kLastPly = 80;
constexpr int kSampleEvery = 5;

void add_position(BenchSet& set, const board::KPosition& p) {
  const int index = static_cast<int>(set.positions.size());
  set.positions.push_back(p);
  const int s = p.teban;
  for (int sq = board::kFirstSquare; sq <= board::kLastSquare; ++sq) {
    if (!board::is_playing_square(sq)) continue;
    if (board::holds_piece_of(p, 1 - s, sq) && board::square_attack_count(p, s, sq) > 0) {
      set.captures.push_back({index, p.piece[p.board[sq]].code, sq, board::kiki_nth64(p, s, sq, 0)});
    }
    if (p.board[sq] != board::kEmptyNumber) continue;
    for (int kind = board::kRook; kind <= board::kPawn; ++kind) {
      if (p.hand[s][kind] > 0) set.drops.push_back({index, kind, sq});
    }
  }
}

const BenchSet& bench_set() {
  static const BenchSet set = [] {
    BenchSet out;
    std::mt19937 rng(20240607);
    for (int32_t h : {model::kHirate, model::kKakuOchi, model::kHishaOchi, model::kNimaiOchi}) {
      model::Kyokumen k;
      k.Init(h);
      for (int ply = 0; ply <= kLastPly; ++ply) {
        model::Sashite moves[model::kMaxSashite];
        const int n = model::legal_moves(k, moves);
        if (n == 0) break;
        if (ply >= kFirstPly && ply % kSampleEvery == 0) {
          board::KPosition p;
          if (bridge::position_load(p, k) == 0) add_position(out, p);
        }
        k.DoSashite(moves[rng() % n]);
      }
    }
    return out;
  }();
  return set;
}

void use_stage(int stage) {
  eval::stage_tables_init(stage, eval::eval_setup.eval_stage_block);
  board::eval_links.eval_stage_tables = &eval::eval_setup.eval_stage_block;
  board::think_board.generator_words.game_stage = stage;
}

template <int (*Exchange)(const board::KPosition&, int, int, int, int, int*)>
void run_captures(benchmark::State& state, int stage) {
  const BenchSet& set = bench_set();
  use_stage(stage);
  int64_t calls = 0;
  for (auto _ : state) {
    for (const Capture& c : set.captures) {
      const board::KPosition& p = set.positions[c.position];
      int first = 0;
      benchmark::DoNotOptimize(Exchange(p, p.teban, c.code, c.square, c.first, &first));
      benchmark::DoNotOptimize(first);
    }
    calls += static_cast<int64_t>(set.captures.size());
  }
  state.SetItemsProcessed(calls);
  state.counters["positions"] = static_cast<double>(set.positions.size());
  state.counters["per_call_ns"] = benchmark::Counter(static_cast<double>(calls),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ExchangeEval(benchmark::State& state) { run_captures<board::exchange_eval>(state, 1); }
void BM_ExchangeEvalPos(benchmark::State& state) { run_captures<board::exchange_eval_pos>(state, 0); }

void BM_KomaPutValue(benchmark::State& state) {
  const BenchSet& set = bench_set();
  use_stage(0);
  int64_t calls = 0;
  for (auto _ : state) {
    for (const Drop& d : set.drops) {
      const board::KPosition& p = set.positions[d.position];
      int before = 0;
      benchmark::DoNotOptimize(board::koma_put_value(p, p.teban, d.kind, d.square, &before));
    }
    calls += static_cast<int64_t>(set.drops.size());
  }
  state.SetItemsProcessed(calls);
  state.counters["per_call_ns"] = benchmark::Counter(static_cast<double>(calls),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_ExchangeEval)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExchangeEvalPos)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_KomaPutValue)->Unit(benchmark::kMicrosecond);
