// Building the evaluation's parameter blocks: the weight object for a playing
// style, the stage block for a game stage, and the stage curve block.
#pragma once

#include <cstdint>

#include "engine/board/exchange_values.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_weights.h"

namespace eval {

// The blocks the engine evaluates with live in its set-up (eval_setup.h).

// Builds the whole weight object for the style word (its root block is left to
// the root preparation) and sets ready to 1.
void eval_tables_init(KEvalWeights& w, int32_t style_word);

// Fills the stage block for game stage 0, 1 or 2 (a stage outside that range is
// taken as the nearest one).
void stage_tables_init(int stage, board::KExchangeWeights& block);

// Writes the three stored curves and the length word; the score words stay.
void stage_curves_copy(KStageCurves& block);

}  // namespace eval
