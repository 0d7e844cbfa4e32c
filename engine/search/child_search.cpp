#include "engine/search/child_search.h"

#include <algorithm>

#include "engine/board/evasion_gen.h"
#include "engine/board/hash_table.h"
#include "engine/board/move_rules.h"
#include "engine/search/mate_threat.h"
#include "engine/search/move_words.h"
#include "engine/search/node_common.h"
#include "engine/search/search_node.h"
#include "engine/search/tactical_extension.h"
#include "engine/search/think_context.h"
#include "engine/tsume/tsume_entry.h"

namespace search {

namespace {

using board::KMove;

constexpr int kReturningLinePly = 5;
constexpr int kKindMask = 0x8f;

// One search of the child with the window from the node's side; the child's
// counters go into the node. The child's line starts empty.
int search_once(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int child_ply, const KMoveNode* move_node,
                int alpha, int beta, int flag_a, int flag_b) {
  pv_holder_init(child.pv, child_ply - 1);
  const int s = -search_node(cx, child, move_node, -beta, -alpha, flag_a, flag_b);
  for (int i = 0; i < 3; ++i) node.counters[i] += child.counters[i];
  return s;
}

// Extends the child by e, remembers it for the move, and searches again.
int extend_and_search(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int child_ply,
                      const KMoveNode* move_node, int e, int alpha, int beta, int flag_a, int flag_b) {
  child.ext += e;
  board::hash_store_extension(child.key, e, kmove_pack(*move_node->move));
  return search_once(cx, node, child, child_ply, move_node, alpha, beta, flag_a, flag_b);
}

bool gives_check_made(const board::KPosition& p) { return board::king_attacked(p, p.teban); }

}  // namespace

int search_child_verify(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int child_ply, int,
                        const KMoveNode* move_node, int alpha, int beta, int flag_a,
                        int flag_b, int* credit, int depth_lag) {
  const KMove* stack = cx.move_stack;
  KSearchNode* const* contexts = cx.ply_nodes;
  const KMove& move = *move_node->move;
  board::KPosition& p = *child.position;
  int s = search_once(cx, node, child, child_ply, move_node, alpha, beta, flag_a, flag_b);
  if (s == kScoreNone) return s;
  if (s > alpha && s >= -30999) {
    int e = tactical_extension_match(p, child_ply - 1, &stack[1], contexts);
    const int e2 = depth_lag >= kOnePly ? std::min(*credit, depth_lag) : 0;
    e = std::max(e, e2);
    if (e >= 1) {
      s = extend_and_search(cx, node, child, child_ply, move_node, e, alpha, beta, flag_a, flag_b);
      if (s == kScoreNone) return s;
    } else if (gives_check_made(p) && (flag_a & 1)) {
      const int e3 = node.ext - child.ext + kOnePly;
      if (e3 > 0) {
        s = extend_and_search(cx, node, child, child_ply, move_node, e3, alpha, beta, flag_a, flag_b);
        if (s == kScoreNone) return s;
      }
    }
    if (s > alpha && mate_threat_probe(node, child, p, move, child_ply - 1, 0, &stack[1], flag_a) == 0) {
      return -kScoreMate;
    }
  }
  if (depth_lag >= 1 && s <= alpha && move_node->stage == 2 && child_ply >= 2 && move.to == stack[child_ply - 2].to) {
    *credit += kRecaptureCredit;
  }
  return s;
}

int search_child(ThinkContext& cx, KSearchNode& node, KSearchNode& child, int child_ply, int stage,
                 const KMoveNode* move_node, int alpha, int beta, int flag_a, int flag_b,
                 int* credit, int depth_lag) {
  const KMove* stack = cx.move_stack;
  KSearchNode* const* contexts = cx.ply_nodes;
  if (child.ext < node.ext) {
    const int s = search_once(cx, node, child, child_ply, move_node, alpha, alpha + 1, flag_a, flag_b);
    if (s == kScoreNone || s <= alpha) return s;
    child.ext = node.ext;
    return search_child_verify(cx, node, child, child_ply, stage, move_node, alpha, beta, flag_a,
                               flag_b, credit, depth_lag);
  }
  int s = search_child_verify(cx, node, child, child_ply, stage, move_node, alpha, beta, flag_a, flag_b,
                              credit, depth_lag);
  if (s == kScoreNone || s > alpha || child_ply < kReturningLinePly) return s;
  // A line that returns to a capture: the side recaptures what its previous
  // move took with a check that leaves at most one evasion, after the two
  // plies before were searched a ply or more shallower.
  const int a = contexts[child_ply - 4]->ext, b = contexts[child_ply - 3]->ext, c = contexts[child_ply - 2]->ext;
  const KMove& own = stack[child_ply - 2];
  const KMove& made = stack[child_ply];
  board::KPosition& p = *child.position;
  if (a - b >= kOnePly && a - c >= kOnePly && !is_pass(own) && own.captured_code != 0 &&
      (made.code & kKindMask) == (own.captured_code & kKindMask) && gives_check_made(p) &&
      board::oute_nige_count(p, 1) == 0) {
    const int e = a - c;
    child.ext += e;
    board::hash_store_extension(child.key, e, kmove_pack(made));
    s = search_child_verify(cx, node, child, child_ply, stage, move_node, alpha, beta, flag_a, flag_b,
                            credit, depth_lag);
  }
  return s;
}

int tsume_search_capped(board::KPosition& p, board::KHashKey* key, int, KMove* out, int32_t limit) {
  return tsume::tsume_search(p, key, out, std::min(limit, kTsumeCappedNodes));
}

}  // namespace search
