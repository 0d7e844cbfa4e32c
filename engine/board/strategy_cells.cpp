#include "engine/board/strategy_cells.h"

namespace board {

KSenkeiTable* senkei_current = nullptr;

int senkei_layer_of(int code) {
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

int senkei_cell(int side, int code, int sq) {
  const int layer = senkei_layer_of(code);
  if (senkei_current == nullptr || layer < 0 || !is_playing_square(sq)) return 0;
  return senkei_current->cell[side][layer][sq - kFirstSquare];
}

}  // namespace board
