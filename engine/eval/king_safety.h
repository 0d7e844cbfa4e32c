// The king-neighbourhood term group of the full evaluation. For each side u with
// its king on the board, the squares around the king are examined: a square the
// other side e attacks costs u (defence) and credits e (attack), by a charge that
// grows with e's pieces in hand and its attacks and shrinks with u's defenders,
// capped per square; a square u defends only once costs a little in any case.
// Which squares, and their weights, depend on whether the king stands in a
// corner (file 1 or 9, back rank), on the edge file's second rank, or elsewhere;
// a corner king also has its space counted, and a well-spaced corner lowers e's
// attack. Last, a king whose escape squares are all taken or covered pays for it.
#pragma once

#include "engine/board/position.h"
#include "engine/eval/position_terms.h"

namespace eval {

// Adds both sides' king-neighbourhood terms to t.defence and t.attack.
void king_safety_terms(PositionTerms& t);

// The escape-square charge of side u's king (0 or negative): a square counts as
// taken when it holds a piece of u (or is off the board) or the other side
// attacks it directly.
int king_escape_terms(const board::KPosition& p, int u);

// Scale(x, M): x clamped to -7..7; M x 2^(x/3) through the two-thirds curve.
int scale_by_hand(int x, int m);

}  // namespace eval
