// The root search: one pass of one deepening iteration over the ordered root
// list. Each move is made and handed to the node search with the negated
// window; around that loop the root's own rules: moves chosen by earlier
// passes and twins of searched moves are skipped, repetitions of the game are
// scored without search, a move that leaves a remembered mate threat standing
// is refuted, improvements are re-searched and verified, the time limit rises
// when the score turns, extra candidates join when the position looks bad, and
// the iteration is interrupted when time runs short.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/board/hash_table.h"
#include "engine/search/move_list.h"
#include "engine/search/node_records.h"
#include "engine/search/pv_learn.h"

namespace search {

struct ThinkContext;

// The draw score of a repetition by search style (1 and 2).
constexpr int kDrawScore[3] = {0, 0, 0};

// The best score found (the final alpha); 32766 when a mate cut the search
// short; -32767 when search_abort was set on entry. The root node's line is
// the best line; node scores order the next iteration. The candidate places
// (the free room behind the root moves and nodes) are used once per think and
// then emptied.
int root_search(ThinkContext& cx, KSearchNode& root, const int32_t strategies[2], KMoveNode* head, int alpha, int beta,
                board::KMove** candidate_moves, KMoveNode** candidate_nodes,
                KLearnRing* ring_a);

// Posts the node's line (from its ply on) to the view when `post` is set; the
// shown score is -32766 while the lost flag is set. The log line is dropped.
void pv_print(ThinkContext& cx, const KSearchNode& node, int count, int score, int depth, int post);

// True when the end of the list calls for the extra candidates (the
// non-promoting rook and bishop moves): iteration depth 7 or more and a best
// score below -1800.
bool candidates_due(int depth, int best);

// The exchange weight of a captured code (kind without promotion). Inline: the
// node search adds it up for every move it makes.
inline int exchange_weight(int captured_code) {
  static constexpr int kWeight[8] = {0, 2, 2, 3, 2, 1, 1, 0};
  const int kind = board::code_kind(captured_code);
  return kind >= 1 && kind <= 7 ? kWeight[kind] : 0;
}

}  // namespace search
