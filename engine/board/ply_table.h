// The per-ply square table: for each search ply and playing square, how each
// side's attacks on the square changed with the move made at that ply, and a
// list of the squares that the ply's capture left weaker for the capturer (the
// target list that the stage generators of the next ply read). Make keeps it
// when called with its flag set; unmake puts the change counters back. The
// table is think_board.ply_table (think_board.h).
#pragma once

#include <cassert>
#include <cstdint>

#include "engine/board/position.h"
#include "engine/board/think_board.h"

namespace board {


// The record of a playing square in a layer below kPlyLayers (checked in debug builds).
inline KPlySquare& ply_record(int layer, int sq) {
  assert(layer >= 0 && layer < kPlyLayers);
  assert(is_playing_square(sq));
  return think_board.ply_table.ply_squares[layer][sq - kFirstSquare];
}

// Clears every layer's change counters, writes each record's square and sets the
// search-ply counter to 0. Records of non-playing squares are not touched.
void pos_table_init();

// Puts the square's record at the head of the layer's list. (Inline: make
// pushes every square a capture's mover stops attacking.)
inline void ply_list_push(int layer, int sq) {
  KPlySquare& r = ply_record(layer, sq);
  const uint32_t head = think_board.ply_table.ply_list_head[layer];
  r.prev = head;
  if (head != 0) ply_record(layer, static_cast<int>(head)).next = static_cast<uint32_t>(sq);
  r.next = 0;
  think_board.ply_table.ply_list_head[layer] = static_cast<uint32_t>(sq);
}
// Takes the square's record out of the layer's list (it must be on it).
void ply_list_unlink(int layer, int sq);

}  // namespace board
