// Mates threatened against a side: the probe that, after a move raised alpha,
// asks the mate solver whether the opponent now mates (and remembers the
// threat), and the generator of defences against the line the opponent would
// play after a pass.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/node_records.h"
#include "engine/search/search_node.h"

namespace search {

// The table's mate mark naming a mating move: 0x8000 + destination + origin
// x 256, squares as 10 x file + rank, a drop's origin its kind; 0xffff for a
// pass (the threat-move form the line records decode).
uint32_t mate_threat_mark(const board::KMove& m);

// After `move` raised alpha at `node` (the move made, `child` its child, the
// opponent to move in `p`): the mate solver with a budget of half the child's
// node count (+20 for a move away from the square the side's previous move
// reached, or for a king move after a checking sequence; at most 10000).
// 0 a mate was found (stored for the child, the mover's threat record filled
// when empty, the node's mark set to the mate), 2 none (the child marked), 1
// not probed or undecided. `stack[i]` is the move-stack entry of ply i + 1.
int mate_threat_probe(KSearchNode& node, KSearchNode& child, board::KPosition& p,
                      const board::KMove& move, int ply, int ignored, const board::KMove* stack, int flags);

// The side to move's defences against the line the opponent would play after
// a pass (`record`: its threatening move, the reply and its next move): the
// threatened piece's escapes, more attackers of the threatened square, and
// from ply 4 up the backing of the square's attackers, drops on an empty target
// square and interpositions against the opponent's sliders; then the pieces
// the third move's captured piece protects and, at ply 2, a dragon's retreat;
// then the reply itself when it is legal. Each move once; the count (room for
// board::kMaxMoves in `out`). `horizon` is the node's horizon ply.
int gen_mate_threat_defences(const board::KPosition& p, const KPassThreat& record, int ply, int horizon,
                             board::KMove* out);

}  // namespace search
