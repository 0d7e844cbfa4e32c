// The opening book seen from the engine: the BookPosition of an engine
// position, a book move as an engine move, and books_select, the book's answer
// to a think.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/driver/book_move.h"
#include "engine/driver/joseki_books.h"
#include "model/position/book_position.h"

namespace driver {

// The BookPosition of the engine position, byte for byte what
// Kyokumen::ToBookKey gives for the same position.
void book_position_from_kposition(model::BookPosition* out, const board::KPosition& p);

// The engine move of a book move on the position (squares turned back when gote
// moves; a drop takes the top hand slot of its kind). 1 with the move in `out`;
// 0 (`out` untouched) for the empty move, a word that does not decode, or a
// drop of a kind the mover does not hold.
int book_move_to_kmove(const BookMove& m, const board::KPosition& p, board::KMove* out);

// The book's move for the engine position: JosekiBooks::SelectMove with `mask`
// (0: every strategy), and the chosen move only when it is legal on the
// position (the mover's piece, a promotion it may make, a piece in hand on an
// empty square, no second pawn on a file, the mover's king safe afterwards, no
// mate by a dropped pawn). 0 with the move in `out` and its strategy word in
// `senkei` (when given); -1 when the book has no usable move, and the caller
// searches. `count` (when given) gets the number of candidates reported.
int books_select(JosekiBooks& books, const board::KPosition& p, board::KMove* out, uint32_t* senkei, uint32_t mask,
                 int* count);

}  // namespace driver
