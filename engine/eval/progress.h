// The coarse game stage of a position: 0 opening, 1 middle game, 2 endgame, from
// how much material has been developed into the opponent's camp, promoted or
// taken into the hands.
#pragma once

#include "engine/board/position.h"

namespace eval {

// The stage 0, 1 or 2. Points: a dragon 3, another promoted piece 2, an
// unpromoted rook in the opponent's camp 2, any other unpromoted piece there 1
// (pawns excepted), a rook in hand 3, a gold, silver, knight or lance in hand 1.
// Half points, summed and halved (truncated) before they are added: a bishop or
// pawn in hand, a pawn in the opponent's camp, a silver or knight outside it on
// rank 5 or the next rank forward. Below 4 is stage 0, 4..7 stage 1, 8 on stage 2.
int progress_estimate(const board::KPosition& p);

}  // namespace eval
