// The layer between a node and its child: a reduced move is probed with a null
// window first and searched fully only when it fails high; the child's
// counters go into the node; extensions decided after a first search (the
// tactical catalogue, the recapture credit, the check extension, a line
// returning to a capture) search the child again; a move that lets the
// opponent mate is refuted. Also the capped in-node mate search.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_list.h"
#include "engine/search/node_records.h"

namespace search {

struct ThinkContext;

// The child's score from the node's side. `child_ply` is the child's ply (the
// move is made and on the move stack of the think's context at that entry,
// whose node pointer of ply p is the node of ply p); `credit` is the node's recapture credit; `depth_lag` the node's
// depth lag (its parent's ext less its own).
int search_child(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int child_ply, int stage,
                 const KMoveNode* move_node, int alpha, int beta, int flag_a, int flag_b, int* credit, int depth_lag);

// The full-window search of the child with its extensions (same arguments).
int search_child_verify(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int child_ply, int stage,
                        const KMoveNode* move_node, int alpha, int beta, int flag_a, int flag_b, int* credit, int depth_lag);

// The mate search with the node limit capped at 300000: 0 a mate (first move
// in `out`), else no mate shown.
constexpr int32_t kTsumeCappedNodes = 300000;
int tsume_search_capped(board::KPosition& p, board::KHashKey* key, int ply, board::KMove* out, int32_t limit);

// The extension steps of the node search (twelfths of a ply).
constexpr int kOnePly = 12;
constexpr int kRecaptureCredit = 24;

}  // namespace search
