// The depth-selected generator: the moves a search node examines in its
// attacking-moves stage, chosen by the generator level n the node derives from
// its remaining plies. `last` points to the move-stack entry of the move that
// led to the node (the entry before it holds the mover's own previous move).
// While the accept word's low 16 bits are not 0 every move must pass the
// accept test; moves already in the searched-move set are left out. Room:
// board::kMaxMoves.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_words.h"

namespace search {

int sashite_gen_by_depth(const board::KPosition& p, const board::KMove* last, int n, uint32_t accept,
                         const KSearchedSet& set, board::KMove* out);

}  // namespace search
