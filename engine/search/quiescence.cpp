#include "engine/search/quiescence.h"

#include "engine/board/capture_gen.h"
#include "engine/board/check_test.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/hash_table.h"
#include "engine/board/make_move.h"
#include "engine/board/pair_key.h"
#include "engine/board/quiescence_gen.h"
#include "engine/board/target_list.h"
#include "engine/eval/eval_diff.h"
#include "engine/search/check_evasions.h"
#include "engine/search/child_search.h"
#include "engine/search/eval_cache.h"
#include "engine/search/eval_blend.h"
#include "engine/search/line_records.h"
#include "engine/search/move_order.h"
#include "engine/search/node_common.h"
#include "engine/search/root_list.h"
#include "engine/search/search_node.h"
#include "engine/search/time_control.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

constexpr uint32_t kPollMask = 31;
// Polls of a think without time rules that read the clock for the progress reports.
constexpr uint32_t kProgressPollMask = 1023;
// The probe's depth adjustment: every stored depth covers a quiescence child.
constexpr int kQuiescenceProbeMargin = -28528;
// The stage a line of the quiescence search reports to the node above: its
// moves count as depth-selected ones.
constexpr NodeStage kQuiescenceStage = NodeStage::kDepthSelected;
constexpr int kEvasionStage = 2;

// The node's static score for the side to move, evaluating fully first.
int static_score(ThinkContext& cx, KSearchNode& node, int silver_square) {
  const KMove& incoming = cx.move_stack[cx.search_ply];
  evaluate_node(cx.eval_cache, node, silver_square, incoming);
  return eval_blend_node(node.eval, node.position->teban, is_pass(incoming));
}

// The line of the node: the move, then the child's line.
void take_line(const ThinkContext& cx, KSearchNode& node, board::KMoveWord w, const KSearchNode& child) {
  const int ply = cx.search_ply;
  node.pv.moves[ply] = w;
  node.pv.flags[ply] = 0;
  pv_copy_child(node.pv, child.pv, ply + 1);
  if (node.pv.length < ply) node.pv.length = ply;
  node.pv.set_stage(kQuiescenceStage);
}

// The loss of a side without a move in a forced or check position, the win
// when the check came from a dropped pawn (a mate by a pawn drop is illegal).
int no_move_score(const KMove& incoming) {
  return is_drop(incoming) && board::code_kind(incoming.code) == board::kPawn ? kScoreMate : -kScoreMate;
}

// The evasion phase once the left-out evasions are tried: nothing is passed over.
constexpr int kNoPhase = 3;
// The mark of a list node whose move the loop did not pass over.
constexpr uint8_t kTried = 1;

// The legal evasions that the list from `head` did not give a score, linked
// behind the list's room in the pool; null when none is left. A non-promoting
// evasion is not taken for its promoting twin: the twin's loss shows nothing
// about it.
KMoveNode* left_out_evasions(ThinkContext& cx, const KPosition& p, KMoveNode* head) {
  if (!cx.pool_fits()) return nullptr;
  KMove* moves = &cx.pool_moves[cx.pool_cursor];
  const int n = board::oute_nige_gen(p, moves);
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    const board::KMoveWord w = kmove_pack(moves[i]);
    bool tried = false;
    for (const KMoveNode* ln = head; ln != nullptr && !tried; ln = ln->next) {
      tried = ln->skip == kTried && kmove_pack(*ln->move) == w;
    }
    if (!tried) moves[kept++] = moves[i];
  }
  if (kept == 0) return nullptr;
  KMoveNode* nodes = &cx.pool_nodes[cx.pool_cursor];
  cx.pool_cursor += kept;
  sashi_list_link(nodes, kept, moves, kEvasionStage);
  return nodes;
}

}  // namespace

int qsearch_stop_test(ThinkContext& cx) {
  if (think_words.control.load(std::memory_order_relaxed) == kThinkStop) return 1;
  // Without time rules the clock is read only for the progress reports.
  const bool timed = time_rules_apply(cx);
  if (!timed && (cx.node_counter & kProgressPollMask) != 0) return 0;
  const int32_t elapsed = think_elapsed(cx);
  progress_report_due(cx, static_cast<uint32_t>(elapsed));
  return timed && elapsed >= time_limit_now() ? 1 : 0;
}

namespace {

// The static score of the node once worked out (kNoStand before): a node that
// stood pat and found nothing better returns it without blending the record again.
constexpr int kNoStand = INT32_MIN;

struct StandPat {
  int silver;
  int score;  // kNoStand until worked out
  int Get(ThinkContext& cx, KSearchNode& node) {
    if (score == kNoStand) score = static_score(cx, node, silver);
    return score;
  }
};

// The node past the stand pat of search_quiescence: the generation and the
// move loop. Kept out of line so that the nodes that stand pat (most of them)
// do not pay for this part's frame and registers.
[[gnu::noinline]] int quiescence_moves(ThinkContext& cx, KSearchNode& node, int alpha, int beta, uint32_t pair_key,
                                       int* searched, bool in_check, StandPat stand) {
  KPosition& p = *node.position;
  const int ply = cx.search_ply;
  const int s = p.teban;
  const NodeDepth depth = node_depth(node.ext, ply);
  const KMove& incoming = cx.move_stack[ply];
  const int mode = board::think_board.generator_words.game_stage;

  PoolMark mark(cx);
  KMove* moves = &cx.pool_moves[cx.pool_cursor];
  int n = 0;
  bool noted = false;  // the generator noted its exchanges in cx.exchange_notes
  if (!in_check) {
    const KMove& own = cx.move_stack[ply - 1];
    if (pair_key != 0 && !is_drop(own) && !is_pass(own)) board::target_list_extend(p, own.from);
    if (ply > depth.horizon + kQuiescenceReach[mode]) {
      if (!is_pass(incoming) && board::kiki_at(p, incoming.to).direct_count[s] > 0) {
        n = board::gen_recapture(p, incoming, moves);
      }
    } else if (pair_key == 0) {
      n = board::gen_king_front_drops(p, node.eval, ply - depth.horizon, moves, cx.exchange_notes);
      noted = true;
    } else {
      n = board::gen_target_captures(p, ply - depth.horizon, moves, cx.exchange_notes);
      noted = true;
    }
    // Nothing to play in a quiet or forced position: the static score.
    if (n == 0) {
      *searched = 1;
      return stand.Get(cx, node);
    }
  } else {
    n = gen_check_evasions(p, &cx.move_stack[ply], pair_key, moves);
    if (n == 0) {
      // Evasions left out by the accept test are not a mate.
      return board::oute_nige_count(p, 0) == 0 ? no_move_score(incoming) : stand.Get(cx, node);
    }
  }
  cx.pool_cursor += n;

  *searched = 1;
  int best = -kScoreMate;
  const int linked = sashi_list_link(&cx.pool_nodes[cx.pool_cursor - n], n, moves, in_check ? kEvasionStage : 5);
  KMoveNode* head = linked > 0 ? &cx.pool_nodes[cx.pool_cursor - n] : nullptr;
  if (linked >= 2) {
    engine_sashite_order(p, linked, head, moves, noted ? cx.exchange_notes : nullptr);
    head = sashite_list_sort(head);
  }
  KSearchNode child;
  child.position = &p;
  const bool patterns = exchange_patterns_possible(cx);
  int phase = 0;
  bool scored = false;  // some move got a score (searched, drawn, refuted or from the table)
  bool extended = false;
  const KMoveNode* keyed = nullptr;  // the list node whose key next_key is
  board::KHashKey next_key{};
  uint32_t next_bucket = 0;  // next_key's table bucket
  for (KMoveNode* ln = head;; ln = ln->next) {
    if (ln == nullptr) {
      // In check, while every evasion tried loses, the evasions the phases
      // passed over and those the generator left out are tried before the
      // node reports a mate.
      if (extended || !in_check || best > -kScoreMate) break;
      extended = true;
      ln = left_out_evasions(cx, p, head);
      if (ln == nullptr) break;
      phase = kNoPhase;
    }
    KMove& m = *ln->move;
    const board::KMoveWord w = kmove_pack(m);
    // The key after this move (made while the move before it was searched,
    // its table bucket found then), and the next move's, whose table bucket is
    // on its way meanwhile.
    const bool made_ahead = ln == keyed;
    const board::KHashKey key = made_ahead ? next_key : child_key(node.key, m);
    const uint32_t bucket = next_bucket;
    keyed = ln->next;
    if (keyed != nullptr) {
      next_key = child_key(node.key, *keyed->move);
      next_bucket = child_prefetch(cx, next_key);
    }
    child.ext = node.ext + (in_check ? kOnePly : 0);
    if (in_check && phase >= 1 && phase != kNoPhase &&
        (m.captured_code == 0 || (phase == 1 && m.to == incoming.to))) {
      continue;
    }
    ln->skip = kTried;
    KMove& entry = cx.move_stack[ply + 1];
    kmove_copy_entry(entry, m);
    entry.flag = 0;
    entry.flag_word = 5u << 3 | (in_check ? 1u : 0u);
    const int child_class = patterns ? exchange_pattern_classify(cx, p) : 0;
    ++node.counters[0];
    child.key = key;
    const uint32_t table_head =
        made_ahead ? board::hash_prefetch_entry_at(bucket, child.key) : board::hash_prefetch_entry(child.key);
    eval_cache_prefetch(cx.eval_cache, child.key);
    int s_move = 0;
    bool scored_without_search = false;
    if (ply > 2) {
      const PathRepetition rep = path_repetition_test(p, m, child.key, ply, &cx.move_stack[1], in_check ? 1 : 0);
      if (rep == PathRepetition::kPassOver) continue;
      if (rep == PathRepetition::kWinsForMover) {
        node.pv.moves[ply] = w;
        node.pv.flags[ply] = 0;
        node.pv.length = ply;
        node.pv.set_stage(kQuiescenceStage);
        return kScoreMate;
      }
      if (rep == PathRepetition::kDraw) {
        s_move = draw_value(cx, s);
        scored_without_search = true;
      }
    }
    if (!scored_without_search) {
      child.hash_move = 0;
      child.hash_stage = 0;
      child.table_ext = 0;
      child.tsume_mark = 0;
      int exact = 0;
      // Nothing was stored in the table since the prefetch above. Most chains
      // hold no entry of the child's board: those probes miss without the call.
      const int probe = table_head == board::kHashChainEnd
                            ? board::hash_probe_missed()
                            : board::hash_probe_from(table_head, child, w, kQuiescenceProbeMargin,
                                                     child.ext + 12 * (think_words.depth.load() - ply - 1), exact,
                                                     alpha, beta, best);
      if (probe == board::kProbeAtBeta) {
        node.pv.moves[ply] = w;
        node.pv.length = ply;
        node.pv.set_stage(kQuiescenceStage);
        return alpha;
      }
      if (probe == board::kProbeAtAlpha) {
        // The move is worth at most alpha: an upper bound, not a loss.
        scored = true;
        if (best < alpha) best = alpha;
        continue;
      }
      if (probe == board::kProbeExact || probe == board::kProbeRaisedAlpha) {
        if (probe == board::kProbeRaisedAlpha) {
          node.pv.moves[ply] = w;
          node.pv.length = ply;
          node.pv.set_stage(kQuiescenceStage);
        }
        scored = true;
        if (best >= beta) return best;
        continue;
      }
      if (probe == board::kProbeTooShallow) child.ext = node.ext;
    }
    uint32_t child_pair = 0;
    const bool gives_check = !is_pass(m) && board::is_oute(p, m) != 0;
    if (!is_pass(m) && !gives_check) {
      // A pattern of pointless exchanges is passed over, but never while the
      // node tries the evasions left aside, and a move passed over has no
      // score: it stays among those.
      if (child_class == 1 && phase != kNoPhase) {
        ln->skip = 0;
        continue;
      }
      if (incoming.flag == 1 || incoming.flag == m.from) child_pair = board::sashite_pair_key(p, incoming, m);
    }
    if (!is_pass(m) && board::kiki_at(p, m.to).direct_count[1 - s] > 0 &&
        board::code_kind(m.code) != board::kKing) {
      entry.flag = static_cast<uint8_t>(sashite_safe_check(cx, p, m));
    }
    if (scored_without_search) {
      scored = true;
    } else {
      // The quiescence search below reads the capture list, never the change counters.
      board::do_move(p, m, board::kPlyTableListOnly);
      if (board::king_attacked(p, s)) {
        board::undo_move(p, m, board::kPlyTableListOnly);
        continue;
      }
      scored = true;
      if (m.captured_code == 0 && board::code_class(m.code) == board::kDragon && !is_drop(m)) entry.flag_word |= 2;
      board::KMoveWord mate = 0;
      if (!gives_check && opponent_mates(cx, node, child, s, false, &mate)) {
        board::undo_move(p, m, board::kPlyTableListOnly);
        continue;
      }
      eval::eval_sashite_diff(m, p, node.eval, child.eval);
      child.threat[0] = node.threat[0];
      child.threat[1] = node.threat[1];
      pv_holder_init(child.pv, ply);
      ++cx.search_ply;
      int child_searched = 0;
      const int r = search_quiescence(cx, child, ln, -beta, -alpha, child_pair, child_class, &child_searched);
      --cx.search_ply;
      board::undo_move(p, m, board::kPlyTableListOnly);
      for (int i = 0; i < 3; ++i) node.counters[i] += child.counters[i];
      if (r == kScoreStopped) return kScoreStopped;
      s_move = -r;
      bool may_lead = child_searched != 0;
      if (!may_lead) {
        // A static answer: not below the static score after the move. The
        // child's result is that score already unless it reported a mate (its
        // record may be unfinished then) or the move was a pass (the child
        // scored it as one), so the score is worked out again only then.
        const bool child_static = r != kScoreMate && r != -kScoreMate && !is_pass(m);
        const int x = child_static ? s_move : -eval_blend_node(child.eval, 1 - s, false);
        if (s_move <= x) {
          s_move = x;
        } else {
          may_lead = true;
        }
      }
      if (s_move > best) {
        best = s_move;
        if (may_lead) {
          take_line(cx, node, w, child);
          *searched = 2;
        }
      }
    }
    if (scored_without_search && s_move > best) best = s_move;
    if (best > alpha) alpha = best;
    if (best >= beta) return best;
    if (in_check) {
      if (phase == 0 && m.to == incoming.to) {
        phase = 1;
      } else if (phase == 1 && m.to != incoming.to) {
        phase = 2;
      }
    }
  }
  // Every move illegal or passed over: not a mate unless the side has no move.
  if (!scored) {
    if (in_check) return board::oute_nige_count(p, 0) == 0 ? no_move_score(incoming) : stand.Get(cx, node);
    return stand.Get(cx, node);
  }
  // Out of check the node tries captures and a few drops only: when all of
  // them lose, a quiet move may still hold, so no loss is claimed.
  if (!in_check && best <= -kScoreMate) return stand.Get(cx, node);
  return best;
}

}  // namespace

int search_quiescence(ThinkContext& cx, KSearchNode& node, const KMoveNode* incoming_node, int alpha, int beta, uint32_t pair_key,
                      int exchange_class, int* searched) {
  (void)incoming_node;
  const KPosition& p = *node.position;
  const int ply = cx.search_ply;
  const bool in_check = board::king_attacked(p, p.teban);
  node.counters[0] = node.counters[1] = node.counters[2] = 0;
  *searched = 0;
  if ((cx.node_counter & kPollMask) == 0 && qsearch_stop_test(cx)) cx.search_abort = 1;
  ++cx.node_counter;
  if (cx.search_abort) return kScoreStopped;

  const int mode = board::think_board.generator_words.game_stage;
  const int silver = mode == 0 && ply > 4 ? silver_advance_of(cx.move_stack[ply], cx.move_stack[ply - 1]) : 0;
  // The line has reached the end of the per-ply arrays: stand pat.
  if (ply > kNodeLastPly) return static_score(cx, node, silver);
  if (!cx.pool_fits()) return static_score(cx, node, silver);
  const bool forced = pair_key != 0 || exchange_class != 0;
  StandPat stand{silver, kNoStand};
  if (!in_check && !forced && (fully_evaluated(node.eval) || beta <= 31000)) {
    stand.score = static_score(cx, node, silver);
    if (stand.score >= beta) return stand.score;
  }
  return quiescence_moves(cx, node, alpha, beta, pair_key, searched, in_check, stand);
}

}  // namespace search
