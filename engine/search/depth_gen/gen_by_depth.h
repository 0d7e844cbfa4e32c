// The depth-selected move generator: the moves a search node examines in its
// attacking stage, chosen by the generator level n that the node derives from
// its remaining depth. n <= 0 gives the captures with exchange evaluation,
// n = 1 the checking moves; from n = 2 on the attack generator proposes drops
// against the enemy king, the squares next to it (n >= 4), the enemy pieces
// and the enemy camp, writes the filtered moves of every own piece (the king
// first), and then the admitted drops in the order of their first proposal.
// The higher n, the more candidates pass. It only reads the position.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_words.h"

namespace search {

// Writes the moves from `out` on and returns their number. `last` is the
// record of the move that led to the node, inside an array whose previous
// record is the mover's own move before it (either may be a pass). With the
// low 16 bits of `accept` set, every move must also pass the accept test.
// Moves in the node's searched set are never written. `out` must have room for
// board::kMaxMoves records.
int sashite_gen_by_depth(const board::KPosition& p, const board::KMove* last, int n, uint32_t accept,
                         const KSearchedSet& set, board::KMove* out);

}  // namespace search
