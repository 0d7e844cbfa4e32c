// Short tactical sequences that earn the line a deeper search (a climbing
// silver's pawn thrust, an edge knight or lance attack, a drop traded off and
// retaken, pushes against an edge king), and the king-zone test.
#pragma once

#include "engine/board/position.h"
#include "engine/search/node_records.h"

namespace search {

// The extension in twelfths of a ply that the last two or three moves earn;
// 0 or less: none. `p` is the position after the move, `ply` the ply of the
// node that made it, `stack[i]` the move-stack entry of ply i + 1 and
// `contexts` the per-ply search nodes (their `ext`). The extension is what
// brings the child up to the depth the pattern allows, measured against the
// node one, two or three plies up.
int tactical_extension_match(const board::KPosition& p, int ply, const board::KMove* stack,
                             KSearchNode* const* contexts);

}  // namespace search
