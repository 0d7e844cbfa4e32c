// TEMPORARY stand-ins of the move ordering until that work lands: the cheap
// scorer scores every node 0, and the two ordering passes of the node search
// keep the generator's order and give every move the base depth adjustment.
// Delete this file and its .cpp then.
#pragma once

#include "engine/board/position.h"
#include "engine/board/search_words.h"
#include "engine/search/move_list.h"

namespace search {

void engine_sashite_order(const board::KPosition& p, int n, KMoveNode* head);

// The ordered list of a node stage (its head); `base` is written as every
// move's depth adjustment.
KMoveNode* node_sashite_order(board::KSearchNode& node, int stage, const board::KMove& incoming, int n,
                              KMoveNode* head, int alpha, int beta, int remaining, int base, int floor);
// The ordered list of the evasions; `base` as above.
KMoveNode* sashite_order_select(board::KSearchNode& node, int n, KMoveNode* head, int depth, int base);

}  // namespace search
