// The stored base values of the strategy square tables: for each base row (one
// per strategy that has one), variant and layer, a 9 x 9 block written as a
// board diagram seen by sente (rank 1 at the top, file 9 at the left).
#pragma once

#include <cstdint>

#include "engine/board/strategy_cells.h"

namespace eval {

constexpr int kSenkeiBaseRows = 22;
constexpr int kSenkeiVariants = 3;

struct KSenkeiBaseTable {
  int32_t block[kSenkeiBaseRows][kSenkeiVariants][board::kSenkeiLayers][81];
};

extern const KSenkeiBaseTable senkei_base_table;

// The base value of (row, variant, layer) for sente's piece on (file, rank):
// the block's entry at diagram row rank - 1, column 9 - file. The arguments must
// be in range.
inline int32_t senkei_base_cell(int row, int variant, int layer, int file, int rank) {
  return senkei_base_table.block[row][variant][layer][(rank - 1) * 9 + (9 - file)];
}

}  // namespace eval
