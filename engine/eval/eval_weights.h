// The evaluation's weight object: per-count and material values, the
// king-relative square tables, a few curves and the per-game root block. The
// evaluation's set-up builds it and points eval_weights at it; the evaluation,
// and the search's position features, read it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/board/exchange_values.h"
#include "engine/board/position.h"

namespace eval {

// The per-game part of the weight object, written by the root preparation.
struct KEvalRootBlock {
  int32_t curve[9];                             // the blended curve
  int32_t curve_length;                         // and its length word
  int32_t root_square[2][board::kKikiSquares];  // per side, by square - 20
  int32_t row[2][9];                            // two rows taken from one stored row, the second reversed
};

struct KEvalWeights {
  int32_t ready;  // 0 until the tables are built
  int32_t count_value[board::kCountRows][board::kCountEntries];
  int32_t count_split[board::kCountRows][board::kCountEntries][2];
  int32_t piece_value[board::kPieceCodes];
  board::KKingRelTable king_rel;  // also read by the board (board::eval_links.king_rel_table)
  int32_t distance_weight[9];
  int32_t count_curve[19];
  int32_t rank_bonus[2][board::kKikiSquares];  // per side, by square - 20
  KEvalRootBlock root;
  int32_t count_curve_b[20];
};

static_assert(offsetof(KEvalWeights, count_value) == 4);
static_assert(offsetof(KEvalWeights, king_rel) == 4 * (1 + 8 * 18 * 3 + 24));

}  // namespace eval
