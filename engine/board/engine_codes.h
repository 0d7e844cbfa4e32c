// The engine's piece codes and square numbers. A code holds the kind
// in bits 0-3 (1 rook, 2 bishop, 3 gold, 4 silver, 5 knight, 6 lance, 7 pawn,
// 8 king), 0x10 promoted, 0x20 sente, 0x40 gote. Squares are numbered
// 16 x rank + file + 3, so every step is a fixed integer.
#pragma once

#include <array>
#include <cstdint>

namespace board {

// ---- Squares -------------------------------------------------------------

constexpr int kBoardCells = 176;   // 11 rows of 16 cells
constexpr int kFirstSquare = 20;   // file 1, rank 1
constexpr int kLastSquare = 156;   // file 9, rank 9

constexpr int square_of(int file, int rank) { return 16 * rank + file + 3; }
constexpr int square_file(int sq) { return (sq & 15) - 3; }
constexpr int square_rank(int sq) { return sq >> 4; }
// The 81 squares of the board among the 256 square bytes, as one table: the
// test below runs for nearly every square any generator or term looks at.
inline constexpr std::array<bool, 256> kPlayingSquares = [] {
  std::array<bool, 256> t{};
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) t[sq] = square_file(sq) >= 1 && square_file(sq) <= 9;
  return t;
}();
// True for the 81 squares of the board (never for walls or the markers 252..255).
constexpr bool is_playing_square(int sq) { return static_cast<unsigned>(sq) < 256 && kPlayingSquares[sq]; }

// Square bytes that are not squares.
constexpr uint8_t kInHand = 252;     // also the from-square of a drop
constexpr uint8_t kPassSquare = 253; // from- and to-square of a pass (no move)
constexpr uint8_t kNotInPlay = 255;  // removed by a handicap or absent

// ---- Piece codes ----------------------------------------------------------

enum PieceKind : int {
  kRook = 1,
  kBishop = 2,
  kGold = 3,
  kSilver = 4,
  kKnight = 5,
  kLance = 6,
  kPawn = 7,
  kKing = 8,
  kWallKind = 9,
};

constexpr int kPromotedBit = 0x10;
constexpr int kSenteBit = 0x20;
constexpr int kGoteBit = 0x40;
constexpr int kWallCode = 0x69;          // both side bits: "belongs to s" is true for walls
constexpr int kDragon = kRook | kPromotedBit;    // 17
constexpr int kHorse = kBishop | kPromotedBit;   // 18
constexpr int kTokin = kPawn | kPromotedBit;     // 23

constexpr int side_bit(int side) { return side == 0 ? kSenteBit : kGoteBit; }
// Kind plus promotion: the move class that indexes the move table.
constexpr int code_class(int code) { return code & ~0x60; }
// The unpromoted kind, the kind that goes to the hand.
constexpr int code_kind(int code) { return code & ~0x70; }
// Side of a piece code: 1 when it carries gote's bit, else 0.
constexpr int code_side(int code) { return (code & kGoteBit) ? 1 : 0; }

}  // namespace board
