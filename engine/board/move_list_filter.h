// The filter of a root move list that drops the moves which only shuffle back
// after the last two moves: the opponent's last move p and the side's own move q
// before it.
#pragma once

#include "engine/board/position.h"

namespace board {

// Removes from the list of `count` moves (passes are kept) every move m that
// undoes the exchange p and q started, and returns the new count. p qualifies
// only as a board move of a gold-moving piece along a file or rank, a silver
// that changed file, or a rook, bishop, king, dragon or horse. m goes when:
// - m goes back to p.from with the piece that q dropped, and p captured nothing;
// - q dropped onto p.to (and p took it) and m drops onto p.from;
// - m drops onto q.from a piece whose moves are all among those of q's piece,
//   q captured nothing and p landed on q.to.
// A removed move is replaced by the last one, which is examined next, so the
// order changes. With a null p or q the list is unchanged.
int sashite_list_filter(int count, KMove* moves, const KMove* p, const KMove* q);

}  // namespace board
