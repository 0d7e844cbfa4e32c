// The checking moves of the side to move, found from the squares around the
// enemy king and the attack records rather than by testing every move.
#pragma once

#include "engine/board/move_rules.h"
#include "engine/board/position.h"

namespace board {

// Writes every move of the side to move that gives check into the caller's
// array (room for kMaxMoves) and returns the count: drops, short-range direct
// checks, knight checks, rooks and bishops onto the king's neighbours, lance
// promotions, long-range checks, a lance capture on the king's file, and
// discovered checks; each move once, the promoting version first. Pinned pieces
// move only along their pin line, and the king only onto unattacked squares.
// `flag` non-zero leaves out the pawn-drop check (a mate by a dropped pawn is
// not allowed). With the mover out of check every move listed is legal, apart
// from a pawn drop that mates.
int oute_gen(const KPosition& p, KMove* out, int flag);

}  // namespace board
