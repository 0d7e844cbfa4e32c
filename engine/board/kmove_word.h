// KMoveWord: the engine move packed into 32 bits, as principal variations, the
// transposition table and learning records keep it: from | to << 8 | piece code
// << 16 | captured code << 23 | promote << 30. A drop has the from-square 252
// and neither capture nor promotion; the word 253 alone is no move (a pass).
#pragma once

#include <cstdint>

#include "engine/board/engine_codes.h"

namespace board {

using KMoveWord = uint32_t;

constexpr KMoveWord kNoMoveWord = kPassSquare;

// A board move; `promote` counts as a flag.
constexpr KMoveWord kmove_pack(int from, int to, int code, int captured_code, int promote) {
  return static_cast<KMoveWord>(from) | static_cast<KMoveWord>(to) << 8 | static_cast<KMoveWord>(code) << 16 |
         static_cast<KMoveWord>(captured_code) << 23 | (promote ? 1u : 0u) << 30;
}
// A drop of the piece `code` (side bit and kind) onto `to`.
constexpr KMoveWord kmove_drop(int to, int code) {
  return kInHand | static_cast<KMoveWord>(to) << 8 | static_cast<KMoveWord>(code) << 16;
}

constexpr int kmove_from(KMoveWord w) { return static_cast<int>(w & 0xFF); }
constexpr int kmove_to(KMoveWord w) { return static_cast<int>((w >> 8) & 0xFF); }
// The mover's code before the move (for a drop: side bit and kind).
constexpr int kmove_piece(KMoveWord w) { return static_cast<int>((w >> 16) & 0x7F); }
constexpr int kmove_captured(KMoveWord w) { return static_cast<int>((w >> 23) & 0x7F); }
constexpr bool kmove_promotes(KMoveWord w) { return ((w >> 30) & 3) != 0; }
constexpr bool kmove_is_drop(KMoveWord w) { return kmove_from(w) == kInHand; }

}  // namespace board
