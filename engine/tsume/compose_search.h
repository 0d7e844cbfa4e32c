// The composer's shorter-mate test: whether a candidate problem also mates
// faster than its solution, asked of the depth-bounded search (tsume_bounded.h)
// two plies deeper at a time. It keeps its results in a table of its own (the
// composer's) and walks with the work stores of a solver instance.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_table.h"

namespace tsume {

// Whether the side to move of `p` mates within `ply_limit` plies, asked for 1,
// 3, ... plies up to the limit with `e`'s work stores and `table`: 0 with the
// first move in `out` (and, when `plies` is given, the shortest mate's length),
// 2 when it cannot mate at any length, 1 when no mate within the limit was
// found or the node or time limit ended the search. A ply limit below 1 gives
// 1 at once. Futile interpositions count as the solver counts them.
int compose_short_mate(KTsumeEngine& e, KTsumeTable& table, const board::KPosition& p, int ply_limit, board::KMove* out,
                       int* plies, uint32_t time_limit_ms, int32_t node_limit);

}  // namespace tsume
