// TEMPORARY stand-in of the mate-threat probe until the move-ordering work
// lands: it never probes (1, undecided). Delete this file and its .cpp then.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/board/search_words.h"

namespace search {

// 0 a mate found against the mover, 1 not probed or undecided, 2 no mate.
int mate_threat_probe(board::KSearchNode& node, board::KSearchNode& child, board::KPosition& p,
                      const board::KMove& move, int ply, int ignored, const board::KMove* stack, int flags);

}  // namespace search
