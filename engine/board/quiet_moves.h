// The quiet moves of the deeper search: drops (only when the mover holds few
// kinds and plenty of depth remains) and board moves, cheapest pieces first,
// kept by the threat test while the threat word's filter is on.
#pragma once

#include "engine/board/position.h"

namespace board {

// When the depth is above 5 and the mover holds fewer than four of the six
// non-pawn kinds: the drops of every kind held, kind by kind (rook first), on
// every empty square by rank then file under the drop rules of gen_all_moves.
// Then the board moves of pieces 39 down to 6, the bishops, the rooks and the
// king, as gen_all_moves writes them except the lance: outside the camp only
// its captures, inside it the promoting move and the non-promoting one only on
// the camp's third rank. While the threat word's low 16 bits are not 0 a move
// is kept only when sashite_threat_kind accepts it (`last` is the record of the
// move that led to the node in the search's move array, or null). Room:
// kMaxMoves.
int gen_quiet_moves(const KPosition& p, const KMove* last, int depth, KMove* out);

}  // namespace board
