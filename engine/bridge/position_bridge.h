// The bridge between the game model's position and move (Kyokumen, Sashite) and
// the engine's (KPosition, KMove). Pure conversions on caller-owned objects.
#pragma once

#include "engine/board/position.h"
#include "model/position/kyokumen.h"
#include "model/position/sashite.h"

namespace bridge {

// Loads a game-model position into the engine position, numbering the pieces by
// kind in board order (rank 1..9, file 1..9), then the hands, then the pieces
// not in play, and rebuilds every derived table. 0 on success; -1 for a position
// the engine cannot hold (two kings of one side, more pieces of a kind than the
// game has, a negative hand count, an invalid piece code, a knight on its last
// rank), in which case `p` is left as it was. A missing king is accepted.
int position_load(board::KPosition& p, const model::Kyokumen& k);

// Writes the engine position back: side to move, board, hands, and the piece box
// as what is left of each kind. The handicap word is left as it is. Returns 0.
int position_export(model::Kyokumen& k, const board::KPosition& p);

// The engine move for a game-model move on the loaded position. A drop takes the
// top hand slot of its kind and the side to move's code. 0 on success; -1 (and a
// pass in `out`) for a record event, squares off the board, or a move that does
// not fit the position (no piece of that code on the from-square, an own piece on
// the to-square, an occupied drop square, no such piece in the mover's hand, or a
// knight left on its last rank).
int sashite_to_kmove(board::KMove& out, const board::KPosition& p, const model::Sashite& m);

// The game-model move of an engine move word, the one road from the engine's
// moves to the game model's: squares, the hand of a drop (by the word's side)
// with the dropped type, and the promote flag; pieces, capture and special 0,
// as a view completes them. 0 on success; -1 (and an empty move in `out`) for
// no move (a pass) or a word naming a square off the board or a drop of no
// piece that can be held.
int word_to_sashite(model::Sashite& out, board::KMoveWord w);

// The same move completed from the game-model position `k` it is played on
// (the mover and the captured piece filled in). -1 (and an empty move) also
// for a move that does not fit `k`.
int word_to_sashite(model::Sashite& out, const model::Kyokumen& k, board::KMoveWord w);

// The side of an engine move word's mover: 0 sente, 1 gote.
int word_side(board::KMoveWord w);

// The completed game-model move for an engine move on `k`: the word form above.
int kmove_to_sashite(model::Sashite& out, const model::Kyokumen& k, const board::KMove& m);

}  // namespace bridge
