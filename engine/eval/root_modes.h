// Preparing the evaluation for a game and for each think: the weight object
// rebuilt for the playing style with its per-game root block, the strategy
// codes and yagura flag that the evaluation and the strategy builders read, the
// strategy square table refilled and fitted to the position, and the stage
// block of the current game stage. Each also points the readers (eval_weights,
// and the board's board::eval_links.king_rel_table, board::eval_links.eval_stage_tables and
// board::eval_links.senkei_current) at the engine's blocks.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace eval {

// Rebuilds the weight object for the style word and then runs eval_root_modes
// with the two sides' strategy codes (sente's first).
void eval_root_prepare(const board::KPosition& p, const int32_t codes[2], int32_t style_word);

// Stores the codes and the yagura flag in the root globals first (the builders
// read the opponent's code), then fills the weight object's root block,
// refills the strategy square table for the codes and runs the dispatcher.
void eval_root_modes(const board::KPosition& p, const int32_t codes[2], int32_t style_word);

// 1 when either side plays 居矢倉 (code 1), else 0.
int32_t eval_codes_yagura(const board::KPosition& p, const int32_t codes[2]);

// Makes the engine's strategy square table current and builds the stage block
// and the stage curves for game stage 0, 1 or 2.
void eval_setup_stage(const board::KPosition& p, int stage, const int32_t codes[2]);

}  // namespace eval
