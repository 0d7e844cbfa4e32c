// What every move generator shares: the size of a move buffer, the promotion
// zone and last-rank tests, the per-code step and slide lists, and the writer of
// one move record.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board/move_tables.h"
#include "engine/board/position.h"

namespace board {

// Room for the longest list any generator of this folder writes. Every list is
// a set of distinct (from, to, promote) moves of one side, so it is bounded by
// all pseudo-legal moves of a position: drops at most 7 kinds x 81 squares =
// 567; board moves at most 396, taking for each piece its richest form:
// king 8, two rooks 2 x 32 (16 squares, each also promoting), two bishops
// 2 x 32 (likewise), four golds 4 x 6, four silvers 4 x 10, four knights 4 x 6
// (promoted), four lances 4 x 16 (8 squares, twice), eighteen pawns 18 x 6
// (promoted). 567 + 396 = 963 <= 1024. The all-moves list together with its
// non-promoting twins is such a set too.
constexpr int kMaxMoves = 1024;

// The step towards the far side: -16 for sente, +16 for gote.
constexpr int forward_step(int side) { return side == 0 ? -16 : 16; }

// The opponent's camp, where pieces promote: ranks 1-3 for sente, 7-9 for gote.
constexpr bool in_camp(int side, int sq) { return side == 0 ? sq < 64 : sq >= 112; }
constexpr bool on_last_rank(int side, int sq) { return side == 0 ? sq < 32 : sq > 143; }
constexpr bool on_last_two_ranks(int side, int sq) { return side == 0 ? sq < 48 : sq > 127; }

// An unpromoted rook, bishop, silver, knight, lance or pawn.
constexpr bool can_promote(int code) {
  const int cls = code_class(code);
  return cls == kRook || cls == kBishop || (cls >= kSilver && cls <= kPawn);
}

// False when a piece of this code would have no move left on `to` unless it
// promotes: a pawn or lance on the last rank, a knight on the last two.
constexpr bool may_stay_unpromoted(int code, int to) {
  const int cls = code_class(code);
  const int side = code_side(code);
  if (cls == kPawn || cls == kLance) return !on_last_rank(side, to);
  if (cls == kKnight) return !on_last_two_ranks(side, to);
  return true;
}

// Whether the piece of a board move can step straight back to where it came
// from: a gold or gold-moving promoted piece that moved along a file or rank, a
// silver that changed file, a rook, bishop, king, dragon or horse.
inline bool can_step_back(const KMove& m) {
  const bool straight = square_file(m.from) == square_file(m.to) || square_rank(m.from) == square_rank(m.to);
  switch (code_class(m.code)) {
    case kGold:
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin: return straight;
    case kSilver: return square_file(m.from) != square_file(m.to);
    case kRook:
    case kBishop:
    case kKing:
    case kDragon:
    case kHorse: return true;
    default: return false;
  }
}

// The steps and slide directions of each move class as sente makes them (gote
// negates them).
struct KomaMoves {
  uint8_t step_count;
  int8_t step[8];
  uint8_t slide_count;
  int8_t slide[4];
};

inline constexpr std::array<KomaMoves, kMoveClasses> kKomaMoveTable = [] {
  std::array<KomaMoves, kMoveClasses> t{};
  for (int cls = 0; cls < kMoveClasses; ++cls) {
    const MoveRow& row = koma_move_table[cls];
    for (uint32_t i = 0; i < row.count; ++i) {
      const int8_t step = static_cast<int8_t>(side_step(row.m[i].step, 0));
      if (row.m[i].slides) {
        t[cls].slide[t[cls].slide_count++] = step;
      } else {
        t[cls].step[t[cls].step_count++] = step;
      }
    }
  }
  return t;
}();

// A step written for sente, turned for the side.
constexpr int side_offset(int offset, int side) { return side == 0 ? offset : -offset; }

// True when the cell holds a piece of the side or a wall (walls carry both side
// bits): no piece of the side may move there.
inline bool blocked_for(const KPosition& p, int side, int sq) {
  return (p.piece[p.board[sq]].code & side_bit(side)) != 0;
}

// True when the cell holds a piece of the side (walls excluded).
inline bool holds_piece_of(const KPosition& p, int side, int sq) {
  const int n = p.board[sq];
  return n < kPieceCount && (p.piece[n].code & side_bit(side));
}

// The number of the piece a drop of the kind takes: the top of the kind's
// hand-slot stack, which both sides share.
inline int drop_piece(const KPosition& p, int kind) {
  const int total = p.hand[0][kind] + p.hand[1][kind];
  return p.hand_slot[kKindRange[kind].first + total - 1];
}

// Writes the fields the make routine reads; the flag byte and the trailing word
// stay as the caller left them.
inline void write_move(KMove& m, int from, int to, int piece, int captured, int code, int captured_code,
                       int promote) {
  m.from = static_cast<uint8_t>(from);
  m.to = static_cast<uint8_t>(to);
  m.piece = static_cast<uint8_t>(piece);
  m.captured = static_cast<uint8_t>(captured);
  m.code = static_cast<uint8_t>(code);
  m.captured_code = static_cast<uint8_t>(captured_code);
  m.promote = static_cast<uint8_t>(promote);
}

// A board move of piece n from `from` to `to`, capturing what stands there.
inline void write_board_move(KMove& m, const KPosition& p, int n, int from, int to, int promote) {
  const int captured = p.board[to];
  write_move(m, from, to, n, captured, p.piece[n].code, p.piece[captured].code, promote);
}

// A drop of the kind by the side to move.
inline void write_drop(KMove& m, const KPosition& p, int kind, int to) {
  write_move(m, kInHand, to, drop_piece(p, kind), kEmptyNumber, kind | side_bit(p.teban), 0, 0);
}

// True when the side's king stands on the board and the other side attacks it.
inline bool king_attacked(const KPosition& p, int side) {
  const int k = p.piece[side].sq;
  return k < kInHand && kiki_at(p, k).direct_count[1 - side] > 0;
}

}  // namespace board
