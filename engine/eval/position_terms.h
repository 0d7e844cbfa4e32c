// What the term groups of the full evaluation share while eval_position runs:
// the position and the arguments of the call, the record, and the per-side sums
// the groups add to. The first groups (exposed golds, promoted and advanced
// pawns, the king neighbourhood) add to `attack` and `defence`, which go into the
// record's attack_extra and defence_extra once the king-neighbourhood group is
// done; the placement groups add to `material`, which goes into material_extra
// at the end. The placement groups also leave here what later groups read: the
// rook files and the active-rook mark (rook group), each side's working silver,
// silver flags and over-advance counter (silver and gold groups).
#pragma once

#include <cstdint>

#include "engine/board/eval_record.h"
#include "engine/board/position.h"
#include "engine/eval/own_view.h"
#include "engine/eval/silver_choice.h"  // the silver flags

namespace eval {

struct PositionTerms {
  PositionTerms(const board::KPosition& position, int examined_square, const board::KMove& last_move,
                board::KEvalRecord& rec)
      : p(position), square(examined_square), last(last_move), record(rec),
        king{king_square(position, 0), king_square(position, 1)} {}

  const board::KPosition& p;
  int square;               // a board square the placement groups examine; 0 none
  const board::KMove& last; // the move that led here; from 253 is a pass
  board::KEvalRecord& record;
  const int king[2];        // each side's king square, 0 when not on the board (read once)
  int32_t attack[2] = {0, 0};
  int32_t defence[2] = {0, 0};
  int32_t material[2] = {0, 0};

  // Noted by the rook group: the file of a rook of each side on the board (0
  // none; the higher-numbered rook when a side has both), and whether some rook
  // is promoted or stands in its enemy's camp.
  int rook_file[2] = {0, 0};
  bool active_rook = false;
  // Written by the silver group: each side's working silver (its square, 0
  // none) and silver flags (kSilverAdvanced, kSilverAdvancedKingSide,
  // kSilverHomeKingSide); the silver and gold groups add to the over-advance
  // counters.
  int working_silver[2] = {0, 0};
  int silver_flags[2] = {0, 0};
  int32_t advance[2] = {0, 0};
  // Set by a group whose terms would differ had the last move been a pass
  // instead (or the other way round): the terms the evaluation adds then hold
  // for this pass flag only.
  bool pass_matters = false;
};

}  // namespace eval
