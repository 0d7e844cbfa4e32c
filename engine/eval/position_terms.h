// What the term groups of the full evaluation share while eval_position runs:
// the position and the arguments of the call, the record, and the per-side sums
// the groups add to. The first groups (exposed golds, promoted and advanced
// pawns, the king neighbourhood) add to `attack` and `defence`, which go into the
// record's attack_extra and defence_extra once the king-neighbourhood group is
// done; the placement groups add to `material`, which goes into material_extra
// at the end.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/board/search_words.h"

namespace eval {

struct PositionTerms {
  PositionTerms(const board::KPosition& position, int examined_square, const board::KMove& last_move,
                board::KEvalRecord& rec)
      : p(position), square(examined_square), last(last_move), record(rec) {}

  const board::KPosition& p;
  int square;               // a board square the placement groups examine; 0 none
  const board::KMove& last; // the move that led here; from 253 is a pass
  board::KEvalRecord& record;
  int32_t attack[2] = {0, 0};
  int32_t defence[2] = {0, 0};
  int32_t material[2] = {0, 0};
};

}  // namespace eval
