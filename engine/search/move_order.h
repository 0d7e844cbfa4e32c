// The ordering of a node's moves and the depth each is searched at: the cheap
// static scorer for lists near the horizon (no move is made), the exchange
// scoring for deeper nodes, and the ladder that searches moves further down
// the list, or with poor scores, shallower.
#pragma once

#include "engine/board/exchange_eval.h"
#include "engine/board/position.h"
#include "engine/board/think_board.h"
#include "engine/search/exchange_score.h"
#include "engine/search/move_list.h"
#include "engine/search/node_records.h"

namespace search {

// Writes every list node's score from the position's attack records, piece
// list and evaluation tables; `n` is the number of moves in the list. The
// order is left to the caller's sort. Reads board::game_stage as the search
// mode. With `notes`, the generator's notes of the moves from `noted` on (the
// list's moves lie in that array): a noted exchange is not played out again.
void engine_sashite_order(const board::KPosition& p, int n, KMoveNode* head, const board::KMove* noted = nullptr,
                          const board::KExchangeNote* notes = nullptr);

// Depth adjustments by list position for depth row `row` (clamped 0..15):
// each node's word becomes base + word - 12 per threshold passed, 6 less for a
// negative score at rows 2 and up, 12 less for a score below 500 while `flag`
// is 101 or more and the next threshold is below 600; never below `floor`.
void sashite_depth_ladder(KMoveNode* head, int base, int row, int flag, int floor);

// The node search's ordering of a stage's list: near the horizon (base +
// 12 x row below 60) the cheap scorer and the ladder; deeper, every move gets
// its exchange score and a depth adjustment from how far it falls below
// `bound` and below the node's static value, and from its list position.
// Returns the sorted list's head.
KMoveNode* node_sashite_order(ExchangePool& pool, KSearchNode& node, int stage, const board::KMove& incoming,
                              int n, KMoveNode* head, int bound, int beta, int row, int base, int floor);

// The depth cut (twelfths of a ply) of the move at list position `index`
// with exchange score `score`: 3 or 6 when it falls 500 or 1000 below
// `bound`, 6 for each of 0, 500 and 1000 below the node's static value
// `stand`, and (12 x index - 48) / 8 once that is positive, at most 24.
int order_depth_cut(int score, int bound, int stand, int index);

// The ordering of the evasions: fewer than two moves stay as they are;
// otherwise the cheap scorer below depth 5, exchange scores from there, then
// the ladder with floor -60. Returns the head.
KMoveNode* sashite_order_select(ExchangePool& pool, KSearchNode& node, int n, KMoveNode* head, int depth, int base);

}  // namespace search
