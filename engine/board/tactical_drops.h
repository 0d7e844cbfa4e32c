// Pawn drops chosen by tactical patterns around the opponent's king and the
// opponent's last move, for the deeper search.
#pragma once

#include "engine/board/position.h"

namespace board {

// Pawn drops (each on an empty square of a file without the mover's unpromoted
// pawn, not on the last rank), in these groups:
// 1. beside the opponent's king, an opponent non-pawn piece that a rook of the
//    mover on that rank attacks, with at most one defender more than the
//    mover's attackers: the drop that attacks it;
// 2. the opponent dropped a rook on the mover's back rank, where the mover's
//    king stands: the drop on the first square between them that the mover
//    defends;
// 3. the opponent dropped a bishop: drops on the squares of its diagonals that
//    the mover defends;
// 4. at game stages 0 and 1, at depth 3 or more: against an opponent rook
//    whose file holds no pawn of the mover and an empty square before it,
//    drops on that file from two squares before the rook on, where the mover
//    defends;
// 5. at depth 3 or more: the opponent's rook moved more than one rank along its
//    file, or its unpromoted silver moved into ranks 4-6: the drop in front of
//    it (which attacks it) when the mover defends that square.
// `previous` is the opponent's move that led to the node (a pass gives none of
// groups 2, 3 and 5). Each drop once. Room: kMaxMoves.
int gen_tactical_drops(const KPosition& p, const KMove& previous, int depth, KMove* out);

}  // namespace board
