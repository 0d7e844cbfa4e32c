// The node search below the root: one call searches the node's position (the
// incoming move made) to the horizon its ext word and the iteration depth
// give, within the window (negamax), and leaves its best line in the node's
// principal-variation holder from its ply on.
#pragma once

#include "engine/board/search_words.h"
#include "engine/search/move_list.h"
#include "engine/search/search_words.h"

namespace search {

// The best score found (fail-soft), 32766 a mate, -32767 when search_abort was
// set on entry or got set on the way (a stop request, or the time).
int search_node(board::KSearchNode& node, const KMoveNode* incoming, int alpha, int beta, int flag_a, int flag_b);

// The horizon's remaining plies of a node at `ply` with extension word `ext`
// (in twelfths; a positive one rounds up).
inline int remaining_plies(int ext, int ply) {
  return search_depth.load(std::memory_order_relaxed) + (ext > 0 ? (ext + 11) / 12 : ext / 12) - ply;
}

}  // namespace search
