// The node search: entry, the stage machine, stage generation, the search of
// the moves without a score before a loss is reported, the verification left
// pending at the end of the stages, and the end of the node. The move
// procedure, the pass and the decision to verify a pruned result are in
// node_moves.cpp.
#include "engine/search/search_node.h"

#include <algorithm>

#include "engine/board/capture_gen.h"
#include "engine/board/defence_gen.h"
#include "engine/board/escape_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/hash_table.h"
#include "engine/board/make_move.h"
#include "engine/board/move_legality.h"
#include "engine/board/move_rules.h"
#include "engine/board/quiet_moves.h"
#include "engine/board/tactical_drops.h"
#include "engine/board/threat_moves_gen.h"
#include "engine/search/check_evasions.h"
#include "engine/search/eval_blend.h"
#include "engine/search/eval_cache.h"
#include "engine/search/depth_gen/gen_by_depth.h"
#include "engine/search/mate_threat.h"
#include "engine/search/move_order.h"
#include "engine/search/node_common.h"
#include "engine/search/node_search_impl.h"
#include "engine/search/quiescence.h"
#include "engine/search/threat_after.h"
#include "engine/search/time_control.h"

namespace search {

namespace {

using board::KMove;

constexpr uint32_t kPollMask = 31;
constexpr uint32_t kSetStampOffset = 0x5a000000;
constexpr int kThreatMaxRemaining = 6;
constexpr uint32_t kStageBitsShift = 3;
constexpr uint32_t kFollowStageWord = 5u << kStageBitsShift;  // a move of the depth-selected stage
constexpr int kKnightStepRemaining = 4;
constexpr int kLargeBRemaining = 5;
constexpr int kKingDropsRemaining = 2;
constexpr int kEvasionStage = 2;
// The stage byte of the moves a node searches to prove a loss out of check:
// the large generator's, whose moves are not entered as searched either.
constexpr int kProofStage = 9;

// How a stage links its moves.
enum Linker { kLinkFiltered, kLinkUnsearched, kLinkAll };

struct StageOrder {
  int base;
  int floor;
};
StageOrder stage_order(int code) {
  if (code == stage_code(NodeStage::kTacticalDrops)) return {-36, -60};
  if (code == stage_code(NodeStage::kKingDrops)) return {-18, -36};
  return {0, -60};
}

}  // namespace

NodeSearch::NodeSearch(ThinkContext& cx, KSearchNode& node, const KMoveNode* incoming, int alpha, int beta,
                       int flag_a, int flag_b)
    : cx_(cx),
      node_(node),
      incoming_node_(incoming),
      p_(*node.position),
      incoming_(cx.move_stack[cx.search_ply]),
      ply_(cx.search_ply),
      side_(node.position->teban),
      row_(incoming != nullptr && incoming->stage < kStageRows ? incoming->stage : 1),
      mode_(std::clamp(board::think_board.generator_words.game_stage, 0, 2)),
      depth_(node_depth(node.ext, cx.search_ply)),
      alpha_(alpha),
      beta_(beta),
      entry_alpha_(alpha),
      best_(-kScoreMate),
      flag_a_(flag_a),
      flag_b_(flag_b) {}

void NodeSearch::Trace(int code) const {
  const StageTraceHook hook = think_report_hooks.stage_trace_hook;
  if (hook != nullptr) hook(code);
}

int NodeSearch::StaticScore() {
  const int silver = mode_ == 0 && ply_ > 4 ? silver_advance_square(cx_, ply_) : 0;
  evaluate_node(cx_.eval_cache, node_, silver, incoming_);
  return eval_blend_node(node_.eval, side_, is_pass(incoming_));
}

void NodeSearch::Enter() {
  set_.stamp = cx_.node_counter + kSetStampOffset;
  set_.list = set_list_;
  child_.position = &p_;
  in_check_ = board::king_attacked(p_, side_);
  patterns_ = exchange_patterns_possible(cx_);
  outer_threat_ = board::think_board.generator_words.threat_word;
  const KMove& own = cx_.move_stack[ply_ - 1];
  if ((!in_check_ || ply_ > 3) && depth_.remaining < kThreatMaxRemaining) {
    const int marker = own.flag;
    if (marker != 0 && (marker == 1 || marker == incoming_.from)) {
      threat_ = threat_after_move(p_, own, incoming_, depth_.remaining);
    }
    if (threat_ == 0 && is_pass(own) && ply_ > 4 && cx_.move_stack[ply_ - 3].flag != 0) {
      threat_ = threat_after_pass(cx_.move_stack[ply_ - 3], cx_.move_stack[ply_ - 2], incoming_);
    }
  }
  board::think_board.generator_words.threat_word = threat_;
  // Taking back the own previous move (TakeBackMove) needs it and the answer
  // to it reversible: plain board moves, no capture, no promotion.
  take_back_possible_ = !is_pass(own) && !is_drop(own) && own.captured_code == 0 && !own.promote &&
                        !is_pass(incoming_) && !is_drop(incoming_) && incoming_.captured_code == 0 &&
                        !incoming_.promote && board::can_step_back(incoming_);
  knight_step_ = !is_pass(own) && board::code_class(own.code) == board::kKnight && !own.promote &&
                 own.captured_code == 0 && (own.flag_word & ~7u) == kFollowStageWord;
  depth_lag_ = is_pass(incoming_) || cx_.ply_nodes[ply_ - 1] == nullptr ? 0 : cx_.ply_nodes[ply_ - 1]->ext - node_.ext;
}

bool NodeSearch::Skipped(NodeStage code) const {
  const int r = depth_.remaining;
  const bool threat = threat_ != 0;
  switch (code) {
    case NodeStage::kPass: return pass_done_ || in_check_ || threat || futile_ || (knight_step_ && r < kKnightStepRemaining);
    case NodeStage::kCaptures: return false;
    case NodeStage::kEscapes: return in_check_ || threat || escape_state_ == 1;
    case NodeStage::kRefutations: return in_check_ || threat || futile_;
    case NodeStage::kDepthSelected:
    case NodeStage::kThreats:
    case NodeStage::kQuiet: return in_check_;
    case NodeStage::kDefences: return in_check_ || threat || escape_state_ != 0;
    case NodeStage::kThreatDefences:
      return in_check_ || threat || futile_ || escape_state_ != 0 || (knight_step_ && r < kKnightStepRemaining);
    case NodeStage::kTacticalDrops: return in_check_ || r < kLargeBRemaining;
    case NodeStage::kKingDrops: return in_check_ || threat || futile_ || real_result_ || r <= kKingDropsRemaining;
    default: return true;
  }
}

void NodeSearch::FutilityTest() {
  futility_done_ = true;
  if (in_check_ || alpha_ <= kRealResultFloor) return;
  Trace(kTraceFutility);
  const int margin = kFutilityMargin[mode_];
  if (!fully_evaluated(node_.eval)) {
    if (alpha_ - eval_blend_side(node_.eval, p_, side_) > margin) {
      futile_ = true;
      return;
    }
    if (alpha_ + eval_blend_side(node_.eval, p_, 1 - side_) < margin) return;
  }
  futile_ = alpha_ - StaticScore() > margin;
}

int NodeSearch::Generate(NodeStage code, KMove* out, int* stage, int* linker) {
  const int r = depth_.remaining;
  const KMove& own = cx_.move_stack[ply_ - 1];
  const KMove* last = &cx_.move_stack[ply_];
  *stage = stage_code(code);
  *linker = kLinkFiltered;
  switch (code) {
    case NodeStage::kCaptures: {
      if (in_check_) return gen_check_evasions(p_, last, threat_, out);
      *linker = kLinkUnsearched;
      if (!is_pass(incoming_) && board::kiki_at(p_, incoming_.to).direct_count[side_] > 0) {
        recapture_sq_ = incoming_.to;
        int gain = 0;
        return board::gen_captures_scored(p_, incoming_.to, out, &gain);
      }
      const KMove& two_back = cx_.move_stack[ply_ - 2];
      if (ply_ >= 4 && !is_pass(two_back) && board::holds_piece_of(p_, 1 - side_, two_back.to) &&
          board::kiki_at(p_, two_back.to).direct_count[side_] > 0 && two_back.to != own.to &&
          two_back.to != incoming_.from) {
        *stage = stage_code(NodeStage::kDepthSelected);
        return board::gen_captures_on(p_, last, two_back.to, r, out);
      }
      if (!is_pass(own) && (own.flag_word & ~7u) == kFollowStageWord && own.to != incoming_.to &&
          board::is_playing_square(own.to)) {
        return board::gen_piece_captures(p_, own.to, out);
      }
      return 0;
    }
    case NodeStage::kEscapes: {
      const int n = board::gen_threatened_escapes(p_, r, recapture_sq_, out);
      if (n > 0 || node_.hash_move != 0 || is_pass(own)) return n;
      return board::gen_pawn_follow(p_, own, out);
    }
    case NodeStage::kRefutations: {
      int n = 0;
      for (int i = 0; i < node_.refute_count && i < 3; ++i) {
        const board::KMoveWord w = node_.refute[i];
        if (w == 0 || w == node_.hash_move) continue;
        kmove_unpack(p_, out[n], w);
        if (!is_pass(out[n]) && board::sashite_is_legal(p_, out[n])) ++n;
      }
      return n;
    }
    case NodeStage::kDepthSelected: {
      *linker = kLinkAll;
      const int n = futile_ && r > 1 ? r - 1 : r;
      return sashite_gen_by_depth(cx_.gen_stamp, p_, last, n, threat_, set_, out);
    }
    case NodeStage::kThreats: return board::gen_threat_moves(p_, last, r, out);
    case NodeStage::kDefences: return board::gen_defences(p_, incoming_, r, out);
    case NodeStage::kThreatDefences: return gen_mate_threat_defences(cx_, p_, pass_threat_, ply_, depth_.horizon, out);
    case NodeStage::kQuiet: return board::gen_quiet_moves(p_, last, r, out);
    case NodeStage::kTacticalDrops: return board::gen_tactical_drops(p_, incoming_, r, out);
    case NodeStage::kKingDrops: *linker = kLinkAll; return board::gen_drops_near_king(p_, out);
    default: return 0;
  }
}

NodeSearch::Flow NodeSearch::HashMoveStage(int column) {
  if (node_.hash_move == 0) return Flow::kNext;
  KMove m;
  kmove_unpack(p_, m, node_.hash_move);
  if (!board::sashite_is_legal(p_, m)) return Flow::kNext;
  Trace(stage_code(NodeStage::kHashMove));
  // The stage the move was found in (a pass: 0); a tag out of range is read as 1.
  const int stored = node_.hash_stage;
  const int stage = stored >= 0 && stored < kStageRows && (stored == 0) == is_pass(m) ? stored : 1;
  if (is_pass(m)) {
    if (row_ == 0 && is_pass(incoming_)) return DoublePass();
    if (in_check_) return Flow::kNext;
    return PassStage();
  }
  if (stage == 2 && !in_check_ && m.to == incoming_.to) recapture_sq_ = m.to;
  if (!cx_.pool_fits(1)) return Flow::kNext;
  KMove* moves = &cx_.pool_moves[cx_.pool_cursor];
  moves[0] = m;
  const int count = sashi_list_filtered(p_, ply_, &cx_.pool_nodes[cx_.pool_cursor], 1, moves, stage, set_,
                                        &cx_.move_stack[ply_ + 1]);
  ++cx_.pool_cursor;
  if (count == 0) return Flow::kNext;
  return SearchList(&cx_.pool_nodes[cx_.pool_cursor - 1], count, stage, column);
}

NodeSearch::Flow NodeSearch::RunStage(NodeStage code, int column) {
  if (code == NodeStage::kHashMove) return HashMoveStage(column);
  if (Skipped(code)) return Flow::kNext;
  Trace(stage_code(code));
  if (code == NodeStage::kPass) return row_ == 0 ? DoublePass() : PassStage();
  if (!cx_.pool_fits()) return Flow::kNext;
  KMove* moves = &cx_.pool_moves[cx_.pool_cursor];
  KMoveNode* nodes = &cx_.pool_nodes[cx_.pool_cursor];
  int stage = stage_code(code), linker = kLinkFiltered;
  const int n = Generate(code, moves, &stage, &linker);
  cx_.pool_cursor += n;
  int count = 0;
  switch (linker) {
    case kLinkFiltered:
      count = sashi_list_filtered(p_, ply_, nodes, n, moves, stage, set_, &cx_.move_stack[ply_ + 1]);
      break;
    case kLinkUnsearched: count = sashi_list_unsearched(nodes, n, moves, stage, set_); break;
    default: count = sashi_list_link(nodes, n, moves, stage); break;
  }
  if (count == 0) return Flow::kNext;
  KMoveNode* head = nodes;
  if (code == NodeStage::kCaptures && in_check_) {
    head = sashite_order_select(cx_.exchange_pool, node_, count, head, depth_.remaining, 0);
  } else {
    const StageOrder order = stage_order(stage_code(code));
    head = node_sashite_order(cx_.exchange_pool, node_, stage, incoming_, count, head, alpha_, beta_, depth_.remaining,
                              order.base, order.floor);
  }
  return SearchList(head, count, stage, column);
}

void NodeSearch::PassOver(board::KMoveWord w) {
  if (passed_count_ < kPassedRoom) {
    passed_[passed_count_++] = w;
  } else {
    passed_full_ = true;
  }
}

bool NodeSearch::Valued(board::KMoveWord w) const {
  if (passed_full_ || !tried_moves_contains(set_, w)) return false;
  return std::find(passed_, passed_ + passed_count_, w) == passed_ + passed_count_;
}

NodeSearch::Flow NodeSearch::ProveLoss() {
  // The stages search a selection of the moves: the generators leave out
  // moves they expect to be useless, the list filter drops pointless ones,
  // and pruning rules pass over moves they have entered as searched. A loss
  // reported from the moves tried alone is no mate when a move left aside
  // escapes. So while every move given a score has lost, the legal moves
  // without a score are searched, with no rule passing over any of them,
  // until one escapes or none is left. Out of check with nothing scored the
  // node takes its static score instead (EndOfNode): no loss is claimed.
  if (proved_ || best_ > -kScoreMate || (!in_check_ && !scored_) || !cx_.pool_fits()) return Flow::kNext;
  proved_ = true;
  KMove* moves = &cx_.pool_moves[cx_.pool_cursor];
  KMoveNode* nodes = &cx_.pool_nodes[cx_.pool_cursor];
  // Every evasion; out of check every move (the promoting version only where
  // promotion can lose nothing: rooks, bishops and pawns).
  const int n = in_check_ ? board::oute_nige_gen(p_, moves) : board::gen_all_moves(p_, moves);
  cx_.pool_cursor += n;
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    if (!Valued(kmove_pack(moves[i]))) moves[kept++] = moves[i];
  }
  if (kept == 0) return Flow::kNext;
  const int stage = in_check_ ? kEvasionStage : kProofStage;
  sashi_list_link(nodes, kept, moves, stage);
  KMoveNode* head = nodes;
  if (in_check_) {
    head = sashite_order_select(cx_.exchange_pool, node_, kept, head, depth_.remaining, 0);
  } else {
    const StageOrder order = stage_order(stage);
    head = node_sashite_order(cx_.exchange_pool, node_, stage, incoming_, kept, head, alpha_, beta_, depth_.remaining,
                              order.base, order.floor);
  }
  proving_ = true;
  // In check the count is of every legal evasion, so that a lone answer the
  // generator left out is not taken for a single evasion.
  const int count = in_check_ ? n : kept;
  // The list stops at the first move that escapes (SearchList tests it while
  // proving_ is set).
  const Flow f = SearchList(head, count, stage, kStageColumns - 1);
  proving_ = false;
  return f;
}

NodeSearch::Flow NodeSearch::VerifyPending(bool* restart) {
  *restart = false;
  if (null_state_ == NullState::kVerifyBest || null_state_ == NullState::kVerifyCutoff) {
    const KMove m = saved_move_;
    const board::KMoveWord w = kmove_pack(m);
    cx_.move_stack[ply_ + 1] = m;
    ++node_.counters[0];
    const int e = extension_amount(static_cast<int>(null_state_), depth_.remaining);
    child_ = saved_child_;
    child_.ext += e;
    board::hash_store_extension(child_.key, e, w);
    board::do_move(p_, m, 1);
    cx_.ply_nodes[ply_ + 1] = &child_;
    pv_holder_init(child_.pv, ply_);
    ++cx_.search_ply;
    const int r = search_node(cx_, child_, saved_node_, -beta_, -entry_alpha_, flag_a_, flag_b_);
    --cx_.search_ply;
    board::think_board.generator_words.threat_word = threat_;
    board::undo_move(p_, m, 1);
    for (int i = 0; i < 3; ++i) node_.counters[i] += child_.counters[i];
    if (r == kScoreStopped) {
      ret_ = kScoreStopped;
      return Flow::kReturn;
    }
    const int s = -r;
    if (null_state_ == NullState::kVerifyCutoff && s >= beta_) {
      board::hash_invalidate(node_.key);
      SetLine(w, saved_stage_, true);
      board::hash_store(node_.key, depth_.stored, board::kBoundLower, s, 0, 0, 0, w, saved_stage_);
      ret_ = s;
      return Flow::kReturn;
    }
    if (null_state_ == NullState::kVerifyBest && s > entry_alpha_ && s > alpha_ - margin_) {
      best_ = alpha_ = s;
      SetLine(w, saved_stage_, true);
      null_state_ = NullState::kNone;
    } else {
      board::hash_invalidate(node_.key);
      null_state_ = NullState::kNone;
      // What the moves searched before the verified one showed stands (they
      // are not searched again), and the verified score joins it. The moves
      // searched after it were measured against its unverified score: they
      // count as not searched.
      if (s > entry_alpha_ && s > best_before_) {
        best_ = alpha_ = s;
        SetLine(w, saved_stage_, true);
      } else {
        best_ = std::max(best_before_, s);
        alpha_ = alpha_before_;
        node_.pv = saved_pv_;
      }
      tried_moves_put_at(set_, w, std::min(saved_set_index_, kSearchedRoom - 1));
      if (restarts_ < kMaxRestarts) {
        // Search the node again, the verified move kept as searched: the
        // moves searched after it met a window raised to the refuted score.
        // Every failed verification restarts, each keeping one more move.
        ++restarts_;
        *restart = true;
      }
    }
  }
  return Flow::kNext;
}

int NodeSearch::EndOfNode() {
  if (!scored_ && best_ == -kScoreMate) {
    // No move was searched: a loss only when in check without an evasion.
    if (in_check_ && board::oute_nige_count(p_, 0) == 0) {
      return is_drop(incoming_) && board::code_kind(incoming_.code) == board::kPawn ? kScoreMate : -kScoreMate;
    }
    return StaticScore();
  }
  if (node_.pv.length >= ply_) {
    const int bound = alpha_ > entry_alpha_ ? board::kBoundExact : board::kBoundUpper;
    board::hash_store(node_.key, depth_.stored, bound, best_, 0, 0, 0, node_.pv.moves[ply_], node_.pv.state);
    // A best move of the depth-selected, threat-defence or quiet stage becomes
    // a refutation the node's siblings try early.
    const NodeStage found = node_.pv.stage();
    if (found == NodeStage::kDepthSelected || found == NodeStage::kThreatDefences || found == NodeStage::kQuiet) {
      refutation_list_add(node_, node_.pv.moves[ply_]);
    }
  }
  return best_;
}

int NodeSearch::Run() {
  Enter();
  PoolMark mark(cx_);
  pool_base_ = cx_.pool_cursor;
  int result = 0;
  // The node's row of stages, and the stage the futility test runs before,
  // once: the refutations (after a pass: the depth-selected generator).
  const auto& stages = kStageTable[row_];
  const NodeStage futility_before = row_ != 0 ? NodeStage::kRefutations : NodeStage::kDepthSelected;
  for (;;) {
    bool returned = false;
    for (int column = 0; column < kStageColumns - 1; ++column) {
      const NodeStage code = stages[column];
      if (code == NodeStage::kNone) continue;
      if (!futility_done_ && code == futility_before) FutilityTest();
      if (RunStage(code, column) == Flow::kReturn) {
        result = ret_;
        returned = true;
        break;
      }
    }
    if (returned) break;
    bool restart = false;
    if (VerifyPending(&restart) == Flow::kReturn) {
      result = ret_;
      break;
    }
    if (restart) {
      cx_.pool_cursor = pool_base_;
      escape_state_ = 0;
      proved_ = false;
      continue;
    }
    if (ProveLoss() == Flow::kReturn) {
      result = ret_;
      break;
    }
    result = EndOfNode();
    break;
  }
  board::think_board.generator_words.threat_word = outer_threat_;
  return result;
}

int search_node(ThinkContext& cx, KSearchNode& node, const KMoveNode* incoming, int alpha, int beta, int flag_a,
                int flag_b) {
  if (cx.search_ply >= kNodeLastPly) {
    int searched = 0;
    return search_quiescence(cx, node, incoming, alpha, beta, 0, 0, &searched);
  }
  node.counters[0] = node.counters[1] = node.counters[2] = 0;
  if ((cx.node_counter & kPollMask) == 0 && qsearch_stop_test(cx)) cx.search_abort = 1;
  ++cx.node_counter;
  if (cx.search_abort) return kScoreStopped;
  NodeSearch n(cx, node, incoming, alpha, beta, flag_a, flag_b);
  return n.Run();
}

}  // namespace search
