// TEMPORARY stand-in of the full static evaluation until it lands in
// engine/eval (king_lines.h, eval_position.h): the two completions only mark
// the record done, so a record scores its incremental (material, placement and
// hand) terms alone. Delete this file and its .cpp when the real ones arrive.
#pragma once

#include "engine/board/position.h"
#include "engine/board/search_words.h"

namespace eval {

void eval_king_kiki(const board::KPosition& p, board::KEvalRecord& r);
void eval_position(const board::KPosition& p, int square, const board::KMove& last, board::KEvalRecord& r);

}  // namespace eval
