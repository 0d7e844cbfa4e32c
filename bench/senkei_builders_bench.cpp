// The strategy square tables at a think's root: the fill and dispatch with each
// strategy's builders (the set-up before every think), and the root-move
// adjustment with its restore (once per root move of every iteration).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/senkei_root_adjust.h"
#include "engine/eval/senkei_table.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

// The codes with a builder or a common builder.
constexpr int32_t kBuiltCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 17, 19, 20, 21};

// The even start and positions a few dozen random moves into a game (fixed seed).
const std::vector<board::KPosition>& positions() {
  static const std::vector<board::KPosition> set = [] {
    std::vector<board::KPosition> out;
    std::mt19937 rng(141);
    for (int game = 0; game < 8; ++game) {
      model::Kyokumen k;
      k.Init(model::kHirate);
      for (int ply = 0; ply < 4 * game; ++ply) {
        model::Sashite moves[model::kMaxSashite];
        const int n = model::legal_moves(k, moves);
        if (n == 0) break;
        k.DoSashite(moves[rng() % n]);
      }
      bridge::position_load(out.emplace_back(), k);
    }
    return out;
  }();
  return set;
}

void BM_SenkeiFillDispatchEveryCode(benchmark::State& state) {
  const std::vector<board::KPosition>& set = positions();
  size_t i = 0;
  for (auto _ : state) {
    const board::KPosition& p = set[i % set.size()];
    const int32_t code = kBuiltCodes[i / set.size() % std::size(kBuiltCodes)];
    const int32_t codes[2] = {code, code};
    eval::eval_setup.root_senkei[0] = eval::eval_setup.root_senkei[1] = code;
    eval::senkei_tables_init(0, codes);
    eval::senkei_dispatch(p, codes);
    benchmark::ClobberMemory();
    ++i;
  }
  state.SetItemsProcessed(static_cast<int64_t>(i));
}

// Every root move of each position for the side to move's code: restore, then
// the update on the position after the move.
void BM_SenkeiRootMoveUpdate(benchmark::State& state) {
  struct RootMove {
    board::KPosition after;
    board::KMove move;
    int32_t code;
  };
  std::vector<RootMove> roots;
  constexpr int32_t kCodes[] = {1, 2, 3, 5, 6, 7, 8};
  int c = 0;
  for (board::KPosition p : positions()) {
    board::KMove moves[board::kMaxMoves];
    const int n = board::gen_all_moves(p, moves);
    const int32_t code = kCodes[c++ % std::size(kCodes)];
    for (int j = 0; j < n; ++j) {
      board::do_move(p, moves[j], 0);
      roots.push_back({p, moves[j], code});
      board::undo_move(p, moves[j], 0);
    }
  }
  const int32_t codes[2] = {3, 3};
  eval::senkei_tables_init(0, codes);
  eval::senkei_dispatch(positions().front(), codes);
  size_t i = 0;
  int64_t fired = 0;
  int mover = 0;  // the side whose cells the last update may have saved
  for (auto _ : state) {
    const RootMove& r = roots[i++ % roots.size()];
    eval::senkei_table_restore(mover);
    mover = r.after.teban ^ 1;
    fired += eval::senkei_table_update(r.after, r.move, 0, r.code) != 0;
  }
  eval::senkei_table_restore(mover);
  state.SetItemsProcessed(static_cast<int64_t>(i));
  state.counters["fired"] = benchmark::Counter(static_cast<double>(fired) / static_cast<double>(i));
}

// A root move that matches a pattern (the boat castle's pawn 37 to 36 from the
// even start): the save of the mover's 729 cells, the change and the restore.
void BM_SenkeiRootMoveSaveRestore(benchmark::State& state) {
  board::KPosition p = positions().front();
  board::KMove moves[board::kMaxMoves];
  const int n = board::gen_all_moves(p, moves);
  const board::KMove* push = std::find_if(moves, moves + n, [](const board::KMove& m) {
    return m.from == board::square_of(3, 7) && m.to == board::square_of(3, 6);
  });
  board::do_move(p, *push, 0);
  const int32_t codes[2] = {5, 5};
  eval::senkei_tables_init(0, codes);
  for (auto _ : state) {
    eval::senkei_table_restore(0);
    benchmark::DoNotOptimize(eval::senkei_table_update(p, *push, 0, 5));
  }
  eval::senkei_table_restore(0);
}

}  // namespace

BENCHMARK(BM_SenkeiFillDispatchEveryCode);
BENCHMARK(BM_SenkeiRootMoveUpdate);
BENCHMARK(BM_SenkeiRootMoveSaveRestore);
