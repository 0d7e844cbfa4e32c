// Defences of the side to move's threatened pieces and camp squares.
#pragma once

#include "engine/board/position.h"

namespace board {

// Scans the board file 1 to 9, rank 1 to 9 within each file, for candidates:
// own pieces (not a rook, bishop, gold or silver with an opponent pawn right in
// front of it) and empty squares of the own camp, which the opponent supports,
// whose attack situation changed with the last move and where the exchange
// estimate for the opponent is at least 100. For each, in order:
// 1. gen_attack_square on it (quick);
// 2. against each opponent slider whose line passes it, from next to the
//    slider on, each empty square between that the mover attacks: a drop of
//    the cheapest kind that may stand there (not at level 2 or below when it is
//    a rook, bishop, gold or silver with an empty, weakly supported square in
//    front that an opponent pawn in hand could hit, nor on the mover's 8-8
//    point against a bishop in the opponent's hand with support below 2; never
//    on that point in front of the mover's home bishop), then, with support 2
//    or more, the move of the cheapest attacker other than the king.
// Then, when `last` was an unpromoted pawn pushed to the mover's rank 6 (as
// the mover counts) backed by an opponent lance or rook on its file: a pawn
// drop on the first square between that the mover attacks. Then drops in front
// of the own king on a corner of its first rank when that square is empty and
// attacked (gold else rook, silver else bishop, pawn). Each move once (the
// first kept, list order unchanged). A pass as `last` gives no pawn drop.
// Room: kMaxMoves.
int gen_defences(const KPosition& p, const KMove& last, int level, KMove* out);

}  // namespace board
