// The node search's move procedure and the loop over a stage list: one move
// made, tested (repetition, take-back, table, extensions, legality, quick
// mates), searched below or handed to the quiescence search at the horizon,
// scored, verified when a pruned result needs it, and used to prune its later
// siblings. Also the pass (the null move) and the double pass.
#include <algorithm>

#include "engine/board/check_test.h"
#include "engine/board/hash_table.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/pair_key.h"
#include "engine/eval/eval_diff.h"
#include "engine/search/child_search.h"
#include "engine/search/eval_blend.h"
#include "engine/search/eval_cache.h"
#include "engine/search/formation_seed.h"
#include "engine/search/line_records.h"
#include "engine/search/mate_threat.h"
#include "engine/search/node_common.h"
#include "engine/search/node_search_impl.h"
#include "engine/search/quiescence.h"
#include "engine/search/root_list.h"
#include "engine/search/root_search.h"

namespace search {

namespace {

using board::KMove;
using board::KMoveWord;

constexpr int kNoExtensionPly = 20;
constexpr int kCappedExtensionPly = 9;
constexpr int kVerifyExtension = 9;
constexpr int kNullWindowWide = 200;
constexpr int kUnknownRootBest = -3000;
constexpr int kSkipTwinDrop = 3;
constexpr int kSkipTwinPromotion = 4;
constexpr int kSkipQuietEvasion = 5;

bool reply_is_pass(KMoveWord w) { return board::kmove_from(w) == board::kPassSquare; }

}  // namespace

int pass_reduction(int remaining, int mode) {
  if (remaining >= 4) return mode == 0 ? 12 : 25;
  if (remaining >= 2) return mode == 0 ? 6 : 12;
  return 0;
}

int table_extension(int child_ext, int e, int ply, bool pass_involved) {
  if (e <= 0 || ply >= kNoExtensionPly) return child_ext;
  if (e > kOnePly) e = pass_involved ? 0 : ply > kCappedExtensionPly ? kOnePly : e;
  const int raised = child_ext + e;
  const int cap = 4 * e - 12;
  return raised > cap ? std::max(child_ext, cap) : raised;
}

int capture_extension(int captured_code, int n) {
  if (captured_code == 0 || n <= 0) return 0;
  const int cls = board::code_class(captured_code);
  if (cls == board::kRook || cls == board::kDragon) return kOnePly / n;
  return cls == board::kPawn ? 0 : 6 / n;
}

void NodeSearch::ClearChildTable() {
  child_.hash_move = 0;
  child_.hash_stage = 0;
  child_.table_ext = 0;
  child_.tsume_mark = 0;
}

void NodeSearch::SetLine(KMoveWord w, int stage, bool with_child) {
  node_.pv.moves[ply_] = w;
  node_.pv.flags[ply_] = with_child && child_.ext > node_.ext ? 1 : 0;
  node_.pv.state = stage;
  if (with_child) {
    pv_copy_child(node_.pv, child_.pv, ply_ + 1);
  } else {
    node_.pv.length = ply_;
  }
  if (node_.pv.length < ply_) node_.pv.length = ply_;
}

// Inlined: every searched move ends here.
[[gnu::always_inline]] inline NodeSearch::Flow NodeSearch::TakeScore(int s, KMoveWord w, int stage, bool from_child) {
  scored_ = true;
  if (s > best_) {
    best_ = s;
    if (s > kRealResultFloor) real_result_ = true;
  }
  if (s > alpha_) {
    alpha_ = s;
    SetLine(w, stage, from_child);
  }
  if (s >= beta_ && null_state_ != NullState::kVerifyCutoff) {
    board::hash_store(node_.key, depth_.stored, board::kBoundLower, s, 0, 0, 0, node_.pv.moves[ply_],
                      node_.pv.state);
    ret_ = s;
    return Flow::kReturn;
  }
  return Flow::kNext;
}

// Inlined: the move procedure asks it for every move. What the previous two
// moves must be is known once for the node (take_back_possible_).
[[gnu::always_inline]] inline bool NodeSearch::TakeBackMove(const KMove& m) const {
  if (!take_back_possible_) return false;
  const KMove& own = cx_.move_stack[ply_ - 1];
  if (m.from != own.to || m.to != own.from || m.piece != own.piece) return false;
  return !is_drop(m) && m.captured_code == 0 && !m.promote;
}

int NodeSearch::ResearchExtended(KMoveNode* ln, int e) {
  board::hash_store_extension(child_.key, e, kmove_pack(*ln->move));
  child_.ext += e;
  pv_holder_init(child_.pv, ply_);
  const int s = -search_node(cx_, child_, ln, -beta_, -alpha_, flag_a_, flag_b_);
  for (int i = 0; i < 3; ++i) node_.counters[i] += child_.counters[i];
  return s;
}

void NodeSearch::SaveVerification(KMoveNode* ln, int stage, int set_index) {
  saved_child_ = child_;
  saved_move_ = cx_.move_stack[ply_ + 1];
  saved_node_ = ln;
  saved_stage_ = stage;
  saved_set_index_ = set_index;
  saved_pv_ = node_.pv;
  best_before_ = best_;
  alpha_before_ = alpha_;
}

void NodeSearch::Verify(KMoveNode* ln, int stage, int set_index, int* s) {
  // A move searched to prove a loss is not pruned: its score stands.
  if (proving_ || child_.ext > node_.ext || *s == kScoreNone || *s < kRealResultFloor) return;
  const KMove& m = *ln->move;
  const int n = node_depth(child_.ext, ply_ + 1).remaining + 1;
  const int flag = pass_threat_.count > 0 ? 1 : 0;
  if (*s >= beta_ && beta_ >= kRealResultFloor) {
    const int margin = prune_margin(cx_, p_, flag, m, ply_ + 1, n, beta_);
    if (margin == 0) {
      *s = ResearchExtended(ln, kVerifyExtension);
    } else if (margin > 0 && !(alpha_ > entry_alpha_ && alpha_ + margin >= beta_)) {
      null_state_ = NullState::kVerifyCutoff;
      margin_ = margin;
      SaveVerification(ln, stage, set_index);
    }
    return;
  }
  if (*s <= alpha_ || *s >= beta_) return;
  const int remembered = best_score_get(cx_.best_root);
  const int b = remembered == kScoreNone ? kUnknownRootBest : (side_ == cx_.time_state.side ? remembered : -remembered);
  if (*s < b - kVerifyMargin[mode_]) return;
  const int margin = prune_margin(cx_, p_, flag, m, ply_ + 1, n, *s);
  if (margin == 0) {
    *s = ResearchExtended(ln, kVerifyExtension);
  } else if (margin > 0 && null_state_ == NullState::kNone) {
    null_state_ = NullState::kVerifyBest;
    margin_ = margin;
    SaveVerification(ln, stage, set_index);
  }
}

void NodeSearch::Prune(KMoveNode* ln, int s, int stage, Flow* flow) {
  const KMove& m = *ln->move;
  const bool has_reply = child_.pv.length > ply_;
  const KMoveWord reply = has_reply ? child_.pv.moves[ply_ + 1] : 0;
  if (stage == 3) {
    const NodeStage st = child_.pv.stage();
    if ((mode_ >= 1 && (st == NodeStage::kPass || (st == NodeStage::kThreatDefences && ply_ >= 3))) || !has_reply) {
      escape_state_ = 2;
      *flow = Flow::kEndStage;
      return;
    }
  }
  if (has_reply && reply_is_pass(reply) && !is_drop(m)) {
    const int cls = board::code_class(m.captured_code);
    if (cls >= board::kRook && cls <= board::kSilver) {
      escape_state_ = 1;
      if (stage == 3 || stage == 7 || stage == 8) {
        *flow = Flow::kEndStage;
        return;
      }
    }
  }
  const bool taken_at_once = has_reply && !reply_is_pass(reply) && board::kmove_to(reply) == m.to;
  if (taken_at_once && is_drop(m) && board::code_kind(m.code) == board::kPawn && p_.hand_sum[side_] > 0) {
    for (KMoveNode* n = ln->next; n != nullptr; n = n->next) {
      if (is_drop(*n->move) && n->move->to == m.to) n->skip = kSkipTwinDrop;
    }
  }
  if (in_check_ && m.to == incoming_.to && has_reply && reply_is_pass(reply)) {
    for (KMoveNode* n = ln->next; n != nullptr; n = n->next) {
      if (n->move->captured_code == 0) n->skip = kSkipQuietEvasion;
    }
  }
  if ((stage == 3 || stage == 7) && depth_.remaining < 3 &&
      s + kEscapeMargin[mode_] > eval_blend_node(node_.eval, side_, is_pass(incoming_))) {
    *flow = Flow::kEndStage;
  }
}

// A table answer that gives the move (or the pass) its value, exact or above
// alpha: the line with the table's reply when it raised alpha (the reply's
// flags cleared when `clear_reply_flags`), then what a pending verification
// makes of the value. kReturn when the node ends here.
NodeSearch::Flow NodeSearch::TableValue(KMoveWord w, int stage, int probe, int exact, bool clear_reply_flags) {
  if (probe == board::kProbeRaisedAlpha) {
    SetLine(w, stage, false);
    if (child_.hash_move != 0 && ply_ + 1 < KPvHolder::kMaxMoves) {
      node_.pv.moves[ply_ + 1] = child_.hash_move;
      if (clear_reply_flags) node_.pv.flags[ply_ + 1] = 0;
      node_.pv.length = ply_ + 1;
    }
  }
  if (null_state_ == NullState::kVerifyCutoff && exact >= alpha_ - margin_) {
    ret_ = best_;
    return Flow::kReturn;
  }
  if (null_state_ == NullState::kVerifyBest) null_state_ = NullState::kNone;
  if (exact > kRealResultFloor) real_result_ = true;
  return Flow::kNext;
}

// Inlined into its one caller, SearchList: every move of every list is made
// here, and the list's loop keeps its registers across the moves.
[[gnu::always_inline]] inline NodeSearch::Flow NodeSearch::SearchMove(KMoveNode* ln, int count, int stage,
                                                                      int column, const board::KHashKey& key,
                                                                      uint32_t bucket) {
  KMove& m = *ln->move;
  if (is_pass(m)) [[unlikely]] return Flow::kNext;
  const KMoveWord w = kmove_pack(m);
  const int o = 1 - side_;
  // 1. The searched-move set.
  if (null_state_ == NullState::kVerifyCutoff && kmove_equal_masked(w, node_.pv.moves[ply_])) [[unlikely]] {
    return Flow::kNext;
  }
  // After a restart the moves kept as searched are not searched again, those
  // of the stages whose lists the set does not filter included.
  if (restarts_ > 0 && tried_moves_contains(set_, w)) [[unlikely]] return Flow::kNext;
  const int set_index = tried_moves_count(set_);
  if (!proving_ && stage != 9 && stage != 11) AddSearched(w);
  // 2. A quiet dragon move; two in a row are not searched.
  bool quiet_dragon = false;
  if (m.captured_code == 0 && board::code_class(m.code) == board::kDragon && !is_drop(m) &&
      board::kiki_at(p_, m.from).direct_count[o] == 0) [[unlikely]] {
    quiet_dragon = true;
    if (!proving_ && ply_ > 2 && (cx_.move_stack[ply_ - 1].flag_word & 2)) {
      PassOver(w);
      return Flow::kNext;
    }
  }
  // 3. The move on the stack, the child's depth and key.
  KMove& entry = cx_.move_stack[ply_ + 1];
  kmove_copy_entry(entry, m);
  entry.flag = 0;
  entry.flag_word = static_cast<uint32_t>(stage) << 3 | (in_check_ ? 1u : 0u) | (quiet_dragon ? 2u : 0u);
  child_.ext = node_.ext + ln->depth_adj;
  ++node_.counters[0];
  child_.key = key;
  // (The list asked for the child's bucket and evaluation-cache entry ahead.)
  const uint32_t table_head = board::hash_prefetch_entry_at(bucket, child_.key);
  // 4. Repetitions along the line.
  if (ply_ >= 3) {
    const PathRepetition rep = path_repetition_test(p_, m, child_.key, ply_, &cx_.move_stack[1], in_check_ ? 1 : 0);
    if (rep == PathRepetition::kPassOver) [[unlikely]] return Flow::kNext;
    if (rep == PathRepetition::kWinsForMover) [[unlikely]] {
      SetLine(w, stage, false);
      ret_ = kScoreMate;
      return Flow::kReturn;
    }
    if (rep == PathRepetition::kDraw) [[unlikely]] {
      const int v = draw_value(cx_, side_);
      scored_ = true;
      if (v > best_) {
        best_ = v;
        if (v > kRealResultFloor) real_result_ = true;
      }
      if (v > alpha_) {
        alpha_ = v;
        SetLine(w, stage, false);
      }
      if (v >= beta_) {
        ret_ = v;
        return Flow::kReturn;
      }
      return Flow::kNext;
    }
  }
  // 5. Taking back the previous move after a reversible answer.
  if (!proving_ && TakeBackMove(m) && draw_value(cx_, side_) < alpha_ &&
      !((cx_.move_stack[ply_ - 1].flag_word & 1) && in_check_)) [[unlikely]] {
    PassOver(w);
    return Flow::kNext;
  }
  // 6. The transposition table.
  ClearChildTable();
  int exact = 0;
  // Nothing was stored in the table since the prefetch above. Most chains
  // hold no entry of the child's board: those probes miss without the call.
  const int probe = table_head == board::kHashChainEnd
                        ? board::hash_probe_missed()
                        : board::hash_probe_from(table_head, child_, w, ln->depth_adj,
                                                 child_.ext + 12 * (think_words.depth.load() - ply_ - 1), exact,
                                                 alpha_, beta_, best_);
  // Most probes miss: one test passes them by.
  if (probe != board::kProbeMiss) [[unlikely]] {
    switch (probe) {
      case board::kProbeAtBeta: [[unlikely]]
        SetLine(w, stage, false);
        ret_ = alpha_;
        return Flow::kReturn;
      case board::kProbeAtAlpha: [[unlikely]]
        // Worth at most alpha: an upper bound, not a loss.
        scored_ = true;
        if (best_ < alpha_) best_ = alpha_;
        return Flow::kNext;
      case board::kProbeExact: [[unlikely]]
      case board::kProbeRaisedAlpha:
        scored_ = true;
        if (TableValue(w, stage, probe, exact, true) == Flow::kReturn) return Flow::kReturn;
        if (stage == 2 && m.to == incoming_.to) credit_ += kRecaptureCredit;
        return Flow::kNext;
      case board::kProbeTooShallow: child_.ext = node_.ext; break;
    }
  }
  // 7. Extensions.
  if (child_.table_ext > 0) [[unlikely]] {
    child_.ext = table_extension(child_.ext, child_.table_ext, ply_, is_pass(incoming_));
  } else {
    int e = 0;
    if (in_check_) {
      if (count == 1 && column != 0) e = kOnePly;
    } else if (stage == 2 && depth_.remaining >= 0 && depth_.remaining <= 2) {
      e = capture_extension(m.captured_code, count);
    }
    if (e > 0) [[unlikely]] {
      child_.ext += e;
      board::hash_store_extension(child_.key, e, w);
    }
  }
  // 8. Pattern class and pair key, the en-prise marker, the move, quick mates.
  // Whether the move gives check is read from the attack counts once it is
  // made (below). The two rules that need it before, passing over a quiet move
  // of pattern class 1 and keying a non-checking answer's pair, apply to few
  // moves, and only those ask the check test.
  const int child_class = patterns_ ? exchange_pattern_classify(cx_, p_) : 0;
  const bool pass_over_quiet = child_class == 1 && !proving_;
  uint32_t pair = 0;
  if ((pass_over_quiet || incoming_.flag == 1 || incoming_.flag == m.from) && board::is_oute(p_, m) == 0) {
    if (pass_over_quiet) [[unlikely]] {
      PassOver(w);
      return Flow::kNext;
    }
    pair = board::sashite_pair_key(p_, incoming_, m);
  }
  const bool beyond = within_horizon(child_.ext, ply_ + 1);
  if (beyond && ln->skip && !proving_) [[unlikely]] {
    PassOver(w);
    return Flow::kNext;
  }
  if (board::kiki_at(p_, m.to).direct_count[o] > 0 && board::code_kind(m.code) != board::kKing) {
    entry.flag = static_cast<uint8_t>(sashite_safe_check(cx_, p_, m));
  }
  // A child at the horizon is a quiescence search, which reads the capture
  // list but no change counter of the move.
  const int table = beyond ? board::kPlyTableCounted : board::kPlyTableListOnly;
  board::do_move(p_, m, table);
  if (board::king_attacked(p_, side_)) [[unlikely]] {
    board::undo_move(p_, m, table);
    return Flow::kNext;
  }
  // A legal move checks exactly when the opponent's king is attacked now.
  const bool gives_check = board::king_attacked(p_, o);
  if (gives_check) pair = quiet_dragon ? 1 : 0;
  scored_ = true;
  KMoveWord mate = 0;
  if (child_.tsume_mark == 0 && !gives_check && opponent_mates(cx_, node_, child_, side_, beyond, &mate)) [[unlikely]] {
    board::undo_move(p_, m, table);
    if (best_ < -kScoreMate) best_ = -kScoreMate;
    return Flow::kNext;
  }
  if (beyond) [[unlikely]] {
    const int child_remaining = remaining_plies(child_.ext, ply_ + 1);
    if (child_remaining > 2) rook_file_register(cx_, p_, child_.key, ply_ + 1);
    if (child_remaining > 1 && mode_ <= 1 && child_.table_ext != -1) {
      board::hash_store_extension(child_.key, -1, 0);
      formation_seed(p_, child_.key, ply_ + 1);
    }
  }
  eval::eval_sashite_diff(m, p_, node_.eval, child_.eval);
  cx_.time_state.exchange_count[ply_ + 1] =
      cx_.time_state.exchange_count[ply_] + (is_drop(m) ? 0 : exchange_weight(m.captured_code));
  // The mate records: without a threat move from the table they are carried
  // over, with the check the move gave already known.
  const uint32_t mark = static_cast<uint32_t>(child_.tsume_mark) & 0xffff;
  if (threat_move_present(mark)) [[unlikely]] {
    child_.threat_move = mark;
    mate_threat_record_update(cx_, child_, node_);
  } else {
    child_.threat_move = 0;
    mate_threat_record_carry(child_, node_, o, gives_check);
  }
  pv_holder_init(child_.pv, ply_);
  cx_.ply_nodes[ply_ + 1] = &child_;
  // 9, 10. The search below, or the quiescence search at the horizon.
  ++cx_.search_ply;
  int s;
  int child_searched = 0;
  if (beyond) {
    s = search_child(cx_, node_, child_, ply_ + 1, stage, ln, alpha_, beta_, flag_a_, flag_b_,
                     &credit_, depth_lag_);
    Verify(ln, stage, set_index, &s);
  } else {
    const int r = search_quiescence(cx_, child_, ln, -beta_, -alpha_, pair, child_class, &child_searched);
    for (int i = 0; i < 3; ++i) node_.counters[i] += child_.counters[i];
    s = r == kScoreStopped ? kScoreNone : -r;
  }
  // 11. Take back.
  --cx_.search_ply;
  board::think_board.generator_words.threat_word = threat_;
  board::undo_move(p_, m, table);
  // 12. The score.
  if (null_state_ == NullState::kCutoffConfirmed) [[unlikely]] {
    ret_ = best_;
    return Flow::kReturn;
  }
  if (s == kScoreNone) [[unlikely]] {
    ret_ = kScoreStopped;
    return Flow::kReturn;
  }
  if (TakeScore(s, w, stage, true) == Flow::kReturn) return Flow::kReturn;
  // A searched promotion stands for its non-promoting twin.
  if (m.promote && !is_drop(m) && !proving_) [[unlikely]] {
    KMove twin = m;
    kmove_set_promote(twin, 0);
    AddSearched(kmove_pack(twin));
    PassOver(kmove_pack(twin));
    for (KMoveNode* n = ln->next; n != nullptr; n = n->next) {
      const KMove& t = *n->move;
      if (t.from == m.from && t.to == m.to && !t.promote) n->skip = kSkipTwinPromotion;
    }
  }
  // 13. Pruning of the later siblings.
  Flow flow = Flow::kNext;
  if (beyond) {
    Prune(ln, s, stage, &flow);
  } else if ((stage == 3 || stage == 7 || stage == 8) &&
             s + kEscapeMargin[mode_] > eval_blend_node(node_.eval, side_, is_pass(incoming_))) {
    escape_state_ = 5;
    flow = Flow::kEndStage;
  }
  return flow;
}

NodeSearch::Flow NodeSearch::SearchList(KMoveNode* head, int count, int stage, int column) {
  // Each move's key is made one move ahead, so that its table bucket and its
  // evaluation-cache entry are on their way while the move before it is
  // searched (the first move's before the loop). The two keys take turns in
  // two slots: none is copied. Each key's table bucket is found once, when it
  // is asked for.
  if (head == nullptr) return Flow::kNext;
  board::KHashKey keys[2];
  uint32_t buckets[2];
  int slot = 0;
  auto ask_ahead = [&](int i, const KMove& m) {
    keys[i] = child_key(node_.key, m);
    buckets[i] = child_prefetch(cx_, keys[i]);
  };
  ask_ahead(slot, *head->move);
  for (KMoveNode* ln = head; ln != nullptr; ln = ln->next, slot ^= 1) {
    if (ln->next != nullptr) ask_ahead(slot ^ 1, *ln->next->move);
    const Flow f = SearchMove(ln, count, stage, column, keys[slot], buckets[slot]);
    if (f == Flow::kReturn) return f;
    if (f == Flow::kEndStage) break;
    // The proof of a loss ends at the first move that escapes it.
    if (proving_ && best_ > -kScoreMate) break;
  }
  return Flow::kNext;
}

NodeSearch::Flow NodeSearch::PassStage() {
  if (!cx_.pool_fits(1)) return Flow::kNext;
  KMove& pm = cx_.pool_moves[cx_.pool_cursor];
  pm = board::pass_move();
  const int linked = sashi_list_unsearched(&cx_.pool_nodes[cx_.pool_cursor], 1, &pm, 0, set_);
  KMoveNode* ln = &cx_.pool_nodes[cx_.pool_cursor];
  ++cx_.pool_cursor;
  if (linked == 0) return Flow::kNext;
  pass_done_ = true;
  node_move_list_push(set_, pm);
  const KMoveWord w = kPassWord;
  child_.ext = node_.ext - pass_reduction(depth_.remaining, mode_);
  child_.key = node_.key;
  board::hash_key_sashite(child_.key, 0, pm);
  KMove& entry = cx_.move_stack[ply_ + 1];
  entry = pm;
  ++node_.counters[0];
  // 1. Repetition.
  if (ply_ >= 3) {
    const PathRepetition rep = path_repetition_test(p_, pm, child_.key, ply_, &cx_.move_stack[1], in_check_ ? 1 : 0);
    if (rep == PathRepetition::kPassOver) return Flow::kNext;
    if (rep == PathRepetition::kWinsForMover) {
      SetLine(w, 0, false);
      ret_ = kScoreMate;
      return Flow::kReturn;
    }
    if (rep == PathRepetition::kDraw) return TakeScore(draw_value(cx_, side_), w, 0, false);
  }
  // 2. The table.
  ClearChildTable();
  int exact = 0;
  const int probe = board::hash_probe(child_, kPassWord, 0, child_.ext + 12 * (think_words.depth.load() - ply_ - 1),
                                      exact, alpha_, beta_, best_);
  if (probe == board::kProbeAtBeta) {
    SetLine(w, 0, false);
    ret_ = alpha_;
    return Flow::kReturn;
  }
  if (probe == board::kProbeAtAlpha || probe == board::kProbeExact || probe == board::kProbeRaisedAlpha) {
    scored_ = true;
    if (child_.hash_move != 0) pass_threat_ = {1, {child_.hash_move, 0, 0}};
    if (probe == board::kProbeAtAlpha) return Flow::kNext;
    return TableValue(w, 0, probe, exact, false);
  }
  if (probe == board::kProbeTooShallow) child_.ext = node_.ext;
  const NodeDepth child_depth = node_depth(child_.ext, ply_ + 1);
  board::do_move(p_, pm, 1);
  int s;
  if (child_depth.horizon <= ply_) {
    // 3. At the horizon: the quiescence search.
    eval::eval_sashite_diff(pm, p_, node_.eval, child_.eval);
    pv_holder_init(child_.pv, ply_);
    cx_.ply_nodes[ply_ + 1] = &child_;
    ++cx_.search_ply;
    int searched = 0;
    const int r = search_quiescence(cx_, child_, ln, -beta_, -alpha_, 0, 0, &searched);
    --cx_.search_ply;
    for (int i = 0; i < 3; ++i) node_.counters[i] += child_.counters[i];
    s = r == kScoreStopped ? kScoreNone : -r;
  } else {
    // 4. A pass that lets the opponent mate is not searched.
    KMoveWord mate = 0;
    if (opponent_mates(cx_, node_, child_, side_, true, &mate)) {
      board::undo_move(p_, pm, 1);
      pass_threat_ = {1, {mate, 0, 0}};
      return Flow::kNext;
    }
    // 5. Registration and seeding.
    if (child_depth.remaining > 2) rook_file_register(cx_, p_, child_.key, ply_ + 1);
    if (child_depth.remaining > 1 && mode_ <= 1 && child_.table_ext != -1) {
      board::hash_store_extension(child_.key, -1, 0);
      formation_seed(p_, child_.key, ply_ + 1);
    }
    eval::eval_sashite_diff(pm, p_, node_.eval, child_.eval);
    child_.threat_move = 0;
    mate_threat_record_update(cx_, child_, node_);
    pv_holder_init(child_.pv, ply_);
    cx_.ply_nodes[ply_ + 1] = &child_;
    // 6. The null window.
    ++cx_.search_ply;
    if (null_state_ == NullState::kVerifyCutoff) {
      const int r = child_depth.remaining;
      child_.ext = node_.ext - (r > 5 ? 48 : r > 3 ? 36 : 24);
      s = -search_node(cx_, child_, ln, margin_ - beta_, margin_ - beta_ + 1, flag_b_, 0);
      if (s != kScoreNone && s >= beta_ - margin_) null_state_ = NullState::kCutoffConfirmed;
    } else {
      const bool wide = mode_ == 0 && escape_state_ == 0 && alpha_ != -kScoreMate && alpha_ != kScoreMate;
      const int low = wide ? alpha_ - kNullWindowWide : alpha_;
      s = -search_node(cx_, child_, ln, -beta_, -low, flag_b_, 0);
      if (s != kScoreNone && s > alpha_ && child_.ext < node_.ext) {
        for (int i = 0; i < 3; ++i) node_.counters[i] += child_.counters[i];
        child_.ext = node_.ext;
        pv_holder_init(child_.pv, ply_);
        s = -search_node(cx_, child_, ln, -beta_, -low, flag_b_, 0);
      }
      if (s != kScoreNone && s > alpha_ &&
          mate_threat_probe(node_, child_, p_, pm, ply_, 0, &cx_.move_stack[1], flag_b_) == 0) {
        s = -kScoreMate;
      }
      if (null_state_ == NullState::kVerifyBest && s != kScoreNone && s >= alpha_ - margin_ && s > low) {
        null_state_ = NullState::kNone;
      }
    }
    --cx_.search_ply;
    for (int i = 0; i < 3; ++i) node_.counters[i] += child_.counters[i];
    // The opponent's best line after the pass: its threat, the reply, its next move.
    if (child_.pv.length > ply_) {
      pass_threat_.count = std::min(3, child_.pv.length - ply_);
      for (int i = 0; i < pass_threat_.count; ++i) pass_threat_.words[i] = child_.pv.moves[ply_ + 1 + i];
    }
  }
  // 7. Back to the side to move; the pass scores like a move.
  board::think_board.generator_words.threat_word = threat_;
  board::undo_move(p_, pm, 1);
  if (null_state_ == NullState::kCutoffConfirmed) {
    ret_ = best_;
    return Flow::kReturn;
  }
  if (s == kScoreNone) {
    ret_ = kScoreStopped;
    return Flow::kReturn;
  }
  return TakeScore(s, w, 0, true);
}

NodeSearch::Flow NodeSearch::DoublePass() {
  if (pass_done_) return Flow::kNext;
  pass_done_ = true;
  if (ply_ - 1 > 3 && pawn_drop_trade_pattern(cx_, ply_ - 1) != 0) return Flow::kNext;
  const KMove pm = board::pass_move();
  board::KEvalRecord r = node_.eval;
  board::do_move(p_, pm, 0);
  const int silver = mode_ == 0 && ply_ > 5 ? silver_advance_square(cx_, ply_) : 0;
  evaluate_cached(cx_.eval_cache, p_, child_key(node_.key, pm), r, silver, pm);
  board::undo_move(p_, pm, 0);
  int s = eval_blend_node(r, side_, true);
  if (ply_ == 3) {
    const KMove& second = cx_.move_stack[2];
    const int cls = board::code_class(second.code);
    if (!is_pass(second) && !is_drop(second) && second.promote &&
        (cls == board::kSilver || cls == board::kKnight || cls == board::kLance)) {
      s += kPassAtPly3Bonus[mode_];
    }
  }
  ++node_.counters[0];
  return TakeScore(s, kPassWord, 0, false);
}

}  // namespace search
