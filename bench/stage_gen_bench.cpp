// The targeted, stage and quiet-move generators on fixed middle-game positions
// (seeded random games from the even start and three handicaps, sampled from
// ply 30 to ply 90), at game stage 1 with the threat word off. No move led to
// the positions, so every square counts as changed for the escape and defence
// generators. Generators of one square are asked about each square they apply
// to (own pieces for escapes and piece captures, opponent pieces for the
// others). Reported: moves written per second and calls per second.
#include <benchmark/benchmark.h>

#include <functional>
#include <random>
#include <vector>

#include "bench/game_positions.h"
#include "engine/board/attack_square_gen.h"
#include "engine/board/capture_gen.h"
#include "engine/board/defence_gen.h"
#include "engine/board/escape_gen.h"
#include "engine/board/eval_record.h"
#include "engine/board/exchange_values.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/ply_table.h"
#include "engine/board/quiescence_gen.h"
#include "engine/board/quiet_moves.h"
#include "engine/board/stage_rules.h"
#include "engine/board/tactical_drops.h"
#include "engine/board/think_board.h"
#include "engine/board/threat_moves_gen.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/eval_tables.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace {

using board::KMove;
using board::KPosition;

const std::vector<KPosition>& positions() { return bench::handicap_game_positions(); }

enum Squares { kWhole, kOwnPieces, kEnemyPieces };

// Calls `gen` on every position (and square), counting the moves written.
void run(benchmark::State& state, Squares which, const std::function<int(const KPosition&, int, KMove*)>& gen) {
  static board::KExchangeWeights block;
  eval::stage_tables_init(1, block);
  board::eval_links.eval_stage_tables = &block;
  board::think_board.generator_words.game_stage = 1;
  board::think_board.generator_words.threat_word = 0;
  board::pos_table_init();
  KMove out[board::kMaxMoves];
  int64_t moves = 0, calls = 0;
  for (auto _ : state) {
    for (const KPosition& p : positions()) {
      if (which == kWhole) {
        moves += gen(p, 0, out);
        ++calls;
        continue;
      }
      const int side = which == kOwnPieces ? p.teban : 1 - p.teban;
      for (int sq = board::kFirstSquare; sq <= board::kLastSquare; ++sq) {
        if (!board::is_playing_square(sq) || board::piece_of(p, side, sq) < 0) continue;
        moves += gen(p, sq, out);
        ++calls;
      }
    }
    benchmark::DoNotOptimize(out);
  }
  state.counters["moves_per_s"] = benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kIsRate);
  state.counters["calls_per_s"] = benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate);
}

const KMove kPass = board::pass_move();

void BM_GenAllMoves(benchmark::State& s) {
  run(s, kWhole, [](const KPosition& p, int, KMove* o) { return board::gen_all_moves(p, o); });
}
void BM_GenDropsNearKing(benchmark::State& s) {
  run(s, kWhole, [](const KPosition& p, int, KMove* o) { return board::gen_drops_near_king(p, o); });
}
void BM_GenQuietMoves(benchmark::State& s) {
  run(s, kWhole, [](const KPosition& p, int, KMove* o) { return board::gen_quiet_moves(p, nullptr, 8, o); });
}
void BM_GenTacticalDrops(benchmark::State& s) {
  run(s, kWhole, [](const KPosition& p, int, KMove* o) { return board::gen_tactical_drops(p, kPass, 5, o); });
}
void BM_GenThreatenedEscapes(benchmark::State& s) {
  run(s, kWhole, [](const KPosition& p, int, KMove* o) { return board::gen_threatened_escapes(p, 3, 0, o); });
}
void BM_GenDefences(benchmark::State& s) {
  run(s, kWhole, [](const KPosition& p, int, KMove* o) { return board::gen_defences(p, kPass, 2, o); });
}
void BM_GenKingFrontDrops(benchmark::State& s) {
  run(s, kWhole,
      [](const KPosition& p, int, KMove* o) { return board::gen_king_front_drops(p, board::KEvalRecord{}, 1, o); });
}
void BM_GenThreatMoves(benchmark::State& s) {
  run(s, kWhole, [](const KPosition& p, int, KMove* o) { return board::gen_threat_moves(p, nullptr, 5, o); });
}
void BM_GenEscapeFrom(benchmark::State& s) {
  run(s, kOwnPieces, [](const KPosition& p, int q, KMove* o) { return board::gen_escape_from(p, q, 2, 0, 0, o); });
}
void BM_GenPieceCaptures(benchmark::State& s) {
  run(s, kOwnPieces, [](const KPosition& p, int q, KMove* o) { return board::gen_piece_captures(p, q, o); });
}
void BM_GenAttackSquare(benchmark::State& s) {
  run(s, kEnemyPieces, [](const KPosition& p, int q, KMove* o) { return board::gen_attack_square(p, q, 2, 3, 0, o); });
}
void BM_GenLineBacking(benchmark::State& s) {
  run(s, kEnemyPieces, [](const KPosition& p, int q, KMove* o) { return board::gen_line_backing(p, q, o); });
}
void BM_GenSliderLine(benchmark::State& s) {
  run(s, kEnemyPieces, [](const KPosition& p, int q, KMove* o) { return board::gen_slider_line(p, q, o); });
}
void BM_GenCapturesScored(benchmark::State& s) {
  run(s, kEnemyPieces, [](const KPosition& p, int q, KMove* o) {
    int best = 0;
    return board::gen_captures_scored(p, q, o, &best);
  });
}
void BM_GenCapturesOn(benchmark::State& s) {
  run(s, kEnemyPieces, [](const KPosition& p, int q, KMove* o) { return board::gen_captures_on(p, nullptr, q, 5, o); });
}

}  // namespace

BENCHMARK(BM_GenAllMoves)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenDropsNearKing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenQuietMoves)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenTacticalDrops)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenThreatenedEscapes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenDefences)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenKingFrontDrops)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenThreatMoves)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenEscapeFrom)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenPieceCaptures)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenAttackSquare)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenLineBacking)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenSliderLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenCapturesScored)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenCapturesOn)->Unit(benchmark::kMicrosecond);
