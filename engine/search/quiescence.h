// The quiescence search past a node's horizon: a fail-soft negamax over
// captures and the quiescence generators while the side to move is not in
// check and over every evasion while it is, standing pat on the blended static
// score, with the mate tests of the node search and the stop test every 32
// nodes.
#pragma once

#include <cstdint>

#include "engine/search/move_list.h"
#include "engine/search/node_records.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"

namespace search {

// The score of the node (the incoming move made). `pair_key` is the key of the
// move that led here answering the move before it (for a checking move from
// the node search, its quiet-dragon flag), `exchange_class` its move-stack
// pattern; either set makes the node forced (no stand pat). `searched` gets 0
// when the node returned before its move loop, 1 when it reached it, 2 when a
// move of the loop became its line.
int search_quiescence(ThinkContext& cx, KSearchNode& node, const KMoveNode* incoming, int alpha, int beta, uint32_t pair_key,
                      int exchange_class, int* searched);

// 1 to stop the search: think_words.control 1, or (not pondering, under a time rule:
// a time limit of 500 ms or more and no no-time-limit flag) the think's time
// has reached its current limit; else 0.
int qsearch_stop_test(ThinkContext& cx);

// Plies past the horizon the full quiescence generators run, by search mode.
constexpr int kQuiescenceReach[3] = {2, 2, 1};

}  // namespace search
