// The shape score of a root move: a small integer telling how the move fits the
// mover's castle and strategy, and the three bishop squares of one diagonal.
#pragma once

#include "engine/board/position.h"

namespace board {

// The score of move m of the side to move, at the game stage, for the mover's
// strategy code (0..31). Squares are read from the mover's side (gote's turned
// by 180 degrees), so a move and its turned twin score alike. The first rule
// that matches gives it:
//  stage 2: 0; a king from file 2, 3, 7 or 8 to a file nearer the centre: 9;
//  a gold retreating from rank 7 to 8 or 8 to 9: 2; a rook onto rank 7 from
//  another rank: 2; a gold or silver leaving the side of a king on ranks 8-9
//  that has both a gold and a silver beside it: -2; a gold or silver from 27
//  or 87 to 16 or 96: -1; an unpromoted rook, bishop or pawn that starts or
//  ends in the camp without promoting: 200; then the castle patterns of the
//  strategy's flags (shape_score.cpp); otherwise 0.
int sashite_shape_score(const KPosition& p, const KMove& m, int stage, int senkei);

// 1 for the side's three bishop squares of its home diagonal (sente 79, 68,
// 57; gote 31, 42, 53), else 0.
int kaku_square_test(int side, int file, int rank);

}  // namespace board
