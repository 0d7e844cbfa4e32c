// Generators of every move of the side to move: drops and board moves with the
// usual promotion choices, the non-promoting twins that list leaves out, and
// the board moves of one piece. Each writes into the caller's array (room for
// kMaxMoves) and returns the number written.
#pragma once

#include "engine/board/move_rules.h"
#include "engine/board/position.h"

namespace board {

// All moves of the side to move: first the drops (rook, bishop, gold, silver,
// knight, lance, pawn; by file, then rank), then the board moves of pieces 0..39.
// Rooks, bishops and pawns that may promote do so (only that version); silvers,
// knights and lances get both versions where both are possible; the king steps
// only onto squares the opponent does not attack. Other moves are pseudo-legal:
// they may leave the own king attacked.
int gen_all_moves(const KPosition& p, KMove* out);

// The non-promoting versions that gen_all_moves leaves out: unpromoted rooks and
// bishops moving from or into the opponent's camp, and pawns on the ranks 4 and
// 3 from the mover's side pushing one square forward.
int gen_funari_moves(const KPosition& p, KMove* out);

// The board moves that gen_all_moves writes for the piece on `sq`; 0 when the
// square holds no piece of the side to move.
int gen_piece_moves(const KPosition& p, int sq, KMove* out);

}  // namespace board
