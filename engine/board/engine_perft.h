// Counting the tree of legal moves on the engine position with the engine's own
// generators (perft): the check of the generators against the game model.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace board {

// The legal moves of the side to move, written into the caller's array (room
// for kMaxMoves): out of check every move and the non-promoting twins, in check
// the evasions; a move stands when the mover's king is not attacked after it and
// it is not a pawn drop that mates. The position is left as it was.
int engine_legal_moves(KPosition& p, KMove* out);

// Counts the legal move sequences from the position: counts[d - 1] gets the
// number of sequences of length d, for d = 1..depth. The last ply is counted
// in bulk, from the attack records, without making its moves. The position is
// left as it was.
void engine_perft(KPosition& p, int depth, uint64_t* counts);

}  // namespace board
