// What the node search and the quiescence search share (the move pool is in
// the think context, think_context.h): the full evaluation of a node's record, the storing of a found mate,
// and the quick mate tests for the opponent after a move.
#pragma once

#include <cstdint>

#include "engine/board/eval_record.h"
#include "engine/board/hash_key.h"
#include "engine/board/hash_table.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_rules.h"
#include "engine/board/position.h"
#include "engine/eval/eval_position.h"
#include "engine/search/eval_cache.h"
#include "engine/search/move_list.h"
#include "engine/search/node_records.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"

namespace search {

inline bool is_pass(const board::KMove& m) { return m.from == board::kPassSquare; }
inline bool is_drop(const board::KMove& m) { return m.from == board::kInHand; }

// The key of the position after move m from the position of `key` (hand side 0).
inline board::KHashKey child_key(board::KHashKey key, const board::KMove& m) {
  board::hash_key_sashite(key, 0, m);
  return key;
}

// Asks for a child's table bucket and its evaluation-cache entry ahead of the
// child's turn; changes nothing. Returns the bucket (board::hash_prefetch).
inline uint32_t child_prefetch(ThinkContext& cx, const board::KHashKey& key) {
  const uint32_t bucket = board::hash_prefetch(key);
  eval_cache_prefetch(cx.eval_cache, key);
  return bucket;
}

// Completes the node's record (the king lines, then the whole board) unless it
// is fully evaluated; `last` is the move that led to the position. Returns
// whether the terms added may depend on `last` being a pass (see
// eval::eval_position; true when the record was already complete).
bool evaluate_fully(const board::KPosition& p, board::KEvalRecord& r, int silver_square, const board::KMove& last);
inline bool fully_evaluated(const board::KEvalRecord& r) {
  return (r.flags & eval::kFullyEvaluated) == eval::kFullyEvaluated;
}

// The capped mate search of the quick mate tests runs at plies below this.
constexpr int kMateSearchBelowPly = 3;

// A proven mate for the side to move at `key`: depth 756, exact, 32766.
constexpr int kProvenDepth = 756;
constexpr uint32_t kProvenMark = 32767;
constexpr int kMateTag = 5;
void store_mate(const board::KHashKey& key, board::KMoveWord mate);

// The quick mate tests after the side `mover` made a move (or passed) and the
// opponent is to move, not in check: a mate in one; else, when the table holds
// no mark for the position, a mate remembered against the mover re-verified
// along its record (300 ms); else, with `search_allowed`, the mate search
// capped at 300 nodes, which marks the position as searched when it finds
// nothing. A mate found is stored for the position's key, its first move in
// `mate`. No test that sets the mate solver's time limit starts while a stop is
// asked for.
//
// The node searches ask after nearly every move and nearly every answer is
// "no", so the one-move test and the early answers are inline here; the
// answers that need the mate solver are out of line (node_common.cpp).
bool opponent_mates_beyond_one(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int mover,
                               bool search_allowed, board::KMoveWord* mate);
bool opponent_mates_in_one(const KSearchNode& child, board::KMoveWord w, board::KMoveWord* mate);
inline bool opponent_mates(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int mover, bool search_allowed,
                           board::KMoveWord* mate) {
  board::KMoveWord w = 0;
  if (board::ichite_zume(*child.position, &w)) return opponent_mates_in_one(child, w, mate);
  if (child.tsume_mark != 0 || think_words.control.load() == kThinkStop) return false;
  // Without a remembered mate and without a search allowed here there is
  // nothing more to ask: most calls end at this test, without a call.
  if (node.threat[mover].key.word[0] == 0 && (!search_allowed || cx.search_ply >= kMateSearchBelowPly)) return false;
  return opponent_mates_beyond_one(cx, node, child, mover, search_allowed, mate);
}

// The draw value of a repetition from the side to move's view.
int draw_value(const ThinkContext& cx, int side_to_move);

}  // namespace search
