// The 16-bit move of the node table: the origin as a board index (or 81 + kind
// for a drop), the destination as a direction code of the mover's class (or,
// for a drop, as a board index), and the promotion.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace tsume {

// Board index 0..80 of a square: (file - 1) x 9 + (rank - 1).
inline int square_index(int sq) { return (board::square_file(sq) - 1) * 9 + board::square_rank(sq) - 1; }
inline int index_square(int index) { return board::square_of(index / 9 + 1, index % 9 + 1); }

// The node coding of an engine move (0 for a pass or a displacement that the
// mover's class cannot make).
uint16_t tsume_move_encode(const board::KMove& m);

// The engine move of a node move on the position, for the side to move; false
// when the code names no piece of the side to move or no square.
bool tsume_move_decode(const board::KPosition& p, uint16_t code, board::KMove& out);

// As tsume_move_decode, and false also for a destination holding an own piece,
// an impossible promotion or non-promotion, a drop of a piece not in hand or
// onto an occupied square, a move that the pieces cannot make, or one that
// leaves the mover's king attacked.
bool tsume_move_decode_checked(board::KPosition& p, uint16_t code, board::KMove& out);

// The packed 32-bit engine move word of the main search.
inline uint32_t pack_move_word(const board::KMove& m) {
  if (m.from == board::kInHand) return board::kInHand | uint32_t{m.to} << 8 | uint32_t{m.code} << 16;
  return uint32_t{m.from} | uint32_t{m.to} << 8 | uint32_t{m.code} << 16 | uint32_t{m.captured_code} << 23 |
         uint32_t{m.promote != 0} << 30;
}

}  // namespace tsume
