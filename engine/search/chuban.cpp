// The think routine: the root prepared (table, key, strategies, evaluation
// stage, time), a mate looked for, the root moves built and assessed, then the
// root search deepened one ply at a time until the depth, a time rule or a stop
// ends it.
#include "engine/search/chuban.h"

#include <algorithm>
#include <cstdlib>

#include "engine/board/generator_words.h"
#include "engine/board/hash_table.h"
#include "engine/board/move_rules.h"
#include "engine/board/ply_table.h"
#include "engine/board/repetition.h"
#include "engine/eval/progress.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/senkei_root_adjust.h"
#include "engine/eval/senkei_select.h"
#include "engine/search/formation_seed.h"
#include "engine/search/gen_stamp.h"
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

constexpr int kRootMoveRoom = 2 * board::kMaxMoves;  // the root moves and the candidates behind them
constexpr int kRootStage = 5;
constexpr int kSingleMoveDepth = 7;
constexpr int kSingleNodeDepth = 6;
constexpr int kLearnBelow = 1000;

// The root's move records and list nodes, owned by the think (computer thread).
KMove root_moves[kRootMoveRoom];
KMoveNode root_nodes[kRootMoveRoom];
KSearchNode root_node;

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
void prepare_root(const ThinkRequest& r, int32_t strategies[2]) {
  KPosition& p = *r.position;
  const int s = p.teban;
  search_depth.store(0);
  search_style = r.search_style;
  r.result->threat = 0;
  think_clock_start();
  board::hash_clear();
  if (r.learn_flag) {
    for (KLearnRing* ring : {r.ring_a, r.ring_b}) {
      if (ring != nullptr && !ring->records.empty()) {
        board::hash_preload_learned(ring->records.data(), ring->records.size());
      }
    }
  }
  board::hash_key_full(p, 0, root_key);
  move_stack[1] = r.history_count >= 1 ? r.history[r.history_count - 1] : board::pass_move();
  move_stack[0] = r.history_count >= 2 ? r.history[r.history_count - 2] : board::pass_move();
  board::threat_word = 0;

  const int32_t current = r.senkei != nullptr ? *r.senkei : 0;
  strategies[s] = eval::senkei_select(p, s, r.senkei_hint_a, current, r.senkei_hint_b);
  strategies[1 - s] = eval::senkei_select(p, 1 - s, 0, 0, 0);
  if (r.senkei != nullptr) *r.senkei = strategies[s];
  board::game_stage = eval::progress_estimate(p);
  eval::eval_root_prepare(p, strategies, r.play_style);
  eval::eval_setup_stage(p, board::game_stage, strategies);

  int32_t max_limit = 0;
  const int32_t base = time_for_move(p, r.time[0], r.time[1], &max_limit);
  time_state.base_limit.store(base);
  time_state.max_limit.store(max_limit);
  time_state.current_limit.store(base);
  time_state.extension.store(0);

  sashite_gen_serial = 0;
  sashite_gen_stamp_clear();
  node_counter_reset();
  board::path_rep_clear();
  board::pos_table_init();
  root_node = KSearchNode{};
  root_node.position = &p;
  position_features(p, root_node.eval);
  root_node.key = root_key;
  root_path_register(root_node);
  search_abort = 0;

  time_state.side = s;
  time_state.max_depth = r.max_depth;
  time_state.lost = 0;
  time_state.pass_threat = 0;
  time_state.best_score = kScoreNone;
  time_state.previous_score = -kScoreMate;
  time_state.in_check = board::king_attacked(p, s) ? 1 : 0;
  time_state.no_time_limit = r.no_time_limit ? 1 : 0;
  time_state.elapsed = 0;
  std::fill(std::begin(time_state.exchange_count), std::end(time_state.exchange_count), 0);
}

}  // namespace

int Chuban(const ThinkRequest& r) {
  KPosition& p = *r.position;
  KPvHolder& out = *r.result;
  const int s = p.teban;
  int32_t strategies[2] = {0, 0};
  prepare_root(r, strategies);
  if (r.speed) *r.speed = 0;

  KMove mate;
  if (root_mate_check(p, &mate, tsume_budget(time_state.current_limit.load(), time_state.max_depth, r.normal_play)) ==
      0) {
    out.Reset();
    set_one_move(out, mate);
    out.flags[KPvHolder::kMateAtRootSlot] = 1;
    pv_report(1, out.moves, kScoreMate, 1, kRootMateDepth, 0, static_cast<uint32_t>(think_elapsed()));
    learn_store_entry(root_key, mate, r.ring_a);
    return kScoreMate;
  }
  out.flags[KPvHolder::kMateAtRootSlot] = 0;
  best_move_clear();
  const KMove* last = r.history_count >= 1 ? &r.history[r.history_count - 1] : nullptr;
  const KMove* before = r.history_count >= 2 ? &r.history[r.history_count - 2] : nullptr;
  const int n = GetProper(p, root_moves, last, before, time_state.max_depth, time_state);
  if (n == 0) {
    out.length = 0;
    return -kScoreMate;
  }
  KMove* candidate_moves = &root_moves[n];
  KMoveNode* candidate_nodes = &root_nodes[n];
  if (n == 1 && r.normal_play) {
    time_state.max_depth = std::min(time_state.max_depth, kSingleMoveDepth);
    candidate_moves = nullptr;
    candidate_nodes = nullptr;
  }

  KMoveNode* head = sashi_list_init(root_nodes, n, root_moves, kRootStage);
  EvalByFacePrecise(p, n, head);
  head = sashite_list_sort(head);
  root_moves_rank(head);
  best_move_set(*head->move);
  set_one_move(out, *head->move);
  if (time_state.max_depth <= 1) return head->score;

  if (!time_state.in_check) formation_seed(p, root_key, 1);
  iteration_clock_start();

  int score = head->score;
  const int best_count = std::max(r.best_count, 1);
  for (int d = 2;; ++d) {
    const bool ponder = think_control.load() == kThinkPonder;
    if (d > time_state.max_depth && !(ponder && d <= time_state.max_depth + 2)) break;
    search_depth.store(d);
    root_node.pv.Reset();
    time_state.searched_count = 0;
    move_set_clear(searched_move_set);
    for (int pass = 0; pass < best_count; ++pass) {
      int alpha, beta;
      root_window_init(&alpha, &beta);
      root_node.threat[0].key.word[0] = 0;
      root_node.threat[1].key.word[0] = 0;
      if (time_state.pass_threat) {
        root_node.threat[s].key = threat_record_key(p, s);
        root_node.threat[s].move = board::pass_move();
        root_node.threat[s].ply = 1;
      }
      time_state.exchange_count[0] = time_state.exchange_count[1] = 0;
      saved_pv_clear();
      search_ply = 1;
      ply_nodes[1] = &root_node;
      score = root_search(root_node, strategies, head, alpha, beta, &candidate_moves, &candidate_nodes, r.ring_a);
      eval::senkei_table_restore(s);
      time_state.previous_score = score;
      time_state.current_limit.store(time_state.base_limit.load());
      board::path_rep_truncate(path_ply_count[0]);
      if (search_abort || move_set_count(searched_move_set) >= best_count) break;
    }
    time_state.elapsed = iteration_end_log(root_node, d, search_abort);
    if (search_abort) {
      head = root_moves_remove_marked(head);
      if (head == nullptr) {
        restore_line(out, root_node.pv);
        score = best_score_get();
        break;
      }
    } else {
      search_abort = iteration_time_check(time_state, d, time_state.max_depth, time_state.elapsed, score);
    }
    head = sashite_list_sort(head);
    root_moves_rank(head);
    for (KMoveNode* node = head; node != nullptr; node = node->next) node->skip = 0;
    if (search_abort) break;
    root_moves_filter(p, head->next);
    if (score != -kScoreMate) best_move_set(*head->move);
    if (r.normal_play && root_moves_count(p, head, d) == 1) {
      time_state.max_depth = std::min(time_state.max_depth, kSingleNodeDepth);
    }
    copy_line(root_node.pv, out);
    best_line_set(score, *head);
  }
  if (r.speed) search_speed(root_node, r.speed);

  KMove remembered;
  if (root_node.pv.length == 0 && best_move_get(&remembered) && move_needs_full_search(p, remembered)) {
    root_node.pv.moves[1] = board::move_word(remembered);
    root_node.pv.flags[1] = 0;
    root_node.pv.length = 1;
  }
  copy_line(root_node.pv, out);
  pv_move_mate_threat(p, out);
  if (time_state.lost) return -kScoreMate;
  if (std::abs(score) < kLearnBelow) learn_store_results(root_key, search_depth.load(), score, root_node.pv, 1, r.ring_b);
  return score;
}

}  // namespace search
