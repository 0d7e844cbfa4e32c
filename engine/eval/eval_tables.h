// Building the evaluation's parameter blocks: the weight object for a playing
// style, the stage block for a game stage, and the stage curve block.
#pragma once

#include <cstdint>

#include "engine/board/exchange_values.h"
#include "engine/eval/eval_weights.h"

namespace eval {

// The stage curves, their length word and the score words computed beside them.
// Every word holds kNotComputed until it is written.
struct KStageCurves {
  int32_t curve[3][9];
  int32_t length;
  int32_t score[26];
};
static_assert(sizeof(KStageCurves) == 54 * 4);

constexpr int32_t kNotComputed = -99999;

// The process-wide blocks, built on the computer thread before a think.
extern KEvalWeights eval_weight_block;
extern board::KExchangeWeights eval_stage_block;
extern KStageCurves stage_curves;
// The style's four phase thresholds, stored by eval_tables_init.
extern int32_t style_phase_thresholds[4];

// Builds the whole weight object for the style word (its root block is left to
// the root preparation) and sets ready to 1.
void eval_tables_init(KEvalWeights& w, int32_t style_word);

// Fills the stage block for game stage 0, 1 or 2 (a stage outside that range is
// taken as the nearest one).
void stage_tables_init(int stage, board::KExchangeWeights& block);

// Writes the three stored curves and the length word; the score words stay.
void stage_curves_copy(KStageCurves& block);

}  // namespace eval
