// The target list of a ply: the squares that the opponent's last capture left
// weaker for it, as make recorded them in the per-ply square table (the list of
// the layer below the ply, built by the move that led to the ply). The stage
// generators ask whether a square is on it, and may extend it with the squares
// behind a listed square on the lines of the side to move's own sliders.
#pragma once

#include <cstdint>

#include "engine/board/ply_table.h"
#include "engine/board/position.h"

namespace board {

// The layer holding ply `ply`'s target list: ply - 1, or -1 when the ply has no
// list (ply 0, where no move led to it, and plies past the table's layers).
constexpr int target_list_layer(uint32_t ply) {
  return ply >= 1 && ply <= static_cast<uint32_t>(kPlyLayers) ? static_cast<int>(ply) - 1 : -1;
}

// The head square of ply `ply`'s target list, 0 when the list is empty or the
// ply has none.
uint32_t target_list_head(uint32_t ply);

// Calls visit(square) for each square of the current ply's target list (the ply
// of the search-ply counter), from the head over the previous-links. The walk
// visits at most one record per playing square, so even a damaged list ends.
template <class Visit>
void target_list_walk(Visit&& visit) {
  const int layer = target_list_layer(think_board.ply_table.search_ply_counter);
  if (layer < 0) return;
  uint32_t sq = think_board.ply_table.ply_list_head[layer];
  for (int n = 0; sq != 0 && n < kKikiSquares; ++n) {
    visit(static_cast<int>(sq));
    sq = ply_record(layer, static_cast<int>(sq)).prev;
  }
}

// 1 when the square is on the current ply's target list, else 0 (0 also when
// the ply has no list or it is empty).
int target_list_has(int sq);

// Extends the current ply's target list from square q: for each slider of the
// side to move that attacks q directly (its bit in both the direct set and the
// line set of q), walks on from q away from the slider, stopping before a piece
// of the side to move or the edge and after the first enemy piece, and appends
// each square not yet on the list at the far end (the tail, the record whose
// previous-link is 0). On an empty list the first square appended becomes the
// list. Nothing happens when the ply has no list layer.
void target_list_extend(const KPosition& p, int q);

}  // namespace board
