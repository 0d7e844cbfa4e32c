// TEMPORARY stand-in of the root move's shape score (engine/board/shape_score.h,
// landing with the targeted generators): every move scores 0. Delete this file
// and its .cpp when the real one arrives.
#pragma once

#include "engine/board/position.h"

namespace board {

int sashite_shape_score(const KPosition& p, const KMove& m, int stage, int senkei);

}  // namespace board
