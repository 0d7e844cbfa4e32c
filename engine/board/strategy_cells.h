// The strategy square table as the board's move tests read it: for each side,
// layer and square, the bonus of a piece standing there. The evaluation owns and
// fills the table and makes it current; until it does, every bonus reads 0.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace board {

constexpr int kSenkeiLayers = 9;

struct KSenkeiTable {
  uint32_t fill_count;
  int32_t cell[2][kSenkeiLayers][kKikiSquares];  // by side, layer and square - 20
};

// Written by the evaluation's set-up (engine/eval/): the table in use; null when
// none is.
extern const KSenkeiTable* senkei_current;

// The layer of a piece code (side bits ignored): rook 0, bishop 1, gold and the
// gold-moving promoted pieces 2, silver 3, knight 4, lance 5, pawn 6, king 7,
// dragon and horse 8; -1 for any other code.
int senkei_layer_of(int code);

// The current table's bonus for a piece of the side with the code on the
// square; 0 without a table or for a code without a layer.
int senkei_cell(int side, int code, int sq);

}  // namespace board
