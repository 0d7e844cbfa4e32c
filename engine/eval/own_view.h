// Squares and pieces as one side sees the board. Strategy rules are written for
// sente; gote applies them to the squares turned by 180 degrees (file f reads
// 10 - f, rank r reads 10 - r). "Own" and "enemy" pieces are unpromoted pieces
// of the named kind of the deciding side or of the other side.
#pragma once

#include "engine/board/position.h"

namespace eval {

// The board square of (file, rank) in the side's own view.
constexpr int own_square(int side, int file, int rank) {
  return side == 0 ? board::square_of(file, rank) : board::square_of(10 - file, 10 - rank);
}
// A board square's file and rank in the side's own view.
constexpr int own_file(int side, int sq) { return side == 0 ? board::square_file(sq) : 10 - board::square_file(sq); }
constexpr int own_rank(int side, int sq) { return side == 0 ? board::square_rank(sq) : 10 - board::square_rank(sq); }

// The piece code on a playing square (0 when empty).
inline int code_on(const board::KPosition& p, int sq) { return p.piece[p.board[sq]].code; }

// True when the side's unpromoted piece of the kind stands on (file, rank) of the
// `view` side's own view.
inline bool piece_on(const board::KPosition& p, int view, int owner, int kind, int file, int rank) {
  return code_on(p, own_square(view, file, rank)) == (kind | board::side_bit(owner));
}
inline bool own_on(const board::KPosition& p, int side, int kind, int file, int rank) {
  return piece_on(p, side, side, kind, file, rank);
}
inline bool enemy_on(const board::KPosition& p, int side, int kind, int file, int rank) {
  return piece_on(p, side, 1 - side, kind, file, rank);
}
// True when (file, rank) of the side's own view is empty.
inline bool own_empty(const board::KPosition& p, int side, int file, int rank) {
  return code_on(p, own_square(side, file, rank)) == 0;
}

// The side's king square, or 0 when its king is not on the board. A piece
// entry's square is a board square, kInHand or kNotInPlay, and both of those
// lie above every board square: one comparison tells them apart.
inline int king_square(const board::KPosition& p, int side) {
  const int sq = p.piece[side].sq;
  return sq < board::kInHand ? sq : 0;
}
// The side's king file and rank in its own view; 0 when the king is not on the board.
inline int own_king_file(const board::KPosition& p, int side) {
  const int k = king_square(p, side);
  return k ? own_file(side, k) : 0;
}
inline int own_king_rank(const board::KPosition& p, int side) {
  const int k = king_square(p, side);
  return k ? own_rank(side, k) : 0;
}
// True when the side's king stands on (file, rank) of its own view.
inline bool own_king_on(const board::KPosition& p, int side, int file, int rank) {
  return king_square(p, side) == own_square(side, file, rank);
}

// True when the other side's king stands on (file, rank) of this side's view.
inline bool enemy_king_on(const board::KPosition& p, int side, int file, int rank) {
  return king_square(p, 1 - side) == own_square(side, file, rank);
}

}  // namespace eval
