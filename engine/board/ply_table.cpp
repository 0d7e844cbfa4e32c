#include "engine/board/ply_table.h"

namespace board {

void pos_table_init() {
  for (int layer = 0; layer < kPlyLayers; ++layer) {
    for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
      if (!is_playing_square(sq)) continue;
      KPlySquare& r = ply_record(layer, sq);
      r.change[0] = r.change[1] = 0;
      r.square = static_cast<uint8_t>(sq);
    }
  }
  think_board.ply_table.search_ply_counter = 0;
}

void ply_list_unlink(int layer, int sq) {
  KPlySquare& r = ply_record(layer, sq);
  if (r.prev != 0) ply_record(layer, static_cast<int>(r.prev)).next = r.next;
  if (r.next != 0) ply_record(layer, static_cast<int>(r.next)).prev = r.prev;
  if (think_board.ply_table.ply_list_head[layer] == static_cast<uint32_t>(sq)) think_board.ply_table.ply_list_head[layer] = r.prev;
}

}  // namespace board
