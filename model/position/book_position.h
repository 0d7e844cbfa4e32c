// BookPosition: a position packed into 45 bytes as seen from the side to move,
// the key of opening-book entries.
#pragma once

#include <cstdint>

namespace model {

struct BookPosition {
  // Forty piece slots grouped by kind: 0-1 kings, 2-3 rooks, 4-5 bishops,
  // 6-9 golds, 10-13 silvers, 14-17 knights, 18-21 lances, 22-39 pawns. Bit 7
  // marks a piece of the side not to move; the low seven bits give its place
  // (10 x (rank - 1) + (file - 1) on the board, 89 - 10 x type in hand); 0xFF is
  // an empty slot.
  uint8_t slot[40];
  // Bit s % 8 of byte s / 8: slot s holds a promoted piece.
  uint8_t promoted[5];

  bool operator==(const BookPosition&) const = default;
};

static_assert(sizeof(BookPosition) == 45, "book files store the key as 45 bytes");

}  // namespace model
