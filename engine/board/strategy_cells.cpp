#include "engine/board/strategy_cells.h"

namespace board {

KSenkeiTable* senkei_current = nullptr;

int senkei_cell(int side, int code, int sq) {
  const int layer = senkei_layer_of(code);
  if (senkei_current == nullptr || layer < 0 || !is_playing_square(sq)) return 0;
  return senkei_current->cell[side][layer][sq - kFirstSquare];
}

}  // namespace board
