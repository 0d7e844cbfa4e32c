#include "engine/search/root_search.h"

#include <algorithm>

#include "engine/board/check_test.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/repetition.h"
#include "engine/board/shape_score.h"
#include "engine/eval/eval_diff.h"
#include "engine/eval/senkei_root_adjust.h"
#include "engine/search/formation_seed.h"
#include "engine/search/line_records.h"
#include "engine/search/move_set.h"
#include "engine/search/move_words.h"
#include "engine/search/pv_learn.h"
#include "engine/search/root_list.h"
#include "engine/search/root_moves.h"
#include "engine/search/search_node.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"
#include "engine/search/time_control.h"
#include "engine/tsume/tsume_entry.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

constexpr int kProvenDepth = 756;
constexpr uint32_t kProvenMateMark = 32767;
constexpr int kMateTag = 5;
// The stage the root line reports: its moves count as depth-selected ones.
constexpr NodeStage kLineStage = NodeStage::kDepthSelected;
constexpr int kCandidateStage = 10;
constexpr int kCandidateDepth = 7;
constexpr int kCandidateBelow = -1800;
constexpr uint32_t kThreatTimeMs = 300;
constexpr int kVerifyDepth = 4;
constexpr int kVerifyRounds = 8;
constexpr int kOnePly = 12;

bool is_pass(const KMove& m) { return m.from == board::kPassSquare; }

// The root line: the move, then the child's line from ply 2 on.
void set_root_line(KSearchNode& root, board::KMoveWord w, const KSearchNode& child) {
  root.pv.moves[1] = w;
  root.pv.flags[1] = child.ext > root.ext ? 1 : 0;
  const int last = std::min(std::max(child.pv.length, 1), kLastPly);
  for (int i = 2; i <= last; ++i) {
    root.pv.moves[i] = child.pv.moves[i];
    root.pv.flags[i] = child.pv.flags[i];
  }
  root.pv.length = last;
  root.pv.set_stage(kLineStage);
}

// The one-move root line of a move scored without a search.
void set_single_line(KSearchNode& root, board::KMoveWord w) {
  root.pv.moves[1] = w;
  root.pv.flags[1] = 0;
  root.pv.length = 1;
  root.pv.set_stage(kLineStage);
}

// Marks this node and every later one as not searched.
void mark_unsearched(KMoveNode* from) {
  for (KMoveNode* n = from; n != nullptr; n = n->next) n->score = kScoreNone;
}

// Makes the threat records of the child after the move (made already).
void child_threat_records(const ThinkContext& cx, KSearchNode& root, KSearchNode& child, const KMove& m, int mover) {
  KPosition& p = *child.position;
  const int s = 1 - mover;
  const uint32_t mark = static_cast<uint32_t>(child.tsume_mark) & 0xffff;
  if (threat_move_present(mark)) {
    child.threat_move = mark;
    child.threat[s].key = threat_record_key(p, s);
    child.threat[s].move = threat_move_decode(p, mark, mover);
    child.threat[s].ply = static_cast<uint32_t>(cx.search_ply);
  } else {
    child.threat_move = 0;
    child.threat[s] = root.threat[s];
  }
  if (board::king_attacked(p, s)) {
    child.threat[mover] = root.threat[mover];
  } else {
    child.threat[mover].key.word[0] = 0;
  }
  (void)m;
}

// A remembered mate against the mover that still works after its move.
bool threat_still_mates(const ThinkContext& cx, KSearchNode& root, KSearchNode& child, int mover, KMove* mate) {
  const KMateThreat& t = root.threat[mover];
  if (child.tsume_mark != 0 || t.key.word[0] == 0) return false;
  if (board::king_attacked(*child.position, 1 - mover) || think_words.control.load() == kThinkStop) return false;
  const int since = static_cast<int>(t.ply);
  const int plies = cx.search_ply + 1 - since;
  return tsume::tsume_verify(t.key, t.move, plies, &cx.move_stack[since + 1], *child.position, mate, kThreatTimeMs) ==
         0;
}

// Skips the later twins of a move whose reply takes the moved piece at once.
void skip_twins(KMoveNode* node, const KSearchNode& child) {
  const KMove& m = *node->move;
  if (child.pv.length < 2 || board::kmove_to(child.pv.moves[2]) != m.to) return;
  const int kind = board::code_class(m.code);
  const bool pawn_drop = m.from == board::kInHand && kind == board::kPawn;
  const bool minor_promotion = m.from != board::kInHand && m.promote &&
                               (kind == board::kSilver || kind == board::kKnight || kind == board::kLance);
  for (KMoveNode* n = node->next; n != nullptr; n = n->next) {
    const KMove& t = *n->move;
    if (pawn_drop && t.from == board::kInHand && t.to == m.to) {
      n->skip = 1;
      n->score = node->score;
    } else if (minor_promotion && t.from == m.from && t.to == m.to && !t.promote) {
      n->skip = 2;
      n->score = node->score;
    }
  }
}

}  // namespace

bool candidates_due(int depth, int best) { return depth >= kCandidateDepth && best < kCandidateBelow; }

void pv_print(ThinkContext& cx, const KSearchNode& node, int, int score, int depth, int post) {
  if (!post) return;
  const int shown = cx.time_state.lost ? -kScoreMate : score;
  const int first = cx.search_ply;
  const int count = std::max(node.pv.length - first + 1, 0);
  pv_report(cx, count, &node.pv.moves[first], shown, 0, depth, cx.node_counter, static_cast<uint32_t>(think_elapsed(cx)));
}

int root_search(ThinkContext& cx, KSearchNode& root, const int32_t strategies[2], KMoveNode* head, int alpha, int beta,
                KMove** candidate_moves, KMoveNode** candidate_nodes, KLearnRing* ring_a) {
  ++cx.node_counter;
  if (cx.search_abort) return kScoreStopped;
  KPosition& p = *root.position;
  const int s = p.teban;
  const int depth = think_words.depth.load();
  const int stage = board::think_board.generator_words.game_stage;
  int best = alpha;
  cx.ply_nodes[cx.search_ply] = &root;  // the node search reads its parent's depth here
  const KMove& last = cx.move_stack[1];
  const bool last_quiet = !is_pass(last) && last.captured_code == 0;
  if (depth - cx.search_ply > 2) rook_file_register(cx, p, root.key, cx.search_ply);

  for (KMoveNode* node = head; node != nullptr; node = node->next) {
    if (node != head && uchikiri_check(cx)) {
      mark_unsearched(node->next);
      cx.search_abort = 1;
      return best;
    }
    KMove& m = *node->move;
    const board::KMoveWord w = board::move_word(m);
    const int count = ++cx.time_state.searched_count;
    if (move_set_contains(cx.searched_move_set, w) || node->skip) continue;

    const int child_ply = cx.search_ply + 1;
    cx.move_stack[child_ply].flag =
        !is_pass(m) && board::kiki_at(p, m.to).direct_count[1 - s] > 0 && board::code_kind(m.code) != board::kKing
            ? static_cast<uint8_t>(sashite_safe_check(cx, p, m))
            : 0;
    const int correction = board::sashite_shape_score(p, m, stage, strategies[s]);

    ++root.counters[0];
    KSearchNode child{};
    child.position = &p;
    child.key = root.key;
    board::hash_key_sashite(child.key, 0, m);
    child.ext = root.ext;
    int exact = 0, a = alpha, b = beta, best_probe = alpha;
    board::hash_probe(child, w, 0, kProvenDepth, exact, a, b, best_probe);
    if (static_cast<uint32_t>(child.tsume_mark) == kProvenMateMark) {
      node->score = -kScoreMate;
      continue;
    }

    board::do_move(p, m, 1);
    if (board::king_attacked(p, s) || is_pawn_drop_mate(p, m)) {
      board::undo_move(p, m, 1);
      node->score = -kScoreMate;
      continue;
    }
    if (board::kifu_rep_find(child.key) != nullptr) {
      const bool gives_check = board::king_attacked(p, 1 - s);
      if (gives_check && m.captured_code == 0 && last_quiet) {
        board::undo_move(p, m, 1);
        node->score = kPerpetualCheckScore;
        if (best < kPerpetualCheckScore) {
          set_single_line(root, w);
          best = kPerpetualCheckScore;
          pv_print(cx, root, count, best, depth, 1);
        }
        continue;
      }
      board::undo_move(p, m, 1);
      if (cx.time_state.in_check && m.captured_code == 0 && last_quiet) {
        move_set_add(cx.searched_move_set, kScoreMate, w);
        node->score = kScoreMate;
        set_single_line(root, w);
        pv_print(cx, root, count, kScoreMate, depth, 1);
        return kScoreMate;
      }
      const int draw = kDrawScore[std::clamp(cx.search_style, 1, 2)];
      node->score = static_cast<int16_t>(draw);
      if (draw > best) {
        move_set_add(cx.searched_move_set, draw, w);
        set_single_line(root, w);
        best = draw;
        pv_print(cx, root, count, draw, depth, 1);
      }
      if (beta <= draw) return best;
      continue;
    }

    KMove& entry = cx.move_stack[child_ply];
    const uint8_t marker = entry.flag;
    entry = m;
    entry.flag = marker;
    entry.flag_word = static_cast<uint32_t>(cx.time_state.in_check) + 8u * m.promote;
    if (board::code_class(m.code) == board::kDragon && m.from != board::kInHand && m.captured_code == 0) {
      entry.flag_word |= 2;
    }
    cx.ply_nodes[child_ply] = &child;

    KMove mate;
    if (threat_still_mates(cx, root, child, s, &mate)) {
      board::hash_store(child.key, kProvenDepth, board::kBoundExact, kScoreMate, kProvenMateMark, 0, 0,
                        board::move_word(mate), kMateTag);
      board::undo_move(p, m, 1);
      node->score = -kScoreMate;
      continue;
    }
    if (stage <= 1 && child.table_ext != -1) {
      board::hash_store_extension(child.key, -1, 0);
      formation_seed(p, child.key, cx.search_ply + 1);
    }
    eval::senkei_table_restore(s);
    if (stage < 2) eval::senkei_table_update(p, m, stage, strategies[s]);
    eval::eval_sashite_diff(m, p, root.eval, child.eval);
    child.eval.hand_b[s] = static_cast<int16_t>(child.eval.hand_b[s] - correction);
    if (m.from != board::kInHand && !is_pass(m)) {
      cx.time_state.exchange_count[child_ply] = cx.time_state.exchange_count[child_ply - 2 >= 0 ? child_ply - 2 : 0] +
                                             exchange_weight(m.captured_code);
    }
    child_threat_records(cx, root, child, m, s);

    ++cx.search_ply;
    pv_holder_init(child.pv, cx.search_ply - 1);
    int score = -search_node(cx, child, node, -beta, -std::max(alpha, best), 0, 0);
    for (int i = 0; i < 3; ++i) root.counters[i] += child.counters[i];

    bool verified_best = false;
    if (score > best && score != kScoreNone) {
      if (stage == 0 && eval::koma_move_bonus(p, m, strategies) != 0) {
        pv_print(cx, child, count, score, depth, 0);
        child.ext += kOnePly;
        pv_holder_init(child.pv, cx.search_ply - 1);
        score = -search_node(cx, child, node, -beta, -alpha, 0, 0);
      } else if (saved_pv_store(cx, p, m, child) != 0) {
        // The score may rest on a stale entry for a quiet reply: search again
        // with the predicted lines' positions wiped; the lower result holds.
        const int again = search_negated(cx, child, node, alpha, beta, 0, 0);
        if (again < score) score = again;
      }
    }
    if (score > best && score != kScoreNone && cx.time_state.max_depth > kVerifyDepth && depth > kVerifyDepth) {
      uint32_t fingerprint = sum_from(child.pv, 3);
      for (int round = 0; round < kVerifyRounds && !cx.search_abort && score != kScoreNone && best < score; ++round) {
        pv_replay(child, 1);
        const LineMate r = pv_mate_verify(child, 1);
        if (r == LineMate::kMateAtNode) {
          score = -kScoreMate;
          break;
        }
        if (r == LineMate::kNone) break;
        if (r == LineMate::kOpponentMates) pv_holder_init(child.pv, cx.search_ply - 1);
        if (r == LineMate::kRootMoverMates) {
          best = score;
          set_root_line(root, w, child);
          cx.time_state.best_score = score;
          node->score = static_cast<int16_t>(score);
          verified_best = true;
          // Posted from the root's ply, like every root line: the child's ply
          // here would drop the root move from the line.
          --cx.search_ply;
          pv_print(cx, root, count, score, depth, 1);
          ++cx.search_ply;
          pv_holder_init(child.pv, cx.search_ply - 1);
        }
        score = -search_node(cx, child, node, -beta, -best, 0, 0);
        if (score <= best) move_set_add(cx.searched_move_set, score, w);
        const uint32_t now = sum_from(child.pv, 3);
        if (now == fingerprint) break;
        fingerprint = now;
      }
    }
    --cx.search_ply;
    board::undo_move(p, m, 1);

    if (score == kScoreNone || cx.search_abort) {
      mark_unsearched(node);
      return best;
    }
    if (!verified_best && score > best) node->score = static_cast<int16_t>(score);
    skip_twins(node, child);
    if (score > best) {
      move_set_add(cx.searched_move_set, score, w);
      best = score;
      set_root_line(root, w, child);
      if (depth > 2) {
        cx.time_state.best_score = score;
        if (score_trend(score, cx.time_state.previous_score) != 0) {
          think_words.limits.current_limit.store(think_words.limits.max_limit.load());
        }
        if (!cx.time_state.lost) learn_store_results(root.key, depth, score, root.pv, 0, ring_a);
        pv_print(cx, root, count, score, depth, 1);
      }
    }
    if (beta <= score && score == kScoreMate) return kScoreMate;

    if (node->next == nullptr && candidates_due(depth, best) && candidate_moves && *candidate_moves &&
        candidate_nodes && *candidate_nodes) {
      const int n = board::gen_funari_moves(p, *candidate_moves);
      if (n > 0) {
        KMoveNode* added = sashi_list_init(*candidate_nodes, n, *candidate_moves, kCandidateStage);
        node->next = added;
        added->prev = node;
        *candidate_moves = nullptr;
        *candidate_nodes = nullptr;
      }
    }
  }
  return best;
}

}  // namespace search
