// Setting up a KPosition: the even start and the handicaps from the start
// template, and the rebuilds of the derived tables from the board, piece table
// and hands. The start template is process-wide (board_state.h).
#pragma once

#include "engine/board/position.h"

namespace board {

// The start position of the current template (the even game unless a handicap
// is in force), sente to move, every derived table rebuilt.
void pos_clear(KPosition& p);

// Edits the start template for handicap 0..7 (0 even, 1 lance, 2 bishop, 3 rook,
// 4 rook and lance, 5 rook and bishop, 6 four pieces, 7 six pieces), sets up the
// position and gives gote (the giver) the move unless the number is 0. Other
// numbers leave the template as it is. The template stays in force until the
// next call.
void pos_set_handicap(KPosition& p, int handicap);

// The first half of pos_clear: the current template's pieces and wall cells on
// an otherwise zeroed position, sente to move, the derived tables left empty.
// A loader that places its own pieces on it calls pos_rebuild once it is done.
void pos_place_template(KPosition& p);

// Rebuilds every derived table from the board, the piece table and the hands:
// the hand slots (position_fix_piece_lists), the pawn files, the promoted-pawn
// lists, the non-pawn hand counts and the attack records.
void pos_rebuild(KPosition& p);

// Rebuilds the hand slots from the hand counts: for each kind 1..7 the pieces
// that are not on the board, in number order, fill the kind's slots up to both
// hands' total and are marked as in hand (252); the rest are marked as out of
// play (255).
void position_fix_piece_lists(KPosition& p);

// Rebuild the pawn files from the piece table.
void pos_clear_tables(KPosition& p);
// Rebuild the promoted-pawn lists from the board.
void pos_build_tokin_lists(KPosition& p);
// Rebuild the non-pawn hand counts from the hand counts.
void pos_hand_sums(KPosition& p);
// Rebuild every attack record from the pieces on the board.
void pos_clear_kiki(KPosition& p);

}  // namespace board
