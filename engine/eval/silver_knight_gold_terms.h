// The placement groups of the full evaluation that follow the pawn group, in the
// order eval_position runs them; each adds to a side's placement sum
// (t.material). They read the rook files the rook group noted.
//
// - Working silver: of each side's unpromoted silvers the one that matters most
//   for the castle (the farthest from the king, or by where it stands against the
//   king and the rook) is valued by the side's root placement table; a lone
//   silver may take the file-and-rank bonus instead. When the examined square of
//   the call is that silver's, it is also valued by its best escape from a pawn
//   dropped in front of it. Silvers that left the own camp count toward
//   over-advance and set the silver flags.
// - Knights on rank 5 or on their third rank: a knight an enemy pawn can attack,
//   and the own pawns beside it.
// - A bishop drop: the side to move holds a bishop and an enemy rook stands on
//   the side's (3,3), a square the side does not attack.
// - Silver drops: a gold whose side squares behind it are open to a silver drop
//   forking it with the own rook.
// - Advanced kings: a king that left its camp gains by its pawns (and, deeper,
//   rooks and bishops) in hand and costs the other side by that side's
//   defenders; a king on its second rank by the edge with a thin corner.
// - Golds: a gold doubled behind another general, a back-rank gold while the
//   silvers are advanced, an advanced gold (over-advance), an undefended gold
//   beside an edge king.
// - Over-advance: silvers and golds far forward beyond a limit.
//
// Nothing is measured from a king that is not on the board.
#pragma once

#include "engine/eval/position_terms.h"

namespace eval {

// Chooses the working silvers, sets the silver flags and adds the silver values.
void working_silver_terms(PositionTerms& t);

void knight_terms(PositionTerms& t);

// Reads the silver flags; adds to the over-advance counters.
void gold_terms(PositionTerms& t);

void over_advance_terms(PositionTerms& t);

// Every group listed at the top, in order (the bishop drop, the silver drops
// and the advanced kings run only here).
void silver_knight_gold_terms(PositionTerms& t);

}  // namespace eval
