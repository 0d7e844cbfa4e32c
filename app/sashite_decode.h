// Conversion of the engine's packed move word into a game-model move.
#pragma once

#include "engine/driver/kifu_hyouka.h"
#include "model/position/sashite.h"

namespace app {

// Decodes `word` into `out`: squares (file = (square & 15) - 3, rank = square >>
// 4), for a drop the hand (11 sente, 12 gote) and the dropped type, and the
// promote flag; piece, capture and special are 0. Returns -1 for 253 (no move),
// otherwise 0.
int sashite_decode(driver::KMoveWord word, model::Sashite& out);

}  // namespace app
