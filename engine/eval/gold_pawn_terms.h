// The first two term groups of the full evaluation.
//
// Exposed golds: a gold in its owner's three ranks that no piece defends (or
// only a rook or bishop does) and that an enemy could reach from the side or
// from behind costs its owner a part of its king-relative value.
//
// Promoted and advanced pawns: a promoted pawn that attacks, or can safely step
// to a square that attacks, an enemy king, rook, bishop, gold or silver; and a
// pawn in the enemy half whose square ahead is worth much near the enemy king,
// charged to the enemy's defence and credited to the pawn's side, more when that
// side has pieces in hand to follow up.
#pragma once

#include "engine/eval/position_terms.h"

namespace eval {

// Adds the exposed-gold penalties to t.defence.
void exposed_gold_terms(PositionTerms& t);

// Adds the promoted-pawn and advanced-pawn terms to t.attack and t.defence.
void pawn_threat_terms(PositionTerms& t);

}  // namespace eval
