#include "engine/board/target_list.h"

#include <bit>

#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"

namespace board {

uint32_t target_list_head(uint32_t ply) {
  const int layer = target_list_layer(ply);
  return layer < 0 ? 0 : think_board.ply_table.ply_list_head[layer];
}

int target_list_has(int sq) {
  bool found = false;
  target_list_walk([&](int t) { found = found || t == sq; });
  return found ? 1 : 0;
}

namespace {

// The tail of the layer's list (the record whose previous-link is 0), 0 when the
// list is empty.
int list_tail(int layer) {
  uint32_t sq = think_board.ply_table.ply_list_head[layer];
  for (int n = 0; sq != 0 && n < kKikiSquares; ++n) {
    const uint32_t prev = ply_record(layer, static_cast<int>(sq)).prev;
    if (prev == 0) return static_cast<int>(sq);
    sq = prev;
  }
  return 0;
}

// Appends the square behind the tail; on an empty list it becomes the head.
void list_append(int layer, int sq) {
  KPlySquare& r = ply_record(layer, sq);
  r.prev = 0;
  const int tail = list_tail(layer);
  if (tail == 0) {
    r.next = 0;
    think_board.ply_table.ply_list_head[layer] = static_cast<uint32_t>(sq);
    return;
  }
  ply_record(layer, tail).prev = static_cast<uint32_t>(sq);
  r.next = static_cast<uint32_t>(tail);
}

}  // namespace

void target_list_extend(const KPosition& p, int q) {
  const int layer = target_list_layer(think_board.ply_table.search_ply_counter);
  if (layer < 0 || !is_playing_square(q)) return;
  const int s = p.teban;
  const KKiki& k = kiki_at(p, q);
  // Sliders are numbered below 32, so their direct bits are in the low word.
  for (uint32_t sliders = k.direct[s][0] & k.line[s]; sliders != 0;) {
    const int n = 31 - std::countl_zero(sliders);
    sliders &= ~(1u << n);
    const int u = line_direction(p.piece[n].sq, q);
    if (u == 0) continue;
    for (int t = q + u; is_playing_square(t) && !holds_piece_of(p, s, t); t += u) {
      if (!target_list_has(t)) list_append(layer, t);
      if (p.board[t] != kEmptyNumber) break;  // the first enemy piece
    }
  }
}

}  // namespace board
