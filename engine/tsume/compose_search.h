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

// Whether the side to move of `p` mates within `ply_limit` plies, searched
// over the depths 2, 4, ... up to ply_limit + 1 (compose_root) with `e`'s work
// stores and `table`: 0 with the first move in `out` (and, when `plies` is
// given, the shortest mate's length), 2 when it cannot mate at any length, 1
// when no mate within the limit was found or the node or time limit ended the
// search. A ply limit below 1 gives 1 at once. Futile interpositions count as
// the solver counts them.
int compose_short_mate(KTsumeEngine& e, KTsumeTable& table, const board::KPosition& p, int ply_limit, board::KMove* out,
                       int* plies, uint32_t time_limit_ms, int32_t node_limit);

// One depth of the shorter-mate test from the root `c` (attacker to move): a
// position reached at ply `depth` or beyond counts as not mated, so the
// question is a mate within depth - 1 plies, asked of the depth-bounded search
// on `table` with `e`'s work stores, path and limits. 0 a mate (the first move
// in node coding in `move`, the mate's length in `length`), 2 none within
// depth - 1 plies, 1 undecided (node or time limit, a full table).
int compose_root(KTsumeEngine& e, KTsumeTable& table, const TsumeContext& c, int depth, uint16_t* move, int* length);

}  // namespace tsume
