// TEMPORARY stand-ins of the root's line records until that work lands: the
// predicted lines, the mate verification along a line, the mate threat of the
// chosen move and the learning records answer neutrally (nothing is saved,
// found or stored). Delete this file and its .cpp then.
#pragma once

#include <vector>

#include "engine/board/hash_table.h"
#include "engine/board/position.h"
#include "engine/board/search_words.h"

namespace search {

void saved_pv_clear();
// Lines kept for a re-search: 0.
int saved_pv_store(board::KPosition& p, const board::KMove& move, const board::KSearchNode& child);
// 0: no mate on the line.
int pv_mate_verify(board::KSearchNode& node, int start_ply);
// Clears the threat flag.
void pv_move_mate_threat(board::KPosition& p, board::KPvHolder& result);
void learn_store_results(const board::KHashKey& key, int depth, int score, const board::KPvHolder& line,
                         int root_only, std::vector<board::KLearnRecord>* ring);
void learn_store_entry(const board::KHashKey& key, const board::KMove& mate, std::vector<board::KLearnRecord>* ring);

}  // namespace search
