// Conversion of the engine's packed move word into a game-model move.
#pragma once

#include "model/position/kmove_word.h"
#include "model/position/sashite.h"

namespace model {

// Decodes `word` into `out`: squares (file = (square & 15) - 3, rank = square >>
// 4), for a drop the hand (11 sente, 12 gote) and the dropped type, and the
// promote flag; piece, capture and special are 0. Returns -1 for 253 (no move)
// and for a word that names a square off the board or a drop of no piece that
// can be held, otherwise 0.
int sashite_decode(engine::KMoveWord word, Sashite& out);

}  // namespace model
