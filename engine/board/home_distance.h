// How far a side's pieces stand from their squares of the start position: 0 for
// an undeveloped side, larger as the pieces leave home or the hand fills. The
// evaluation's root set-up blends its curves by it.
#pragma once

#include "engine/board/position.h"

namespace board {

// The sum over the side's pieces on the board (promoted pieces count as their
// base kind), in the side's own view (file f, rank r; the back rank is 9):
// rook (flag 0 only) 2, less 1 on file 2 and less 1 on rank 8; bishop 0 on
// file 8 rank 8, else 1; gold and silver the king-move distance to the nearer of
// their two back-rank squares (files 4 and 6, files 3 and 7); knight (flag 0
// only) the smaller over files 2 and 8 of the larger of the file distance and
// half the distance from the back rank; lance 0 on file 1 or 9 of the back rank,
// else 1; pawn the rank distance from rank 7; king the king-move distance from
// file 5 of the back rank. With the flag 0 each piece in the side's hand adds 2.
int shape_pattern_test(const KPosition& p, int side, int flag);

}  // namespace board
