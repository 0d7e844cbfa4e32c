#include "engine/eval/silver_knight_gold_terms.h"

#include "engine/eval/silver_knight_gold_body.h"

namespace eval {

// The groups the tests take one at a time; the full evaluation runs every
// group through silver_knight_gold_body.
void working_silver_terms(PositionTerms& t) { silver_knight_gold_detail::add_working_silver(t); }
void knight_terms(PositionTerms& t) { silver_knight_gold_detail::add_knights(t); }
void gold_terms(PositionTerms& t) { silver_knight_gold_detail::add_golds(t); }
void over_advance_terms(PositionTerms& t) { silver_knight_gold_detail::add_over_advance(t); }

void silver_knight_gold_terms(PositionTerms& t) { silver_knight_gold_body(t); }

}  // namespace eval
