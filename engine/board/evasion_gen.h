// Answers to a check: the moves of the side to move that take its king out of
// check (captures of the checker, king steps, interpositions), their count, and
// the answers that give check back.
#pragma once

#include "engine/board/move_rules.h"
#include "engine/board/position.h"

namespace board {

// The evasions of the side to move, which must be in check, written into the
// caller's array (room for kMaxMoves): captures of the checker by unpinned
// pieces (promoting version first), king steps onto unattacked squares, and
// against a distant rook, bishop or lance the drops and unpinned moves onto the
// squares between. In double check only king steps. Every move written is legal
// except a pawn drop that would mate. Writes nothing when the side is not in
// check or has no king.
int oute_nige_gen(const KPosition& p, KMove* out);

// Counts the same evasions in the same order without writing them: 1 as soon as
// the count exceeds `limit`, else 0. With limit 0: 1 when the side to move has
// an answer to the check, 0 when it is mated.
int oute_nige_count(const KPosition& p, int limit);

// 1 when an evasion that is no drop exists (a capture of the checker, a king
// step, a piece moved in between), else 0: the walk stops at the first one and
// passes over drops without writing them.
int oute_nige_board_move_exists(const KPosition& p);

// The evasions that also give check, in the order oute_nige_gen lists them.
int gyaku_oute_gen(const KPosition& p, KMove* out);

}  // namespace board
