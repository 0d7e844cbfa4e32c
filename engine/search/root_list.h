// Services on the linked root list that the think routine and the root search
// use between iterations, the reordering of twin root moves, and the memory of
// the best root move of the think.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_list.h"
#include "engine/search/node_records.h"

namespace search {

// At most this many root nodes are counted.
constexpr int kRootCountCap = 593;
// The score of a root node the last iteration did not search.
constexpr int16_t kUnsearchedScore = 32767;

// Stable insertion sort by score, highest first; the new head.
KMoveNode* sashite_list_sort(KMoveNode* head);
// Scores that keep the order: count - 31000 for the head, one less for each next.
void root_moves_rank(KMoveNode* head);
// Unlinks the nodes scored 32767; the new head (null when none remains).
KMoveNode* root_moves_remove_marked(KMoveNode* head);
// Unlinks the node; the new head.
KMoveNode* root_node_unlink(KMoveNode* node, KMoveNode* head);
// Unlinks, from `first` on, the nodes whose move the lance test rejects at the depth; the head.
KMoveNode* root_moves_drop_pawn_rejects(const board::KPosition& p, KMoveNode* head, KMoveNode* first, int depth);
// Drops the rejected moves behind the head and counts the nodes, up to 593.
int root_moves_count(const board::KPosition& p, KMoveNode* head, int depth);
// Links the node in front of the head; the new head.
KMoveNode* root_move_to_front(KMoveNode* node, KMoveNode* head);
// The sum of a line's move words from index i on; 0 past its end.
uint32_t sum_from(const KPvHolder& line, int i);
void root_window_init(int* alpha, int* beta);

// Moves a few root moves behind better-placed twins, from `first` on: lance
// drops behind a drop further back on the file, rook lifts to rank 7 (gote 3)
// behind a lift of the same rook to a safe rank 6, 8 or 9 (gote 4, 2, 1).
void root_moves_filter(const board::KPosition& p, KMoveNode* first);

// The best root move of the think.
void best_move_clear();
void best_move_set(const board::KMove& m);
int best_move_get(board::KMove* out);
int16_t best_score_get();
void best_line_set(int score, const KMoveNode& node);

// 1 when the side to move is in check, or the move gives no check, or it
// captures a piece other than an unpromoted pawn.
int move_needs_full_search(const board::KPosition& p, const board::KMove& m);

}  // namespace search
