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

// 1 when one of the eight squares around the side to move's king that the
// move into the current ply raised the side's count on (its record in the
// per-ply square table) is held by the opponent, direct plus x-ray attackers,
// at least as strongly as by the side to move; else 0. 0 without a king or a
// table layer (no move led to the ply).
int king_zone_threat_test(const board::KPosition& p);

}  // namespace search
