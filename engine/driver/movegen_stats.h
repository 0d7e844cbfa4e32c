// The developer's move-generation statistics: the engine's generators and move
// operations timed on the record's current position, in processor cycles
// (platform/cycle_counter.h). Each measurement is calibrated against the cost
// of an empty measurement; a run repeats the measured call 1000 times.
// They run while no job uses the engine's tables (they set up the evaluation
// as a think does) and restore the game-stage word.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/board/position.h"
#include "engine/driver/comp_job.h"
#include "model/position/kyokumen.h"
#include "model/position/sashite.h"

namespace driver {

// The generator a statistics run times.
enum MovegenMode : int {
  kModeOpening = 0,  // 序, 中, 終: the depth-selected generator at stage 0, 1, 2
  kModeMiddle = 1,
  kModeEnd = 2,
  kModeAll = 3,         // every move
  kModeChecks = 4,      // 王手
  kModeMateInOne = 5,   // 1手詰
  kModeFrontDrops = 6,  // Eff: drops in front of the enemy king
  kModeCount = 7,
};

constexpr int kTimedRuns = 1000;

// Why a statistics run measured nothing.
constexpr int kStatsNoLine = -1;  // the line does not load (or the move is not one of the position)
// The side to move could capture the enemy king: no game reaches such a
// position, and the evaluation and the move ordering have no hand for a king.
constexpr int kStatsKingCapturable = -2;

// Average and minimum cycles of a run.
struct CyclePair {
  uint64_t average = 0;
  uint64_t minimum = 0;
};

struct MovegenStatsMove {
  model::Sashite sashite;  // squares and promotion only (kmove_to_sashite_raw)
  int16_t order = 0;       // the ordering score
  int32_t exchange = 0;    // the exchange search's score
};

struct MovegenStats {
  int generated = 0;  // all moves, the evasions in check
  int legal = 0;      // of those, the moves that leave the mover's king unattacked
  CyclePair cycles;
  std::vector<MovegenStatsMove> moves;  // the generated moves in ordering order
};

// Times the generator of `mode` with `depth` remaining plies on the position
// after the job cursor's current move. 0 (a position without moves gives
// zero counts, the generator's cycles and an empty list), or kStatsNoLine or
// kStatsKingCapturable (nothing measured).
int movegen_stats(CompJob& job, int mode, int depth, MovegenStats& out);

struct MovegenDetail {
  CyclePair make;           // do_move
  CyclePair unmake;         // undo_move
  CyclePair soma_j;         // exchange on the destination, strategy values (a drop: its put value at stage 0)
  CyclePair soma_s;         // the same with piece values (a drop: at stage 2)
  int32_t values[16] = {};  // the evaluated values: [0], [1] soma-j and its first balance, [2], [3] soma-s
};

// Times making, taking back and the exchange evaluations of `move` on the
// position after the job cursor's current move. 0, kStatsNoLine when the line
// does not load or the move is not one the side to move can make there, or
// kStatsKingCapturable.
int movegen_stats_detail(CompJob& job, const model::Sashite& move, MovegenDetail& out);

// The game-model move of an engine move generated on `k`, as the move list
// shows it: the squares (a drop from the hand of the mover, who is k's side
// to move) and the promote flag, without the pieces, which the view fills in.
// The bridge's one conversion of move words. 0, or -1 with an empty move for
// a pass.
int kmove_to_sashite_raw(model::Sashite& out, const model::Kyokumen& k, const board::KMove& m);

}  // namespace driver
