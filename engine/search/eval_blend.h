// The phase-blended static score of a node: per side a plain sum of the
// record's words blended with its king-safety-compressed form by a game-phase
// weight, then one side's blend less the other's. The node search and the
// quiescence search stand pat, test futility and score a double pass with it.
#pragma once

#include "engine/board/eval_record.h"
#include "engine/board/position.h"

namespace search {

// The score of side x against the other side from the record. 600 is taken
// from the side that made the last move: from the other side normally, from x
// when the last move was a pass.
int eval_blend_node(const board::KEvalRecord& r, int x, bool last_move_was_pass);

// The optimistic score of side z for the futility test: z's material words
// raised by 150 x (z's promoted pawns + 2), the other side's king-area term
// lowered by 450 before the weights are taken, the knee terms +100 for z and
// -100 for the other side, and no 600 taken from either side.
int eval_blend_side(const board::KEvalRecord& r, const board::KPosition& p, int z);

}  // namespace search
