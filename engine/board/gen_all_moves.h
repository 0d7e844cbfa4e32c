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

// gen_all_moves with the drops limited to squares near the own king, by the
// file distance df and rank distance dr from it: a rook unless both are 5 or
// more; a bishop when df < 5 unless dr > 4 and df < 3, and when df >= 5 only if
// dr > 2; gold, silver, knight, lance within df < 5 and dr < 5; a pawn within
// df < 6 and dr < 6. Without the own king on the board no drop is kept.
int gen_drops_near_king(const KPosition& p, KMove* out);

// The non-promoting versions that gen_all_moves leaves out: unpromoted rooks and
// bishops moving from or into the opponent's camp, and pawns on the ranks 4 and
// 3 from the mover's side pushing one square forward.
int gen_funari_moves(const KPosition& p, KMove* out);

// The board moves that gen_all_moves writes for the piece on `sq`; 0 when the
// square holds no piece of the side to move.
int gen_piece_moves(const KPosition& p, int sq, KMove* out);

namespace detail {

// For the other generators of the folder: true for a square where a dropped
// piece of the kind keeps a move; and the board moves of the side to move's
// pieces as gen_all_moves writes them but with the lance rule of
// gen_quiet_moves, cheapest piece first (numbers 39 down to 2, then the king),
// returning the count.
bool drop_rank_allowed(int side, int kind, int sq);
int quiet_board_moves(const KPosition& p, KMove* out);

}  // namespace detail

}  // namespace board
