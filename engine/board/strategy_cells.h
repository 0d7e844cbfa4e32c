// The strategy square table as the engine reads it: for each side, layer and
// square, the bonus of a piece standing there. The evaluation in engine/eval
// owns the process-wide table, fills it before every think and makes it
// current; until it does, every bonus reads 0.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board/eval_links.h"
#include "engine/board/position.h"

namespace board {

constexpr int kSenkeiLayers = 9;

struct KSenkeiTable {
  uint32_t fill_count;  // fills since the table was made
  int32_t cell[2][kSenkeiLayers][kKikiSquares];  // by side, layer and square - 20
};

static_assert(sizeof(KSenkeiTable) == 4 + 4 * 2 * 9 * 137);

// The table in use is eval_links.senkei_current (eval_links.h); null when none is.

// The layer of a piece code (side bits ignored): rook 0, bishop 1, gold and the
// gold-moving promoted pieces 2, silver 3, knight 4, lance 5, pawn 6, king 7,
// dragon and horse 8; -1 for any other code.
constexpr int senkei_layer_of(int code) {
  switch (code_class(code)) {
    case kRook: return 0;
    case kBishop: return 1;
    case kGold:
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin: return 2;
    case kSilver: return 3;
    case kKnight: return 4;
    case kLance: return 5;
    case kPawn: return 6;
    case kKing: return 7;
    case kDragon:
    case kHorse: return 8;
    default: return -1;
  }
}

// The strategy layer of each code class below 32 (senkei_layer_of), as a table
// for the readers that weigh every piece they meet.
inline constexpr std::array<int8_t, 32> kSenkeiLayerOfClass = [] {
  std::array<int8_t, 32> t{};
  for (int cls = 0; cls < 32; ++cls) t[cls] = static_cast<int8_t>(senkei_layer_of(cls));
  return t;
}();

// The current table's bonus in `layer` (-1: none) for the side on the board
// square sq; 0 without a table.
inline int senkei_layer_cell(int side, int layer, int sq) {
  const KSenkeiTable* t = eval_links.senkei_current;
  if (t == nullptr || layer < 0) return 0;
  return t->cell[side][layer][sq - kFirstSquare];
}

// The current table's bonus for a piece of the side with the code on the
// square; 0 without a table, off the board or for a code without a layer.
// (Inline: the exchange scoring and the evaluation read it for most pieces
// they look at.)
inline int senkei_cell(int side, int code, int sq) {
  return is_playing_square(sq) ? senkei_layer_cell(side, senkei_layer_of(code), sq) : 0;
}

}  // namespace board
