#include "engine/search/node_common.h"

#include <algorithm>

#include "engine/board/hash_table.h"
#include "engine/eval/eval_position.h"
#include "engine/eval/king_lines.h"
#include "engine/search/child_search.h"
#include "engine/search/root_search.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"

namespace search {

namespace {

constexpr uint32_t kThreatVerifyMs = 300;
constexpr int32_t kNodeMateNodes = 300;

}  // namespace

bool evaluate_fully(const board::KPosition& p, board::KEvalRecord& r, int silver_square, const board::KMove& last) {
  if (fully_evaluated(r)) return true;
  // The king lines do not read the last move.
  eval::eval_king_kiki(p, r);
  return eval::eval_position(p, silver_square, last, r);
}

void store_mate(const board::KHashKey& key, board::KMoveWord mate) {
  board::hash_store(key, kProvenDepth, board::kBoundExact, kScoreMate, kProvenMark, 0, 0, mate, kMateTag);
}

bool opponent_mates_in_one(const KSearchNode& child, board::KMoveWord w, board::KMoveWord* found) {
  store_mate(child.key, w);
  *found = w;
  return true;
}

namespace {

// The mate remembered against the mover, re-verified along the moves since.
[[gnu::noinline]] bool recorded_mate_holds(ThinkContext& cx, const KMateThreat& t, KSearchNode& child,
                                           board::KMoveWord* found) {
  const int since = static_cast<int>(t.ply);
  const int plies = cx.search_ply + 1 - since;
  board::KMove mate;
  if (since >= 0 && plies >= 0 && since + 1 < kPlyEntries &&
      tsume::tsume_verify(t.key, t.move, plies, &cx.move_stack[since + 1], *child.position, &mate,
                          kThreatVerifyMs) == 0) {
    *found = board::move_word(mate);
    store_mate(child.key, *found);
    return true;
  }
  return false;
}

// The capped mate search; a position without a mate is marked as searched.
[[gnu::noinline]] bool capped_search_mates(ThinkContext& cx, KSearchNode& child, board::KMoveWord* found) {
  board::KMove mate;
  if (tsume_search_capped(*child.position, &child.key, cx.search_ply, &mate, kNodeMateNodes) == 0) {
    *found = board::move_word(mate);
    store_mate(child.key, *found);
    return true;
  }
  board::hash_set_tsume_mark(child.key, board::kNoMateMark);
  child.tsume_mark = static_cast<int32_t>(board::kNoMateMark);
  return false;
}

}  // namespace

// The two searches are out of line: most calls end at the tests before them
// (opponent_mates in node_common.h asks the same first).
bool opponent_mates_beyond_one(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int mover,
                               bool search_allowed, board::KMoveWord* found) {
  const KMateThreat& t = node.threat[mover];
  if (t.key.word[0] != 0) return recorded_mate_holds(cx, t, child, found);
  if (!search_allowed || cx.search_ply >= kMateSearchBelowPly) return false;
  return capped_search_mates(cx, child, found);
}

int draw_value(const ThinkContext& cx, int side_to_move) {
  const int v = kDrawScore[std::clamp(cx.search_style, 1, 2)];
  return side_to_move == cx.time_state.side ? v : -v;
}

}  // namespace search
