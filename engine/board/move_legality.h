// Tests of single moves on the engine position: whether a move can be made at
// all (pseudo-legality), whether a lance move or drop is worth searching, and a
// list filter that also removes moves leaving the own king attacked.
#pragma once

#include "engine/board/position.h"

namespace board {

// 1 when the move can be made on the position by the side to move, else 0:
// a pass when the mover's king is not attacked; a board move when the
// destination holds the move's captured code and no piece of the mover and one
// of the mover's direct attackers of the destination stands on the from-square
// with the move's code; a drop of a kind in hand onto an empty square that the
// pawn-file and last-rank rules allow. Whether a board move leaves the mover's
// king attacked is not tested: callers test that after do_move. Piece numbers
// are not read (a decoded move word has none).
int sashite_is_legal(const KPosition& p, const KMove& m);

// 1 when a lance move or drop of the side to move is not worth searching at
// this depth, else 0 (also for every other move):
// - an unpromoted lance moving to a square whose strategy bonus is not above its
//   origin's: when it stops unpromoted on the second rank (gote: eighth), or
//   when it neither captures nor promotes while its origin is not attacked;
// - a lance drop on the second rank (gote: eighth) while a pawn in hand could go
//   to that file, unless the enemy king stands right in front of it; or, out
//   of check and at depth 7 or more, with an empty and unattacked square
//   behind it.
int kyo_sashite_test(const KPosition& p, const KMove& m, int depth);

// Removes from the list the moves that kyo_sashite_test rejects (unless the
// depth is -1) and those that leave the mover's king attacked (each is made and
// taken back); a removed move is replaced by the list's last one, which is then
// tested in its place. Returns the new count.
int sashite_list_filter_legal(KPosition& p, int count, KMove* moves, int depth);

}  // namespace board
