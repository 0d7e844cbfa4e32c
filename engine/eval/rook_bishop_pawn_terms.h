// The first placement groups of the full evaluation: rooks, bishops and the
// pawns of files 2-8, each adding to its owner's placement sum (t.material).
//
// Rooks: every rook's file is noted per owner, and a promoted rook or one in the
// enemy camp sets the active-rook mark (the later groups read both); such a rook
// scores nothing here, as the king-line terms already value it. Every other rook
// is valued by how far its forward line reaches and what ends it, a chance to
// break through into the enemy camp (which also adds to the record's
// attack_extra at once), what blocks it, its room along its rank, and a few
// shapes of the rook's file, the king and the pawns.
//
// Bishops: the better of the two forward diagonals, by the rank where it ends
// and the enemy piece ending it (or the piece behind a pawn ending it), less the
// curve's length word when an own pawn stands behind the bishop on its file.
//
// Pawns of files 2-8: by rank, whether the square ahead is free and whether the
// pawn is defended; a large value counts half unless an own silver, gold or
// knight backs the pawn.
#pragma once

#include "engine/eval/position_terms.h"

namespace eval {

// Notes the rook files and the active-rook mark, and adds the rook terms.
void rook_placement_terms(PositionTerms& t);

void bishop_placement_terms(PositionTerms& t);

void pawn_placement_terms(PositionTerms& t);

}  // namespace eval
