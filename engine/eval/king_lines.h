// The king-line terms of the full evaluation: the pressure of the long-range
// pieces on the enemy king, which the move-by-move update cannot keep.
//
// - Rooks: a rook that is promoted or stands in the enemy camp (an active rook)
//   scores its approach to the king's file and rank, and stops counting as
//   active once it approaches (or lies four ranks or more from the king); every
//   rook scores the enemy pieces that block its rank and its backward file near
//   the king (weighted by who holds the blocker), and its forward file by the
//   blocker or, when the line ends at an own piece or the board's edge, by the
//   line's last square. Two rooks of one side that see each other along a rank
//   count together. The sums go to the owner's attack_extra, and a quarter of
//   the sums of a rook still active after its walk to its material_extra. (Its
//   two rank steps between them cover every file and every rank distance, so
//   the walk leaves no rook active and that quarter never lands.)
// - Bishops: the enemy pieces that end the four diagonals near the king and the
//   diagonals' nearest approach to it, halved for an unpromoted bishop outside
//   the enemy camp.
// - Lances: the king-relative pawn value of the square where an unpromoted
//   lance's line ends, toward the king's rank, when the lance is within four
//   files of the king.
//
// A wall ending a line is no blocker. A piece whose enemy king is not on the
// board scores nothing.
#pragma once

#include <cstdint>

#include "engine/board/eval_record.h"
#include "engine/board/position.h"

namespace eval {

// The record flag telling that the king-line terms are in.
constexpr uint32_t kKingLinesDone = 0x10;

// Adds the king-line terms to the record's attack_extra and material_extra and
// sets kKingLinesDone; returns at once when that flag is already set. The
// weight object must be prepared (eval_root_prepare).
void eval_king_kiki(const board::KPosition& p, board::KEvalRecord& r);

}  // namespace eval
