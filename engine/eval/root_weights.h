// The per-game part of the weight object (its root block): the curve blended by
// how far the pieces still stand from their home squares, each side's silver
// placement table adjusted to the position and the strategy codes, and the two
// pawn-behind rows. Squares in the rules are named from sente's side; gote's
// are the same squares turned by 180 degrees.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/eval/eval_weights.h"

namespace eval {

// Fills the root block of `w` for the position and the two sides' strategy
// codes: the blended curve, both placement tables (then adjusted) and the rows.
// The style word is not read.
void eval_weights_root_adjust(KEvalWeights& w, const board::KPosition& p, const int32_t codes[2],
                              int32_t style_word);

// The blended curve for home distance d: the home curve at 0, the developed
// curve from 16 on, each entry and the length truncated in between.
void root_curve_blend(KEvalRootBlock& root, int32_t d);

// Adjusts both sides' placement tables to the position: the golds that have
// advanced, the ranging-rook rule of the flagged codes and the castle bonuses.
void eval_root_table_adjust(KEvalWeights& w, const board::KPosition& p, const int32_t codes[2]);

// Multiplies the side's 81 entries by num / den, truncating toward zero.
void root_table_scale(KEvalWeights& w, int side, int num, int den);
// Writes -30 on every file of the side's own-view ranks 1 .. limit_rank.
void root_table_fill(KEvalWeights& w, int side, int limit_rank);

// True when side v's king stands on file 6 or 7 and its pawn on 3六 (its own view).
bool piece_square_test(const board::KPosition& p, int v);

// The side's pawn-behind row at board rank 1..9 (0 for any other rank); gote's
// row is sente's reversed, so a square and its turned square read one value.
int32_t eval_root_row(int side, int rank);

}  // namespace eval
