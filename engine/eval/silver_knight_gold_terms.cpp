#include "engine/eval/silver_knight_gold_terms.h"

#include "engine/eval/silver_knight_gold_body.h"

namespace eval {

// Each group alone, for the tests and the term bench; the full evaluation
// runs them through silver_knight_gold_body.
void working_silver_terms(PositionTerms& t) { silver_knight_gold_detail::add_working_silver(t); }
void knight_terms(PositionTerms& t) { silver_knight_gold_detail::add_knights(t); }
void bishop_drop_terms(PositionTerms& t) { silver_knight_gold_detail::add_bishop_drop(t); }
void silver_drop_terms(PositionTerms& t) { silver_knight_gold_detail::add_silver_drops(t); }
void advanced_king_terms(PositionTerms& t) { silver_knight_gold_detail::add_advanced_kings(t); }
void gold_terms(PositionTerms& t) { silver_knight_gold_detail::add_golds(t); }
void over_advance_terms(PositionTerms& t) { silver_knight_gold_detail::add_over_advance(t); }

void silver_knight_gold_terms(PositionTerms& t) { silver_knight_gold_body(t); }

}  // namespace eval
