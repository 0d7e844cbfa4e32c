// The legal moves of a position, and counting the tree of legal moves (perft),
// the standard check of a move generator against published counts.
#pragma once

#include <cstdint>

#include "model/position/kyokumen.h"

namespace model {

// True when `m`, made on `before` giving `after`, is a legal move: the mover's
// king is not left attacked and a dropped pawn does not mate.
bool is_legal_result(const Kyokumen& after, const Sashite& m, int mover);

// The legal moves of `pos` in the generator's order, written to `out` (room for
// kMaxSashite moves); returns their count.
int legal_moves(const Kyokumen& pos, Sashite* out);

// Counts the legal move sequences from `start`: counts[d - 1] gets the number of
// sequences of length d, for d = 1..depth.
void perft(const Kyokumen& start, int depth, uint64_t* counts);

}  // namespace model
