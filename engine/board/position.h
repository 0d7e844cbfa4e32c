// KPosition: the engine's own position. Squares are numbered 16 x rank + file + 3
// so that every step is a fixed integer; the forty pieces are numbered by value
// (a larger number is a cheaper piece); every playing square carries an attack
// record (KKiki) that make and unmake keep up to date. Also the engine move
// record KMove and the small helpers over attack sets. The square numbers and
// piece codes are in engine_codes.h, the packed move words in kmove_word.h.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/board/engine_codes.h"
#include "engine/board/kmove_word.h"

namespace board {

// One attack record per square from the first playing square to the last.
constexpr int kKikiSquares = kLastSquare - kFirstSquare + 1;  // 137 records

// ---- Piece numbers ---------------------------------------------------------

constexpr int kPieceCount = 40;   // numbers 0..39 are the pieces
constexpr int kEmptyNumber = 40;  // the board's empty cell
constexpr int kFirstWall = 41;    // 41..80 are wall cells
constexpr int kPieceEntries = 81;

// First number and count of each kind (index 1..8; index 0 unused).
struct KindRange {
  uint8_t first;
  uint8_t count;
};
inline constexpr KindRange kKindRange[9] = {{0, 0},  {2, 2},  {4, 2},  {6, 4}, {10, 4},
                                            {14, 4}, {18, 4}, {22, 18}, {0, 2}};

// The kind of a piece number 0..39.
constexpr int number_kind(int n) {
  for (int k = kRook; k <= kPawn; ++k) {
    if (n >= kKindRange[k].first && n < kKindRange[k].first + kKindRange[k].count) return k;
  }
  return kKing;
}

// The code a piece out of play carries: sente's king for number 0, otherwise
// gote's code of the kind (the loader's convention).
constexpr uint8_t out_of_play_code(int n) {
  return static_cast<uint8_t>(number_kind(n) | (n == 0 ? kSenteBit : kGoteBit));
}

// ---- Records ----------------------------------------------------------------

// The attack record of one playing square.
struct KKiki {
  int8_t direct_count[2];  // direct attacks of sente / gote
  int8_t xray_count[2];    // x-ray attacks: a slider's attack through pieces of its own side
  uint32_t direct[2][2];   // per side: [0] bit n for pieces 0..31, [1] bit n - 32 for 32..39
  uint32_t xray[2];        // per side: bit n of each slider with an x-ray attack here
  uint32_t line[2];        // per side: bit n of each slider whose ray walk passes here
};

struct KPieceEntry {
  uint8_t sq;    // 20..156 on the board, 252 in a hand, 255 not in play
  uint8_t code;
};

struct KTokinList {
  uint32_t count;
  uint32_t number[18];  // in no order
};

struct KPosition {
  uint8_t teban;                  // side to move: 0 sente, 1 gote
  KPieceEntry piece[kPieceEntries];
  uint8_t hand[2][8];             // count by kind 1..7 (index 0 unused)
  // By kind, from the kind's first number on: the numbers of that kind's pieces
  // in either hand; the one at first + (both hands' count) - 1 is dropped next.
  uint8_t hand_slot[kPieceCount];
  uint8_t board[kBoardCells];     // piece number per cell: 40 empty, 41..80 wall
  KKiki kiki[kKikiSquares];       // indexed by square - 20
  KTokinList tokin[2];            // each side's promoted pawns on the board
  uint8_t pawn_file[2][10];       // square of the side's unpromoted pawn by file 1..9, 0 none
  uint32_t hand_sum[2];           // pieces other than pawns in each side's hand
};

// The engine move.
struct KMove {
  uint8_t from;           // 252 drop, 253 pass or no move
  uint8_t to;             // 253 for a pass
  uint8_t piece;          // number of the moving (or dropped) piece
  uint8_t captured;       // number of the captured piece, 40 none
  uint8_t code;           // the mover's code before the move (a drop: side bit | kind)
  uint8_t captured_code;  // 0 none
  uint8_t flag;           // not read by make and unmake; the search's en-prise marker
  uint8_t promote;        // non-zero: the piece promotes
  uint32_t flag_word;     // left as the caller set it: a score or the search's stage bits
};

static_assert(sizeof(KKiki) == 36);
static_assert(sizeof(KMove) == 12, "moves are written in arrays of 12-byte records");
static_assert(offsetof(KPosition, kiki) % alignof(KKiki) == 0);

// A pass (also the "no move" record).
constexpr KMove pass_move() { return KMove{kPassSquare, kPassSquare, 0, kEmptyNumber, 0, 0, 0, 0, 0}; }

// The packed word of a move (a drop carries neither capture nor promotion).
constexpr KMoveWord move_word(const KMove& m) {
  return m.from == kInHand ? kmove_drop(m.to, m.code)
                           : kmove_pack(m.from, m.to, m.code, m.captured_code, m.promote);
}

// ---- Attack-record access ----------------------------------------------------

// The record of a playing square (debug builds check the square: any other index
// would read a wall's record or run past the array without a sign).
inline KKiki& kiki_at(KPosition& p, int sq) {
  assert(is_playing_square(sq));
  return p.kiki[sq - kFirstSquare];
}
inline const KKiki& kiki_at(const KPosition& p, int sq) {
  assert(is_playing_square(sq));
  return p.kiki[sq - kFirstSquare];
}

// A side's direct attacker set as one number: bit n for piece n.
inline uint64_t kiki_direct64(const KKiki& k, int side) {
  return static_cast<uint64_t>(k.direct[side][0]) | static_cast<uint64_t>(k.direct[side][1]) << 32;
}

// True when piece n is in the side's direct set of the record.
inline bool kiki_has_direct(const KKiki& k, int side, int n) {
  assert(n >= 0 && n < kPieceCount);
  return (k.direct[side][n >> 5] >> (n & 31)) & 1u;
}

}  // namespace board
