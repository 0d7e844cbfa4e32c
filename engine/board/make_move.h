// Making and taking back moves on the engine position. do_move and undo_move
// keep every derived table (attack records, pawn files, promoted-pawn lists,
// non-pawn hand counts) up to date incrementally; the light pair touches only the
// board, the piece table, the hands and the pawn-file bookkeeping.
#pragma once

#include "engine/board/position.h"

namespace board {

// What of the per-ply square table a make keeps (do_move's flag).
constexpr int kPlyTableOff = 0;
// The change counters and the capture list.
constexpr int kPlyTableCounted = 1;
// The capture list only, for a move whose next ply reads no change counter
// (only the stage generators of a full-width node read them, not the
// quiescence search): the counters of the layer stay 0.
constexpr int kPlyTableListOnly = 2;

// Makes the move (no legality test). With the flag set it also keeps the
// per-ply square table: the layer of the current search-ply counter gets (with
// kPlyTableCounted) the change of each side's attacks per square, and, for a
// capture, the list of the squares that the capture left weaker for the
// capturer (any other move, a drop or a pass included, leaves the list empty).
// The search-ply counter goes up by one. A pass (from 253) changes nothing else
// but the side to move.
void do_move(KPosition& p, const KMove& m, int flag);

// Takes back the move last made, given the same record and flag; the search-ply
// counter goes down first, and the change counters of that layer return to what
// they were before the move (its list is left as it is). The attack records
// come back from what do_move kept of them when the move was made on the same
// position at the same ply; otherwise they are worked out again.
void undo_move(KPosition& p, const KMove& m, int flag);

// The board, piece table, hands, pawn files and non-pawn hand counts only (no
// attack records, promoted-pawn lists or search-ply counter); a pass flips the
// side.
void make_move_light(KPosition& p, const KMove& m);
void unmake_move_light(KPosition& p, const KMove& m);

}  // namespace board
