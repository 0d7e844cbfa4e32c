#include "engine/eval/rook_bishop_pawn_terms.h"

#include "engine/eval/rook_bishop_pawn_body.h"

namespace eval {

void rook_placement_terms(PositionTerms& t) { rook_placement_body(t); }
void bishop_placement_terms(PositionTerms& t) { bishop_placement_body(t); }
void pawn_placement_terms(PositionTerms& t) { pawn_placement_body(t); }

}  // namespace eval
