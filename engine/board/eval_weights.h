// The evaluation's two parameter blocks as the engine reads them: the weight
// object (per-count and material values, the king-relative square tables, a few
// curves and the per-game root block) and the stage block (the values that
// depend on the game stage, read by the exchange evaluator). The evaluation in
// engine/eval builds both and points the two pointers at its blocks; the board's
// exchange evaluator and generators only read them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/board/position.h"

namespace board {

constexpr int kKingSquares = 81;     // king and piece squares: (rank - 1) x 9 + (file - 1)
constexpr int kKingRelClasses = 13;  // 0-5 around the own king, 6-12 around the enemy king
constexpr int kCountRows = 8;        // king, rook, bishop, gold, silver, knight, lance, pawn
constexpr int kCountEntries = 18;    // by how many pieces of the kind are already counted
constexpr int kPieceCodes = 24;      // piece kind codes 0..23 (promoted = kind + 16)
constexpr int kOffsetClasses = 6;    // gold, silver, knight, lance, pawn, horse
constexpr int kOffsetEntries = 273;  // square offsets -136..136, index offset + 136

// The per-game part of the weight object, written by the root preparation.
struct KEvalRootBlock {
  int32_t curve[9];                      // the blended curve
  int32_t curve_length;                  // and its length word
  int32_t root_square[2][kKikiSquares];  // per side, by square - 20
  int32_t row[2][9];                     // two rows taken from one stored row, the second reversed
};

struct KEvalWeights {
  int32_t ready;  // 0 until the tables are built
  int32_t count_value[kCountRows][kCountEntries];
  int32_t count_split[kCountRows][kCountEntries][2];
  int32_t piece_value[kPieceCodes];
  // [king square][class][square], both squares in sente's board coordinates.
  int16_t king_rel[kKingSquares][kKingRelClasses][kKingSquares];
  int32_t distance_weight[9];
  int32_t count_curve[19];
  int32_t rank_bonus[2][kKikiSquares];  // per side, by square - 20
  KEvalRootBlock root;
  int32_t count_curve_b[20];
};

struct KEvalStageTables {
  uint16_t offset_value_a[kOffsetClasses][kOffsetEntries];  // around the own king
  uint16_t offset_value_b[kOffsetClasses][kOffsetEntries];  // around the other king
  int32_t count_value[kCountRows - 1][kCountEntries];       // rook .. pawn
  int32_t count_prefix[kCountRows - 1][kCountEntries];      // entry n: sum of entries 0..n-1
  int32_t piece_value[kPieceCodes];
};

static_assert(offsetof(KEvalWeights, count_value) == 4);
static_assert(offsetof(KEvalWeights, king_rel) == 4 * (1 + 8 * 18 * 3 + 24));
static_assert(sizeof(KEvalStageTables) == 2 * 2 * 6 * 273 + 4 * (2 * 7 * 18 + 24));

// The blocks the evaluation reads; null until the evaluation's set-up points them.
extern const KEvalWeights* eval_weights;
extern const KEvalStageTables* eval_stage_tables;

}  // namespace board
