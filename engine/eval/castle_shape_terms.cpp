#include "engine/eval/castle_shape_terms.h"

#include "engine/eval/castle_shape_body.h"

namespace eval {

void castle_shape_terms(PositionTerms& t) { castle_shape_body(t); }

}  // namespace eval
