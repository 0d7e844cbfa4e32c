// How far a side's pieces stand from their home squares of the start position.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace board {

// The side's home distance: per piece on the board (a promoted piece as its
// base kind) the king-move distance of a gold, silver or king from its nearest
// home square, a pawn's rank distance from the side's third rank, 1 for a
// bishop or lance off its home squares; with the flag 0 also the rook (2, less
// 1 on its home file and 1 on its home rank), the knight (its jump distance:
// the larger of the file distance and half the rank distance to the nearer
// home square) and 2 per piece in the side's hand. 0 at the start position.
int32_t shape_pattern_test(const KPosition& p, int side, int flag);

}  // namespace board
