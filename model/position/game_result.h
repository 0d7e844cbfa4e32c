// What a special move of a record tells of the game's result. A record keeps
// the side an end concerns in the special move's piece (the king of the side
// that resigned, lost on time or by a foul, or declared a win); the end words
// of KIF and CSA instead name the side to move. A record can hold an end of
// the side that has just moved (a foul found in the move just played, a
// closing line that names that side, an end statement that names its side),
// and a writer of side-relative words tells that end from the side to move.
#pragma once

#include "model/position/sashite.h"

namespace model {

// The side (0 sente, 1 gote) that special move `m` concerns: the side of its
// piece, or `to_move` (the side to move before it) when it holds none.
int special_side(const Sashite& m, int to_move);

// The winner of the game that special move `m` ends, made where `to_move` is
// to move: 0 sente, 1 gote, -1 none (a draw, an interruption, or an event
// that ends no game).
int special_winner(const Sashite& m, int to_move);

// The special code that tells the result of `m` as an end of the side to
// move: `m`'s own code when it concerns that side or no side; otherwise the
// opposite word (反則負け and 反則勝ち, 負け and 勝ち), and for a mate, a
// resignation or a loss on time of the side that has just moved, which the
// side to move cannot be given, its win (勝ち). The winner always stays.
int special_code_for_side_to_move(const Sashite& m, int to_move);

}  // namespace model
