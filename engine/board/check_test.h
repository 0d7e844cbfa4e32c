// Check tests on the engine position before a move is made: whether a piece
// blocks a slider's line onto a king (the pin test of every generator, and the
// discovered-check test), and whether a move gives check.
#pragma once

#include "engine/board/position.h"

namespace board {

// The unit step d from `king_sq` towards `sq` when the piece `n` on `sq` is the
// first piece on that line from the king and a slider of `side` attacks `sq`
// along the same line from beyond it; else 0 (also when king_sq is 252 or more,
// no king). Asked with the king owner's opponent as `side`, it says that the
// piece is pinned along d; asked with the mover's side and the enemy king, that
// moving the piece off the line uncovers a check.
int is_discovered_oute(const KPosition& p, int side, int king_sq, int sq, int n);

// Whether the move (not yet made) of the side to move gives check: 1 when the
// moved piece attacks the enemy king by a step, 2 when by a slide, 6 when moving
// it uncovers a slider's line onto the king, 0 when it gives no check.
int is_oute(const KPosition& p, const KMove& m);

}  // namespace board
