// The composer's shorter-mate test: a proof-number search bounded in depth,
// deepened two plies at a time, that tells whether a candidate problem also
// mates faster than its solution. It keeps its results in a table of its own
// (the composer's) and walks with the work stores of a solver instance.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_table.h"

namespace tsume {

// Node flag of this table only: a disproof that holds within its depth word
// (no mate in that many plies), not for ever.
constexpr uint8_t kFlagBoundedDisproof = 8;

// Whether the side to move of `p` mates within `ply_limit` plies, searched
// over the depths 2, 4, ... up to ply_limit + 1 with `e`'s work stores and
// `table`: 0 with the first move in `out` (and, when `plies` is given, the
// shortest mate's length), 2 when it cannot mate at any length, 1 when no
// mate within the limit was found or the node or time limit ended the search.
// A ply limit below 1 gives 1 at once. An interposing drop of the kind the
// solver counts as useless (tsume_useless_interposition) is no defence when a
// capture of it mates within the same bound.
int compose_short_mate(KTsumeEngine& e, KTsumeTable& table, const board::KPosition& p, int ply_limit, board::KMove* out,
                       int* plies, uint32_t time_limit_ms, int32_t node_limit);

}  // namespace tsume
