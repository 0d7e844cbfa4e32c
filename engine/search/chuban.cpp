// The think routine: the root prepared (table, key, strategies, evaluation
// stage, time), a mate looked for, the root moves built and assessed, then the
// root search deepened one ply at a time until the depth, a time rule or a stop
// ends it.
#include "engine/search/chuban.h"

#include <algorithm>
#include <cstdlib>

#include "engine/board/think_board.h"
#include "engine/board/hash_table.h"
#include "engine/board/move_rules.h"
#include "engine/board/ply_table.h"
#include "engine/board/repetition.h"
#include "engine/eval/progress.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/senkei_root_adjust.h"
#include "engine/eval/senkei_select.h"
#include "engine/search/eval_cache.h"
#include "engine/search/formation_seed.h"
#include "engine/search/line_records.h"
#include "engine/search/move_set.h"
#include "engine/search/node_records.h"
#include "engine/search/position_features.h"
#include "engine/search/pv_learn.h"
#include "engine/search/root_assess.h"
#include "engine/search/root_list.h"
#include "engine/search/root_moves.h"
#include "engine/search/root_search.h"
#include "engine/search/time_control.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

constexpr int kRootStage = 5;
constexpr int kSingleMoveDepth = 7;
constexpr int kSingleNodeDepth = 6;
constexpr int kLearnBelow = 1000;

// The root line (moves 1..length of the node) into the result block (0-based).
void copy_line(const KPvHolder& line, KPvHolder& out) {
  out.length = std::min(line.length, KPvHolder::kMateAtRootSlot);
  for (int i = 0; i < out.length; ++i) {
    out.moves[i] = line.moves[i + 1];
    out.flags[i] = line.flags[i + 1];
  }
}

// The result block's line back into the root line.
void restore_line(const KPvHolder& out, KPvHolder& line) {
  line.length = out.length;
  for (int i = 0; i < out.length; ++i) {
    line.moves[i + 1] = out.moves[i];
    line.flags[i + 1] = out.flags[i];
  }
}

void set_one_move(KPvHolder& out, const KMove& m) {
  out.length = 1;
  out.moves[0] = board::move_word(m);
  out.flags[0] = 0;
}

// Reset, strategies, evaluation stage, time and clearing: steps before the
// root mate check. Returns the two strategy codes.
void prepare_root(ThinkContext& cx, const ThinkRequest& r, int32_t strategies[2]) {
  KPosition& p = *r.position;
  const int s = p.teban;
  think_words.depth.store(0);
  cx.search_style = r.search_style;
  r.result->threat = 0;
  cx.early_stop_score = r.early_stop_score;
  think_clock_start(cx);
  board::hash_clear();
  if (r.learn_flag) {
    for (KLearnRing* ring : {r.ring_a, r.ring_b}) {
      if (ring != nullptr && !ring->records.empty()) {
        board::hash_preload_learned(ring->records.data(), ring->records.size());
      }
    }
  }
  board::hash_key_full(p, 0, cx.root_key);
  cx.move_stack[1] = r.history_count >= 1 ? r.history[r.history_count - 1] : board::pass_move();
  cx.move_stack[0] = r.history_count >= 2 ? r.history[r.history_count - 2] : board::pass_move();
  board::think_board.generator_words.threat_word = 0;

  const int32_t current = r.senkei != nullptr ? *r.senkei : 0;
  strategies[s] = eval::senkei_select(p, s, r.senkei_hint_a, current, r.senkei_hint_b);
  strategies[1 - s] = eval::senkei_select(p, 1 - s, 0, 0, 0);
  if (r.senkei != nullptr) *r.senkei = strategies[s];
  board::think_board.generator_words.game_stage = eval::progress_estimate(p);
  eval::eval_root_prepare(p, strategies, r.play_style);
  eval::eval_setup_stage(p, board::think_board.generator_words.game_stage, strategies);
  // The evaluation cache is not emptied: the set-up above raised the settings
  // count, so no entry of an earlier think matches any more.

  int32_t max_limit = 0;
  const int32_t base = time_for_move(p, r.time[0], r.time[1], &max_limit);
  think_words.limits.base_limit.store(base);
  think_words.limits.max_limit.store(max_limit);
  think_words.limits.current_limit.store(base);
  think_words.limits.extension.store(0);

  // The candidate table is not emptied either: its generations only grow, so
  // nothing an earlier think marked counts as set.
  node_counter_reset(cx);
  board::path_rep_clear();
  board::pos_table_init();
  cx.root_node = KSearchNode{};
  cx.root_node.position = &p;
  position_features(p, cx.root_node.eval);
  cx.root_node.key = cx.root_key;
  root_path_register(cx, cx.root_node);
  cx.search_abort = 0;

  cx.time_state.side = s;
  cx.time_state.max_depth = r.max_depth;
  cx.time_state.lost = 0;
  cx.time_state.pass_threat = 0;
  cx.time_state.best_score = kScoreNone;
  cx.time_state.previous_score = -kScoreMate;
  cx.time_state.in_check = board::king_attacked(p, s) ? 1 : 0;
  cx.time_state.no_time_limit = r.no_time_limit ? 1 : 0;
  cx.time_state.elapsed = 0;
  std::fill(std::begin(cx.time_state.exchange_count), std::end(cx.time_state.exchange_count), 0);
}

// How a think ended, for its last report.
struct ThinkEnd {
  int depth = 0;        // of the iteration whose line stands (0: no search)
  bool reported = false;  // the road sent its last report itself
};

// The think's roads: the root mate check, no move, the static answer of
// depth 1, and the deepening.
int think_roads(ThinkContext& cx, const ThinkRequest& r, ThinkEnd& end) {
  KPosition& p = *r.position;
  KPvHolder& out = *r.result;
  const int s = p.teban;
  int32_t strategies[2] = {0, 0};
  prepare_root(cx, r, strategies);
  if (r.speed) *r.speed = 0;

  KMove mate;
  const int32_t budget = tsume_budget(think_words.limits.current_limit.load(), cx.time_state.max_depth, r.normal_play);
  if (root_mate_check(cx, p, &mate, budget) == 0) {
    out.Reset();
    set_one_move(out, mate);
    out.flags[KPvHolder::kMateAtRootSlot] = 1;
    pv_report(cx, 1, out.moves, kScoreMate, 1, kRootMateDepth, cx.node_counter,
              static_cast<uint32_t>(think_elapsed(cx)));
    end.reported = true;
    learn_store_entry(cx.root_key, mate, r.ring_a);
    return kScoreMate;
  }
  out.flags[KPvHolder::kMateAtRootSlot] = 0;
  best_move_clear(cx.best_root);
  const KMove* last = r.history_count >= 1 ? &r.history[r.history_count - 1] : nullptr;
  const KMove* before = r.history_count >= 2 ? &r.history[r.history_count - 2] : nullptr;
  const int n = GetProper(cx, p, cx.root_moves, last, before, cx.time_state.max_depth);
  if (n == 0) {
    out.length = 0;
    return -kScoreMate;
  }
  KMove* candidate_moves = &cx.root_moves[n];
  KMoveNode* candidate_nodes = &cx.root_nodes[n];
  if (n == 1 && r.normal_play) {
    cx.time_state.max_depth = std::min(cx.time_state.max_depth, kSingleMoveDepth);
    candidate_moves = nullptr;
    candidate_nodes = nullptr;
  }

  KMoveNode* head = sashi_list_init(cx.root_nodes, n, cx.root_moves, kRootStage);
  EvalByFacePrecise(p, n, head);
  head = sashite_list_sort(head);
  root_moves_rank(head);
  best_move_set(cx.best_root, *head->move);
  set_one_move(out, *head->move);
  end.depth = 1;
  if (cx.time_state.max_depth <= 1) return head->score;

  if (!cx.time_state.in_check) formation_seed(p, cx.root_key, 1);
  iteration_clock_start(cx);

  int score = head->score;
  // Set when the deepening ended before an iteration completed: the answer
  // is the static one, which the learning records do not keep.
  bool unsearched = false;
  const int best_count = std::max(r.best_count, 1);
  for (int d = 2;; ++d) {
    const bool ponder = think_words.control.load() == kThinkPonder;
    if (d > cx.time_state.max_depth && !(ponder && d <= cx.time_state.max_depth + 2)) break;
    think_words.depth.store(d);
    cx.root_node.pv.Reset();
    cx.time_state.searched_count = 0;
    move_set_clear(cx.searched_move_set);
    for (int pass = 0; pass < best_count; ++pass) {
      int alpha, beta;
      root_window_init(&alpha, &beta);
      cx.root_node.threat[0].key.word[0] = 0;
      cx.root_node.threat[1].key.word[0] = 0;
      if (cx.time_state.pass_threat) {
        cx.root_node.threat[s].key = threat_record_key(p, s);
        cx.root_node.threat[s].move = board::pass_move();
        cx.root_node.threat[s].ply = 1;
      }
      cx.time_state.exchange_count[0] = cx.time_state.exchange_count[1] = 0;
      saved_pv_clear(cx.saved_lines);
      cx.search_ply = 1;
      cx.ply_nodes[1] = &cx.root_node;
      score = root_search(cx, cx.root_node, strategies, head, alpha, beta, &candidate_moves, &candidate_nodes,
                          r.ring_a);
      eval::senkei_table_restore(s);
      cx.time_state.previous_score = score;
      think_words.limits.current_limit.store(think_words.limits.base_limit.load());
      board::path_rep_truncate(cx.path_ply_count[0]);
      if (cx.search_abort || move_set_count(cx.searched_move_set) >= best_count) break;
    }
    cx.time_state.elapsed = iteration_end_log(cx, d, cx.search_abort);
    if (cx.search_abort) {
      head = root_moves_remove_marked(head);
      if (head == nullptr || cx.root_node.pv.length == 0) {
        // Nothing this iteration searched made a line (no move searched, or
        // each one searched lost to a mate): the last completed iteration's
        // line and value stand, not a loss that only some moves were shown.
        restore_line(out, cx.root_node.pv);
        score = best_score_get(cx.best_root);
        if (score == kScoreNone) {
          // No iteration completed: the line is the ordered list's head and
          // the value the position's own, no mate claimed unproved.
          unsearched = true;
          score = root_static_value(p);
        }
        break;
      }
      end.depth = d;  // the moves it searched stand
    } else {
      end.depth = d;
      cx.search_abort = iteration_time_check(cx, d, cx.time_state.max_depth, cx.time_state.elapsed, score);
    }
    head = sashite_list_sort(head);
    root_moves_rank(head);
    for (KMoveNode* node = head; node != nullptr; node = node->next) node->skip = 0;
    if (cx.search_abort) break;
    root_moves_filter(p, head->next);
    if (score != -kScoreMate) best_move_set(cx.best_root, *head->move);
    if (r.normal_play && root_moves_count(p, head, d) == 1) {
      cx.time_state.max_depth = std::min(cx.time_state.max_depth, kSingleNodeDepth);
    }
    copy_line(cx.root_node.pv, out);
    best_line_set(cx.best_root, score, *head);
  }
  if (r.speed) search_speed(cx, r.speed);

  KMove remembered;
  if (cx.root_node.pv.length == 0 && best_move_get(cx.best_root, &remembered) &&
      move_needs_full_search(p, remembered)) {
    cx.root_node.pv.moves[1] = board::move_word(remembered);
    cx.root_node.pv.flags[1] = 0;
    cx.root_node.pv.length = 1;
  }
  copy_line(cx.root_node.pv, out);
  pv_move_mate_threat(p, out);
  if (cx.time_state.lost) return -kScoreMate;
  if (std::abs(score) < kLearnBelow && !unsearched) {
    learn_store_results(cx.root_key, think_words.depth.load(), score, cx.root_node.pv, 1, r.ring_b);
  }
  return score;
}

}  // namespace

int Chuban(ThinkContext& cx, const ThinkRequest& r) {
  ThinkEnd end;
  const int score = think_roads(cx, r, end);
  if (!end.reported) {
    // The last report covers the whole think: every node and millisecond,
    // those of an iteration cut short included.
    const KPvHolder& out = *r.result;
    pv_report(cx, out.length, out.moves, cx.time_state.lost ? -kScoreMate : score, 0, end.depth, cx.node_counter,
              static_cast<uint32_t>(think_elapsed(cx)));
  }
  return score;
}

}  // namespace search
