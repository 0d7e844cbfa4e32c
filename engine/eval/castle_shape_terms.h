// The last placement group of the full evaluation: small corrections for known
// castle and opening shapes, chosen by the root globals (each side's strategy
// code and the yagura flag). Every rule is written for sente on squares of its
// own view; gote applies it to the squares turned by 180 degrees, with one
// exception in the yagura rows (a silver on (3,6) with a knight on (3,7) earns
// gote a bonus that sente does not get).
//
// Nothing applies while some rook is promoted or stands in its enemy's camp, or
// while a side has no rook of its own on the board (the rook group notes both).
// Otherwise:
// - general rows, always;
// - without the yagura flag: the code-6 rows when neither side plays a ranging
//   code (5, 7, 8); else the rows of a ranging side against the other side
//   (sente's ranging code taking precedence);
// - with the yagura flag: the yagura rows for both sides.
#pragma once

#include "engine/eval/position_terms.h"

namespace eval {

// Adds the corrections to t.material; reads t.rook_file, t.active_rook and
// t.working_silver.
void castle_shape_terms(PositionTerms& t);

}  // namespace eval
