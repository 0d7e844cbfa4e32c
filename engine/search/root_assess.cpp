#include "engine/search/root_assess.h"

#include <algorithm>

#include "engine/board/evasion_gen.h"
#include "engine/board/exchange_eval.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/strategy_cells.h"
#include "engine/eval/eval_position.h"
#include "engine/eval/king_lines.h"
#include "engine/search/move_order.h"
#include "engine/search/position_features.h"
#include "engine/search/root_moves.h"
#include "engine/search/score_maps.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

constexpr int32_t kTempoAllowance = 600;
constexpr int kPawnFaceBonus = 10;
constexpr int kMateScore = 32766;

int exchange_for(const KPosition& p, int side, int code, int q, int first) {
  return board::think_board.generator_words.game_stage == 0 ? board::exchange_eval_pos(p, side, code, q, first, nullptr)
                                : board::exchange_eval(p, side, code, q, first, nullptr);
}

// The cheapest direct attacker of sq for the side (highest piece number).
int cheapest_attacker(const KPosition& p, int side, int sq) {
  const uint64_t set = board::kiki_direct64(board::kiki_at(p, sq), side);
  return set == 0 ? board::kEmptyNumber : 63 - __builtin_clzll(set);
}

int cell(int side, int cls, int sq) { return board::senkei_cell(side, cls, sq); }

// The table gain of capturing the target on t with the piece n of side s, no
// recapture possible.
int table_gain(const KPosition& p, int s, int n, int t) {
  const int c = board::code_class(p.piece[n].code);
  const int q = p.piece[n].sq;
  const bool unpromoted = (c & board::kPromotedBit) == 0;
  const bool promotes =
      unpromoted && c != board::kGold && c != board::kKing && (board::in_camp(s, t) || board::in_camp(s, q));
  const int c2 = promotes ? c | board::kPromotedBit : c;
  int own;
  if ((c == board::kRook || c == board::kBishop) && board::in_camp(s, q)) {
    own = 100;
  } else if (board::think_board.generator_words.game_stage == 0) {
    own = cell(s, c2, t) - cell(s, c, q) + board::exchange_flat_value(c2) - board::exchange_flat_value(c);
  } else {
    own = board::exchange_king_value(p, s, c2, t) - board::exchange_king_value(p, s, c, q);
  }
  const int u = board::code_class(p.piece[p.board[t]].code);
  if (u == 0) return own;
  const int k = board::code_kind(u);
  int taken = board::exchange_hand_value(k, p.hand[s][k]);
  if (board::think_board.generator_words.game_stage == 0) {
    taken += cell(1 - s, u, t) + board::exchange_flat_value(u);
  } else {
    taken += board::exchange_king_value(p, 1 - s, u, t);
  }
  return own + taken;
}

}  // namespace

int hanging_threat_value(const KPosition& p) {
  const int s = p.teban, o = 1 - s;
  int result = -1;
  for (int n = 2; n < board::kPieceCount; ++n) {
    const int t = p.piece[n].sq;
    if (!board::is_playing_square(t) || board::code_side(p.piece[n].code) != o) continue;
    if (board::kiki_at(p, t).direct_count[s] < 1) continue;
    const int capturer = cheapest_attacker(p, s, t);
    const int q = p.piece[capturer].sq;
    int v;
    if (board::kiki_at(p, t).direct_count[o] > 0 || board::kiki_at(p, q).direct_count[o] > 0) {
      v = exchange_for(p, s, board::code_class(p.piece[n].code), t, capturer);
    } else {
      v = table_gain(p, s, capturer, t);
    }
    if (v > result) result = v;
  }
  return result;
}

int32_t record_assessment(const board::KEvalRecord& r, int s, int handicapped) {
  return blended_side_score(r, s, handicapped == s ? kTempoAllowance : 0) -
         blended_side_score(r, 1 - s, handicapped == s ? 0 : kTempoAllowance);
}

namespace {

// The score of one root move of side s (made already, the opponent o to
// move); `mate` is set for a mate in one.
int assess_made_move(KPosition& p, const KMove& m, int s, bool& mate) {
  const int o = 1 - s;
  if (board::king_attacked(p, s) || is_pawn_drop_mate(p, m)) return kIllegalRootScore;
  const bool drop = m.from == board::kInHand;
  if ((drop || m.captured_code == 0) && board::kiki_at(p, m.to).direct_count[o] > 0) {
    const int x = exchange_for(p, o, board::code_class(p.piece[p.board[m.to]].code), m.to,
                               cheapest_attacker(p, o, m.to));
    if (x > 20 || (drop && x > -10)) return kLossScoreBase - x;
  }
  board::KEvalRecord r{};
  position_features(p, r);
  int score;
  if (!board::king_attacked(p, o)) {
    eval::eval_king_kiki(p, r);
    eval::eval_position(p, 0, board::pass_move(), r);
    score = record_assessment(r, s, s);
  } else if (board::oute_nige_count(p, 0) == 0) {
    mate = true;
    return kMateScore;
  } else {
    score = record_assessment(r, s, o);
  }
  const int hanging = hanging_threat_value(p);
  if (hanging > 0) score -= hanging;
  if (!drop && board::code_class(m.code) == board::kPawn) {
    const int a = p.board[m.to + board::forward_step(s)];
    if (a < board::kPieceCount && p.piece[a].code == (board::kPawn | board::side_bit(o))) score += kPawnFaceBonus;
  }
  return score;
}

}  // namespace

int32_t root_static_value(const KPosition& p) {
  board::KEvalRecord root{};
  position_features(p, root);
  const int32_t value = record_assessment(root, p.teban, 1 - p.teban);
  return std::clamp(value, -kMateScore + 1, kMateScore - 1);
}

void EvalByFacePrecise(KPosition& p, int count, KMoveNode* head) {
  const int s = p.teban, o = 1 - s;
  const int32_t d = root_static_value(p);
  if (board::king_attacked(p, s) || board::king_attacked(p, o)) {
    engine_sashite_order(p, count, head);
    for (KMoveNode* n = head; n != nullptr; n = n->next) n->score = static_cast<int16_t>(n->score + d);
    return;
  }
  for (KMoveNode* n = head; n != nullptr; n = n->next) {
    const KMove& m = *n->move;
    if (m.from == board::kPassSquare) {
      n->score = 0;
      continue;
    }
    bool mate = false;
    board::do_move(p, m, 0);
    const int score = assess_made_move(p, m, s, mate);
    board::undo_move(p, m, 0);
    n->score = static_cast<int16_t>(std::clamp(score, -32765, 32766));
    if (mate) {
      for (KMoveNode* later = n->next; later != nullptr; later = later->next) later->score = 0;
      return;
    }
  }
}

}  // namespace search
