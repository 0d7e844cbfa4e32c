// The one-move mate finder: a cheap pre-test on the enemy king's neighbours,
// quick refutations of checks that the king simply answers, and the trial of
// the remaining checks.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace board {

// 0 when the side to move certainly has no mate in one by a drop or a move onto
// one of the enemy king's neighbours or a knight check, 1 when it may have one.
int ichite_zume_pretest(const KPosition& p);

// 1 when the checking move is certainly answered (the king takes an unsupported
// checker next to it, or steps off the line of a distant checker), so that it
// need not be tried; 0 when it must be tried.
int oute_quick_refute(const KPosition& p, const KMove& m);

// The same rules over a list of checks (a board move's support counts x-ray
// attacks too): a refuted check is replaced by the list's last one, which is
// then examined in its place. Returns the new count.
int oute_list_filter(const KPosition& p, int count, KMove* list);

// 1 when the side to move mates in one, with the mating move's word in `out`;
// else 0 and `out` is not written. A pawn drop is never the answer, nor a move
// that leaves the mover's own king attacked.
int ichite_zume(KPosition& p, KMoveWord* out);

}  // namespace board
