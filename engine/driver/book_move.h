// BookMove: the eight-byte move record that every opening-book source and book
// file shares, with the packing of its first word. Squares are seen from the
// mover's side (turned 180 degrees when gote moves), like BookPosition.
#pragma once

#include <cstdint>

namespace driver {

struct BookMove {
  // Bits 0-7 from: (rank-1)*11 + (file-1) on the board, (kind-1)*11 + 9 for a
  // drop of hand kind 1 rook, 2 bishop, 3 gold, 4 silver, 5 knight, 6 lance,
  // 7 pawn; bits 8-14 to; bit 15 promote; bits 16-31 the value 0..15.
  uint32_t code;
  // The strategy (senkei) bits of the move, matched against a selection mask.
  uint32_t senkei;

  bool operator==(const BookMove&) const = default;
};

static_assert(sizeof(BookMove) == 8, "book files store moves as two 32-bit words");

// Book files keep a position's move count in one byte, so no position holds more.
constexpr int kMaxBookPositionMoves = 255;
// The highest value a move can carry (an index into the weight table).
constexpr int kMaxBookValue = 15;
// The from file that a drop decodes to.
constexpr int kBookDropFile = 11;

// The part of the code that names the move: two moves are the same move when
// these 16 bits are equal; 0 is the empty move.
constexpr uint32_t book_move_id(uint32_t code) { return code & 0xFFFF; }
constexpr int book_move_value(uint32_t code) { return static_cast<int>(code >> 16); }
constexpr uint32_t book_code_with_value(uint32_t code, int value) {
  return book_move_id(code) | static_cast<uint32_t>(value) << 16;
}

// Writes from, to and promote of a game-record move into `code`, leaving the
// value bits as they are. Files and ranks are in the board's own orientation;
// a from file outside 1..9 marks a drop whose from rank is the hand kind 1..7.
// When `gote` is set the board squares are turned to the mover's view.
// 0, or -1 (nothing written) for a square off the board or a hand kind outside
// 1..7.
int book_code_encode(uint32_t* code, bool gote, int from_x, int from_y, int to_x, int to_y, int promote);

// The move of `code` in the mover's view: board squares as file and rank 1..9,
// a drop as from file 11 with the hand kind as from rank. -1 for a word that
// does not decode (a drop of kind above 8, a file or rank above 9), else 0.
// Every output may be null.
int book_code_decode(uint32_t code, int* from_x, int* from_y, int* to_x, int* to_y, int* promote);

// True for a move that a book may hold: it decodes, a drop is of kind 1..7
// without promotion, a board move goes somewhere (from differs from to, so the
// empty move is not one), and the value is at most 15. Files are checked with
// this before they load, and books refuse anything else.
bool book_move_is_sound(const BookMove& m);

}  // namespace driver
