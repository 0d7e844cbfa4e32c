// For the one-move mate pre-test: which of the enemy king's neighbours a piece
// standing on neighbour i covers. Internal to the mate-in-one finder.
#pragma once

#include <cstdint>

namespace board::detail {

// Neighbour i of the king is the king's step kKingSteps[i] (move_tables.h)
// multiplied by (2 x attacker side - 1), so that bit i of a mask names the same
// neighbour, seen from the attacker, for both sides.

// Masks of neighbours by cover row and neighbour i.
inline constexpr uint8_t kMateCoverTable[10][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 0 none (knight, king)
    {0x92, 0x00, 0x4a, 0x00, 0x29, 0x00, 0xa4, 0x00},  // 1 rook
    {0x00, 0x20, 0x00, 0x80, 0x00, 0x02, 0x00, 0x08},  // 2 bishop
    {0x82, 0x05, 0x0b, 0x14, 0x7c, 0x50, 0xb1, 0x41},  // 3 gold and the gold-moving promoted pieces
    {0x44, 0x00, 0x13, 0x14, 0x44, 0x50, 0x91, 0x00},  // 4 silver
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 5 unused
    {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00},  // 6 lance
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 7 pawn
    {0xd6, 0x8d, 0x5b, 0x36, 0x6d, 0xd8, 0xb5, 0x63},  // 8 dragon
    {0xc6, 0x25, 0x1b, 0x94, 0x6c, 0x52, 0xb1, 0x49},  // 9 horse
};

// The cover row of a move class (kind plus promotion bit).
constexpr int mate_cover_row(int cls) {
  switch (cls) {
    case 1: return 1;
    case 2: return 2;
    case 3: return 3;
    case 4: return 4;
    case 6: return 6;
    case 7: return 7;
    case 17: return 8;
    case 18: return 9;
    case 20: case 21: case 22: case 23: return 3;
    default: return 0;  // knight, king, and codes without pieces
  }
}

}  // namespace board::detail
