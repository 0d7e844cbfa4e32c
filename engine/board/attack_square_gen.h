// Moves around one target square: moves and drops that add an attacker of it,
// rooks and bishops lining up behind an attacker of it, and the moves of the
// own pieces that a given piece reaches. None makes a move or tests full
// legality. Room: kMaxMoves.
#pragma once

#include "engine/board/position.h"

namespace board {

// Room for one gen_attack_square list: it writes distinct moves, at most one
// pawn push, 21 near rows of at most 6 moves, 2 rook corners for each of 2
// rooks, 4 bishop squares for each of 2 bishops, and 54 drops (pawn 1, lance 8,
// knight 2, gold 6, silver 5, bishop 16, rook 16): 193.
constexpr int kMaxAttackSquareMoves = 256;

// Moves that give the side to move one more attacker of target square `t`, in
// this order: the pawn push onto the square behind t; golds, silvers and
// promoted short-range pieces stepping from the squares near t to a square from
// which they attack it (a silver promoting first when it may), onto safe
// squares; rooks to a corner square on t's file or rank; bishops to a square
// where a diagonal through them crosses one through t (a horse on the other
// colour by one orthogonal step); then drops from which the piece attacks t:
// a pawn, lances on t's file behind it, knights, golds, silvers, bishops and
// rooks, on safe squares. Level rules of the drops: a pawn on the mover's own
// 8-8 point is left out when the opponent holds a bishop, the mover's support
// there is below 2 and the level is below 3, or when the mover's own bishop
// stands in the corner behind it and the level is below 6; lances go beyond the
// two squares nearest t only below level 3; bishops only below level 6 and
// rooks only below level 5. With `quick` set the generator stops after the
// first move onto a square the opponent does not attack. `mode` is not read.
int gen_attack_square(const KPosition& p, int t, int level, int mode, int quick, KMove* out);

// For each own direct attacker A of the target (cheapest first; not an
// unpromoted knight nor the king): over the empty squares S beyond A, away from
// the target, each own rook (on a rank or file) or bishop (on a diagonal) that
// attacks S and does not already back A moves to S (promoting when it may).
int gen_line_backing(const KPosition& p, int target, KMove* out);

// The moves (gen_piece_moves) of the pieces of the side to move standing where
// the piece on `sq` reaches: the first piece on each line of a rook, dragon,
// bishop or horse, the step squares of a gold-like piece or silver, the jump
// squares of a knight (all as that piece's owner moves). Lances, pawns, kings
// and empty squares give nothing.
int gen_slider_line(const KPosition& p, int sq, KMove* out);

}  // namespace board
