// The move-by-move update of the evaluation record, per move, on fixed
// middle-game positions (the even game after 40 to 60 random legal plies from
// fixed seeds): king moves, which walk the piece list, and all other moves.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/board/eval_record.h"
#include "engine/board/make_move.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/eval_diff.h"
#include "engine/eval/root_modes.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

// A position with one move already made on it.
struct MadeMove {
  board::KPosition after;
  board::KMove move;
};

struct MoveSets {
  std::vector<MadeMove> king, other;
};

constexpr size_t kMaxPerSet = 64;  // keeps the positions in cache, as in a search
constexpr size_t kPerPosition = 4;

const MoveSets& move_sets() {
  static const MoveSets sets = [] {
    MoveSets out;
    model::Kyokumen start;
    start.Init(model::kHirate);
    board::KPosition p;
    bridge::position_load(p, start);
    const int32_t codes[2] = {1, 1};
    eval::eval_root_prepare(p, codes, 0x800);
    static model::Sashite moves[model::kMaxSashite];
    for (uint32_t seed = 1; out.king.size() < kMaxPerSet || out.other.size() < kMaxPerSet; ++seed) {
      std::mt19937 rng(seed);
      model::Kyokumen k;
      k.Copy(start);
      const int plies = 40 + static_cast<int>(seed % 21);
      bool ended = false;
      for (int ply = 0; ply < plies && !ended; ++ply) {
        const int n = model::legal_moves(k, moves);
        ended = n == 0 || !k.DoSashite(moves[rng() % n]);
      }
      if (ended || bridge::position_load(p, k) != 0) continue;
      // A few moves of each kind per position, so the sets span positions.
      const int n = model::legal_moves(k, moves);
      std::shuffle(moves, moves + n, rng);
      size_t taken[2] = {0, 0};
      for (int i = 0; i < n; ++i) {
        MadeMove made{p, {}};
        if (bridge::sashite_to_kmove(made.move, p, moves[i]) != 0) continue;
        board::do_move(made.after, made.move, 0);
        const bool king = made.move.from != board::kInHand && board::code_kind(made.move.code) == board::kKing;
        std::vector<MadeMove>& set = king ? out.king : out.other;
        if (set.size() < kMaxPerSet && taken[king]++ < kPerPosition) set.push_back(made);
      }
    }
    return out;
  }();
  return sets;
}

void run(benchmark::State& state, const std::vector<MadeMove>& set) {
  board::KEvalRecord parent{}, child{};
  size_t i = 0;
  for (auto _ : state) {
    const MadeMove& m = set[i];
    eval::eval_sashite_diff(m.move, m.after, parent, child);
    benchmark::DoNotOptimize(child);
    i = i + 1 == set.size() ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EvalSashiteDiffKing(benchmark::State& state) { run(state, move_sets().king); }
void BM_EvalSashiteDiffOther(benchmark::State& state) { run(state, move_sets().other); }

}  // namespace

BENCHMARK(BM_EvalSashiteDiffKing);
BENCHMARK(BM_EvalSashiteDiffOther);
