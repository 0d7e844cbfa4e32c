// The score of one candidate move by a small search of its own: the move is
// made, the opponent's recaptures on its square (or its answers to a check)
// are searched on that square alone, the mover's follow-up captures with the
// moved piece are estimated, and a few shape bonuses are added. The ordering
// pass of the node search and the root's assessment rank moves by it.
#pragma once

#include "engine/board/eval_record.h"
#include "engine/board/position.h"

namespace search {

// The score of `m` for the side that makes it, from the position's record
// `record` (the position before the move); -32766 when the move leaves the
// mover's king attacked, 32766 when the opponent has no answer to its check.
// The position is restored. Needs the evaluation's weight object and stage
// block (the exchange values and the record updates read them).
int eval_sashite_exchange(board::KPosition& p, const board::KMove& m, const board::KEvalRecord& record);

// The static value of the side to move on a completed record, as the
// exchange search stands pat: the side's blended score less the other side's
// (600 taken from the other side). Completes the record first; `last` is the
// move that led to the position.
int exchange_static_value(const board::KPosition& p, board::KEvalRecord& record, const board::KMove& last);

// The edge attack of the mover's pawn pushed by `m` to the fifth rank of an
// edge file in front of the enemy king (`p` after the move): 50, 50 more with
// the enemy pawn in front, 50 more with the mover's lance behind it, and 250
// more when the enemy does not guard the square behind its pawn (400 at most).
int exchange_edge_bonus(const board::KPosition& p, const board::KMove& m, int mover);

// 1000 for a gold or silver dropped (`p` before the drop, a bishop in hand)
// on 6-2 under the enemy gold, the enemy king on 8-2 beside its silver on 7-2
// with 7-1 empty and one enemy guard of 6-2 (for gote the squares turned).
int exchange_corner_drop_bonus(const board::KPosition& p, const board::KMove& m);

// The escape bonus of a piece's base kind (rook 1 .. king 8): what a piece
// attacked by a pawn gains by moving away.
int escape_bonus(int kind);

}  // namespace search
