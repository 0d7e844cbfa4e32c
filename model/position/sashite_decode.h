// Conversion between the engine's packed move word and a game-model move.
#pragma once

#include "model/position/move_word.h"
#include "model/position/sashite.h"

namespace model {

// Decodes `word` into `out`: squares (file = (square & 15) - 3, rank = square >>
// 4), for a drop the hand (11 sente, 12 gote) and the dropped type, and the
// promote flag; piece, capture and special are 0. Returns -1 for 253 (no move)
// and for a word that names a square off the board or a drop of no piece that
// can be held, otherwise 0.
int sashite_decode(KMoveWord word, Sashite& out);

// The word of a completed ordinary move (its `koma` and `tori` filled, as a
// record's moves are): the squares, the mover's and the captured piece's engine
// codes and the promote flag, the same word the engine packs for that move; a
// drop packs the dropped piece. kNoMoveWord for a special move.
KMoveWord sashite_encode(const Sashite& m);

}  // namespace model
