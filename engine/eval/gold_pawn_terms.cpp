#include "engine/eval/gold_pawn_terms.h"

#include "engine/eval/gold_pawn_body.h"

namespace eval {

void exposed_gold_terms(PositionTerms& t) { exposed_gold_body(t); }
void pawn_threat_terms(PositionTerms& t) { pawn_threat_body(t); }

}  // namespace eval
