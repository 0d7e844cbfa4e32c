// Discovered attacks: a front piece leaves the line of an own rook, bishop or
// lance so that the long-range piece attacks an opponent piece behind it.
#pragma once

#include "engine/board/position.h"

namespace board {

// For the side to move:
// 1. rook batteries (pieces 2 and 3, each rook line): an own bishop or horse in
//    front with the opponent's king, or an undefended rook, bishop, gold,
//    silver, dragon, horse or promoted silver, behind it: the front piece moves
//    along its diagonals up to the first opponent piece (a quiet move only when
//    from its destination it attacks an opponent rook, the king or an
//    undefended non-pawn piece); an own unpromoted lance in front on the rank,
//    with an opponent piece other than an unpromoted pawn behind it: the
//    lance's capture straight ahead;
// 2. bishop batteries (pieces 4 and 5, each diagonal): an own front piece with
//    an opponent piece behind it (a gold, silver, knight, lance or promoted
//    short-range piece only when the opponent's support there is not above the
//    mover's; a pawn also only in the mover's zone) leaves the diagonal by its
//    off-line moves;
// 3. lance batteries (unpromoted lances): an own front piece with an opponent
//    piece other than a lance behind it (a pawn only when the opponent's
//    support there is not above the mover's, and at game stage 2 only in the
//    mover's zone) leaves the file.
// Only real pieces count as targets (a wall carries both side bits). While the
// threat word's filter is on, a move is kept only when sashite_threat_kind
// accepts it or the target is on the current ply's target list; for a bishop
// battery whose line between front piece and target holds square A of the
// threat word the filter is off. Each move once. `last` and `depth` are passed
// to sashite_threat_kind. Room: kMaxMoves.
int gen_threat_moves(const KPosition& p, const KMove* last, int depth, KMove* out);

}  // namespace board
