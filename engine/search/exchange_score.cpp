#include "engine/search/exchange_score.h"

#include <algorithm>
#include <bit>

#include "engine/board/capture_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"
#include "engine/eval/eval_access.h"
#include "engine/eval/eval_diff.h"
#include "engine/search/check_evasions.h"
#include "engine/search/node_common.h"
#include "engine/search/score_maps.h"
#include "engine/search/search_words.h"

namespace search {

namespace {

using board::KEvalRecord;
using board::KMove;
using board::KPosition;

constexpr int kWindow = kScoreMate;
constexpr int kMaxEvasions = 8;
constexpr int kLastMoverShare = 600;
// A capture's bonus by the captured piece's base kind (index 0: nothing taken).
constexpr int kCaptureValue[9] = {0, 200, 160, 120, 100, 69, 60, 15, 50};
// What a piece attacked by a pawn gains by stepping away, by base kind.
constexpr int kEscapeBonus[9] = {0, 250, 200, 200, 175, 100, 50, 5, 250};
constexpr int kEdgeStep = 50;
constexpr int kEdgeOpen = 250;
constexpr int kKnightLeverBonus = 200;
constexpr int kCornerDropBonus = 1000;
// The lance's class around its own king in the king-relative tables.
constexpr int kLanceOwnClass = 3;
// The search reaches at most this many plies below the move (each capture on
// the square uses a piece, so real sequences end well before).
constexpr int kMaxPlies = 40;

// Moves of the exchange search: each ply takes its room from the cursor on.
constexpr int kPoolRoom = kMaxPlies * 64 + board::kMaxMoves;
KMove pool[kPoolRoom];
int pool_top = 0;

class PoolFrame {
 public:
  PoolFrame() : saved_(pool_top) {}
  ~PoolFrame() { pool_top = saved_; }
  KMove* Take(int n) {
    KMove* at = &pool[pool_top];
    pool_top += n;
    return at;
  }
  static bool Fits() { return pool_top + board::kMaxMoves <= kPoolRoom; }

 private:
  int saved_;
};

bool is_drop_move(const KMove& m) { return m.from == board::kInHand; }

int piece_code_at(const KPosition& p, int sq) { return p.piece[p.board[sq]].code; }
bool is_code(const KPosition& p, int sq, int code) {
  return p.board[sq] < board::kPieceCount && piece_code_at(p, sq) == code;
}

struct Search {
  KPosition& p;
  int sq;       // the exchange square: the move's destination
  int ply = 0;  // below the move

  // Makes m, fills the child's record; false (nothing made) when m leaves the
  // mover's king attacked.
  bool Make(const KMove& m, const KEvalRecord& parent, KEvalRecord& child) {
    const int mover = p.teban;
    board::do_move(p, m, 0);
    if (board::king_attacked(p, mover)) {
      board::undo_move(p, m, 0);
      return false;
    }
    eval::eval_sashite_diff(m, p, parent, child);
    ++ply;
    return true;
  }
  void Unmake(const KMove& m) {
    --ply;
    board::undo_move(p, m, 0);
  }

  // Evasions of the side to move with the one capturing on the square first,
  // at most eight.
  int Evasions(KMove* out) {
    int n = gen_check_evasions(p, nullptr, 0, out);
    for (int i = 0; i < n; ++i) {
      if (out[i].to == sq && out[i].captured_code != 0) {
        std::swap(out[0], out[i]);
        break;
      }
    }
    return std::min(n, kMaxEvasions);
  }

  int Recapture(KEvalRecord& r, const KMove& last, int alpha, int beta, int bonus);
  // The best of `alpha` and the listed moves, each answered by Recapture.
  int BestRecapture(const KEvalRecord& r, const KMove* moves, int n, int alpha, int beta, int bonus);
  int Reply(KEvalRecord& r, const KMove& m, int alpha, int beta, int bonus);
  int Threat(const KEvalRecord& r, const KMove& m, int base, int alpha, int beta, int bonus, bool plain);
  int ThreatRecheck(KEvalRecord& r, const KMove& m, const KMove& evasion, int alpha, int beta);
  int MovedPieceCaptures(int from, KMove* out);
  int LanceDropPenalty(const KMove& m);
};

// The static value with the side to move set to `side` for the time of the
// evaluation.
int value_for(KPosition& p, int side, KEvalRecord& r, const KMove& last) {
  const uint8_t keep = p.teban;
  p.teban = static_cast<uint8_t>(side);
  const int v = exchange_static_value(p, r, last);
  p.teban = keep;
  return v;
}

int Search::BestRecapture(const KEvalRecord& r, const KMove* moves, int n, int alpha, int beta, int bonus) {
  for (int i = 0; i < n && alpha < beta; ++i) {
    KEvalRecord child = r;
    if (!Make(moves[i], r, child)) continue;
    const int v = -Recapture(child, moves[i], -beta, -alpha, -bonus);
    Unmake(moves[i]);
    alpha = std::max(alpha, v);
  }
  return alpha;
}

int Search::Recapture(KEvalRecord& r, const KMove& last, int alpha, int beta, int bonus) {
  const int s = p.teban;
  PoolFrame frame;
  if (!PoolFrame::Fits() || ply >= kMaxPlies) return value_for(p, s, r, last);
  if (!board::king_attacked(p, s)) {
    const int stand = exchange_static_value(p, r, last) + std::max(bonus, 0);
    if (stand > beta) return stand;
    if (stand > alpha) alpha = stand;
    if (board::kiki_at(p, sq).direct_count[s] == 0 || !board::holds_piece_of(p, 1 - s, sq)) return alpha;
    int gain = 0;
    KMove* moves = frame.Take(0);
    const int n = board::gen_captures_scored(p, sq, moves, &gain);
    frame.Take(n);
    return BestRecapture(r, moves, n, alpha, beta, bonus);
  }
  KMove* moves = frame.Take(0);
  const int n = Evasions(moves);
  frame.Take(n);
  return BestRecapture(r, moves, n, alpha, beta, bonus);
}

// The captures the piece on `from` can make (opponent pieces only), promoting
// when it may; a pawn also pushes onto an empty promotion-zone square that is
// undefended or that its side attacks at least twice.
int Search::MovedPieceCaptures(int from, KMove* out) {
  const int s = p.teban;
  const int n = p.board[from];
  if (n >= board::kPieceCount || board::code_side(p.piece[n].code) != s) return 0;
  const int code = p.piece[n].code;
  const board::KomaMoves& mv = board::kKomaMoveTable[board::code_class(code)];
  int count = 0;
  auto add = [&](int to) {
    const bool promote = board::can_promote(code) && (board::in_camp(s, from) || board::in_camp(s, to));
    board::write_board_move(out[count++], p, n, from, to, promote ? 1 : 0);
  };
  for (int i = 0; i < mv.step_count; ++i) {
    const int to = from + board::side_offset(mv.step[i], s);
    if (board::holds_piece_of(p, 1 - s, to)) add(to);
  }
  for (int i = 0; i < mv.slide_count; ++i) {
    const int d = board::side_offset(mv.slide[i], s);
    int to = from + d;
    while (p.board[to] == board::kEmptyNumber) to += d;
    if (board::holds_piece_of(p, 1 - s, to)) add(to);
  }
  if (board::code_class(code) == board::kPawn) {
    const int to = from + board::forward_step(s);
    if (p.board[to] == board::kEmptyNumber && board::in_camp(s, to)) {
      const board::KKiki& k = board::kiki_at(p, to);
      if (k.direct_count[1 - s] == 0 || k.direct_count[s] >= 2) add(to);
    }
  }
  return count;
}

// The mover's follow-up after a pass by the opponent, base b: the captures of
// the moved piece, each searched on its square; the two best gains (a rook's
// or bishop's capture weighed 1/8, others 1/4) are added to the base. With
// `plain` the best value of a capture is taken instead.
int Search::Threat(const KEvalRecord& r, const KMove& m, int base, int alpha, int beta, int bonus, bool plain) {
  PoolFrame frame;
  if (!PoolFrame::Fits() || ply >= kMaxPlies) return base;
  KMove* moves = frame.Take(0);
  const int n = MovedPieceCaptures(m.to, moves);
  frame.Take(n);
  const int keep_sq = sq;
  int best = base, g1 = 0, g2 = 0;
  for (int i = 0; i < n; ++i) {
    KEvalRecord child = r;
    if (!Make(moves[i], r, child)) continue;
    sq = moves[i].to;
    const int v = Recapture(child, moves[i], -kWindow, kWindow, -bonus);
    sq = keep_sq;
    Unmake(moves[i]);
    if (plain) {
      best = std::max(best, -v);
      if (best >= beta) break;
      continue;
    }
    int g = -(v + base);
    if (g > 0) g = moves[i].captured >= 2 && moves[i].captured <= 5 ? g / 8 : g / 4;
    if (g > g1) {
      g2 = g1;
      g1 = g;
    } else if (g > g2) {
      g2 = g;
    }
    best = std::max(best, g1 + g2 + base + bonus);
    if (best > beta) break;
  }
  (void)alpha;
  return best;
}

// After an evasion by the opponent (the mover now to move again): a capture on
// the square is answered by a mate in one when there is one, and a king's
// capture by the captures around the king's old square; other evasions by the
// moved piece's captures.
int Search::ThreatRecheck(KEvalRecord& r, const KMove& m, const KMove& evasion, int alpha, int beta) {
  if (evasion.to != sq || evasion.captured_code == 0) return Threat(r, m, alpha, alpha, beta, 0, true);
  board::KMoveWord mate = 0;
  if (board::ichite_zume(p, &mate) != 0) return kScoreMate;
  if (evasion.piece > 1) return alpha;
  PoolFrame frame;
  if (!PoolFrame::Fits()) return alpha;
  const int s = p.teban;
  int best = alpha;
  for (int step : board::kNeighbourStepsAscending) {
    const int t = evasion.from + step;
    if (!board::holds_piece_of(p, 1 - s, t) || board::kiki_at(p, t).direct_count[s] == 0) continue;
    int gain = 0;
    KMove* moves = frame.Take(0);
    const int n = board::gen_captures_scored(p, t, moves, &gain);
    frame.Take(n);
    const int keep_sq = sq;
    for (int i = 0; i < n && best < beta; ++i) {
      KEvalRecord child = r;
      if (!Make(moves[i], r, child)) continue;
      sq = t;
      const int v = -Recapture(child, moves[i], -beta, -best, 0);
      sq = keep_sq;
      Unmake(moves[i]);
      best = std::max(best, v);
    }
  }
  return best;
}

// After the move, the opponent to move; its value from its own view.
int Search::Reply(KEvalRecord& r, const KMove& m, int alpha, int beta, int bonus) {
  const int y = p.teban;
  const int x = 1 - y;
  PoolFrame frame;
  if (!board::king_attacked(p, y)) {
    int value = value_for(p, x, r, m);
    if (is_drop_move(m) && board::code_kind(m.code) == board::kLance) value -= LanceDropPenalty(m);
    const int score = -Threat(r, m, value, -beta, -alpha, -bonus, false);
    if (score > beta) return score;
    alpha = std::max(alpha, score);
    if (board::kiki_at(p, sq).direct_count[y] == 0) return alpha;
    int gain = 0;
    KMove* moves = frame.Take(0);
    const int n = board::gen_captures_scored(p, sq, moves, &gain);
    frame.Take(n);
    return BestRecapture(r, moves, n, alpha, beta, bonus);
  }
  KMove* moves = frame.Take(0);
  const int n = Evasions(moves);
  frame.Take(n);
  for (int i = 0; i < n; ++i) {
    KEvalRecord child = r;
    if (!Make(moves[i], r, child)) continue;
    const int taken = -Recapture(child, moves[i], -beta, -alpha, -bonus);
    KEvalRecord again = child;
    const int rechecked = -ThreatRecheck(again, m, moves[i], -beta, -alpha);
    Unmake(moves[i]);
    const int v = std::min(taken, rechecked);
    if (v > beta) return v;
    alpha = std::max(alpha, v);
  }
  return alpha;
}

// A lance dropped where a pawn could not stand in front of it: the value of
// the empty squares behind it toward the own king, which it leaves open.
int Search::LanceDropPenalty(const KMove& m) {
  const int s = 1 - p.teban;
  const int q = m.to;
  const int file = board::square_file(q);
  const int own_pawn = p.pawn_file[s][file];
  if (p.hand[s][board::kPawn] > 0 && own_pawn == 0) return 0;
  const int f = board::forward_step(s);
  if (own_pawn != 0 && (s == 0 ? q < own_pawn : q > own_pawn)) return 0;
  const int king = p.piece[s].sq;
  if (!board::is_playing_square(king)) return 0;
  const bool ahead = s == 0 ? board::square_rank(q) < board::square_rank(king)
                            : board::square_rank(q) > board::square_rank(king);
  if (!ahead) return 0;
  int sum = 0;
  for (int t = q - f; board::is_playing_square(t) && p.board[t] == board::kEmptyNumber; t -= f) {
    sum += eval::king_rel_value(kLanceOwnClass, s, king, t);
  }
  return sum;
}

}  // namespace

int exchange_edge_bonus(const KPosition& p, const KMove& m, int s) {
  if (is_drop_move(m) || m.code != (board::kPawn | board::side_bit(s))) return 0;
  const int o = 1 - s;
  const int file = board::square_file(m.to);
  if (board::square_rank(m.to) != 5 || (file != 1 && file != 9)) return 0;
  const int f = board::forward_step(s);
  if (p.piece[o].sq != board::square_of(file, s == 0 ? 2 : 8)) return 0;
  int bonus = kEdgeStep;
  const int front = m.to + f;
  if (!is_code(p, front, board::kPawn | board::side_bit(o))) return bonus;
  bonus += kEdgeStep;
  bool lance = false;
  for (uint64_t set = board::kiki_direct64(board::kiki_at(p, m.to - f), s); set != 0; set &= set - 1) {
    lance = lance || p.piece[std::countr_zero(set)].code == (board::kLance | board::side_bit(s));
  }
  if (!lance) return bonus;
  bonus += kEdgeStep;
  if (board::kiki_at(p, front).direct_count[o] == 0) bonus += kEdgeOpen;
  return bonus;
}

int exchange_corner_drop_bonus(const KPosition& p, const KMove& m) {
  const int s = p.teban, o = 1 - s;
  const int kind = board::code_kind(m.code);
  if (!is_drop_move(m) || (kind != board::kGold && kind != board::kSilver) || p.hand[s][board::kBishop] == 0) return 0;
  if (!is_code(p, m.to + board::forward_step(s), board::kGold | board::side_bit(o))) return 0;
  const int target = s == 0 ? board::square_of(6, 2) : board::square_of(4, 8);
  const int silver = s == 0 ? board::square_of(7, 2) : board::square_of(3, 8);
  const int king = s == 0 ? board::square_of(8, 2) : board::square_of(2, 8);
  const int corner = s == 0 ? board::square_of(7, 1) : board::square_of(3, 9);
  if (m.to != target || !is_code(p, silver, board::kSilver | board::side_bit(o)) ||
      board::kiki_at(p, target).direct_count[o] != 1 || p.piece[o].sq != king ||
      p.board[corner] != board::kEmptyNumber) {
    return 0;
  }
  return kCornerDropBonus;
}

int escape_bonus(int kind) { return kind >= 1 && kind <= 8 ? kEscapeBonus[kind] : 0; }

int exchange_static_value(const KPosition& p, KEvalRecord& r, const KMove& last) {
  evaluate_fully(p, r, 0, last);
  const int x = p.teban;
  return blended_side_score(r, x, 0) - blended_side_score(r, 1 - x, kLastMoverShare);
}

int eval_sashite_exchange(KPosition& p, const KMove& m, const KEvalRecord& record) {
  const int s = p.teban;
  const int o = 1 - s;
  const int f = board::forward_step(s);
  board::do_move(p, m, 0);
  if (board::king_attacked(p, s)) {
    board::undo_move(p, m, 0);
    return -kScoreMate;
  }
  KEvalRecord child = record;
  eval::eval_sashite_diff(m, p, record, child);
  Search search{p, m.to};
  search.ply = 1;
  const int captured = m.captured_code != 0 ? board::code_kind(m.captured_code) : 0;
  int score = -search.Reply(child, m, -kWindow, kWindow, -kCaptureValue[captured]);
  score += exchange_edge_bonus(p, m, s);
  board::undo_move(p, m, 0);

  const int kind = board::code_kind(m.code);
  if (!is_drop_move(m) && is_code(p, m.from + f, board::kPawn | board::side_bit(o))) score += escape_bonus(kind);

  if (!is_drop_move(m) && m.code == (board::kPawn | board::side_bit(s)) && board::square_rank(m.to) == 5 &&
      p.hand[s][board::kPawn] > 0 && is_code(p, m.to + f, board::kPawn | board::side_bit(o)) &&
      is_code(p, m.to + 2 * f, board::kKnight | board::side_bit(o))) {
    const board::KKiki& a = board::kiki_at(p, m.to + f);
    const board::KKiki& b = board::kiki_at(p, m.to);
    if (a.direct_count[o] + a.xray_count[o] <= a.direct_count[s] + a.xray_count[s] &&
        b.direct_count[o] + b.xray_count[o] <= b.direct_count[s] + b.xray_count[s]) {
      return score + kKnightLeverBonus;
    }
  }

  return score + exchange_corner_drop_bonus(p, m);
}

}  // namespace search
