// The joseki editor's view of the current user book: game-record positions and
// moves (Kyokumen, Sashite) translated to the book's BookPosition and BookMove,
// which are seen from the mover's side.
#pragma once

#include <cstdint>

#include "engine/driver/joseki_books.h"
#include "model/position/kyokumen.h"
#include "model/position/sashite.h"

namespace driver {

// The book move of a game-record move made on `k`: squares in the mover's
// view, a drop of type t stored as hand kind 8 - t, `value` in bits 16-31 and
// `senkei` as the second word. False for a record event or a move off the
// board.
bool book_move_from_sashite(const model::Kyokumen& k, const model::Sashite& m, int value, uint32_t senkei,
                            BookMove* out);

// Stores the move with its value (0..15) and attribute word in the current
// user book (mode -1 means 1, replace). 0, also when there is no current book
// (nothing changes); -1 when nothing could be stored: a position that
// Kyokumen::ToBookKey refuses, a record event, a value above 15, or a position
// that holds as many moves as it may.
int joseki_set_move(JosekiBooks& books, const model::Kyokumen& k, const model::Sashite& m, int value,
                    uint32_t senkei, int mode);
// Removes the move from the position's entry in the current user book;
// always 0.
int joseki_delete_move(JosekiBooks& books, const model::Kyokumen& k, const model::Sashite& m);
// Removes the whole position from the current user book; always 0.
int joseki_delete_all(JosekiBooks& books, const model::Kyokumen& k);
// Lists the book moves of the position from the sources of `source_word`
// (JosekiBooks::sources is set for the lookup and restored), in value order
// when `sorted`: the moves completed from the position, their values,
// attribute words and source tags, each array when given (room for
// kMaxBookCandidates). The listing ends at the first word that does not
// decode or does not fit the position. Returns the number listed (0 for a
// position that Kyokumen::ToBookKey refuses).
int joseki_get_moves(JosekiBooks& books, const model::Kyokumen& k, uint32_t source_word, model::Sashite* moves,
                     int* values, uint32_t* senkei, uint8_t* tags, bool sorted);

}  // namespace driver
