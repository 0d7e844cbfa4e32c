#include "engine/search/move_list.h"

#include <algorithm>
#include <cstdlib>

#include "engine/board/exchange_eval.h"
#include "engine/board/move_rules.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

constexpr int kMarginBase[3] = {30, 100, 300};

bool is_pass(const KMove& m) { return m.from == board::kPassSquare; }
bool is_drop(const KMove& m) { return m.from == board::kInHand; }
bool is_board_move(const KMove& m) { return !is_pass(m) && !is_drop(m); }
int cls(int code) { return board::code_class(code); }
bool moves_pawn(const KMove& m) { return cls(m.code) == board::kPawn; }
bool pawn_board_move(const KMove& m) { return is_board_move(m) && moves_pawn(m); }

// Capability masks by kind: one step forward, forward slide, knight jump,
// diagonal steps, the gold's other steps, diagonal slide, orthogonal slide.
int capability(int kind) {
  switch (kind) {
    case board::kRook: return 0x43;
    case board::kBishop: return 0x20;
    case board::kGold: return 0x11;
    case board::kSilver: return 0x09;
    case board::kKnight: return 0x04;
    case board::kLance: return 0x03;
    case board::kPawn: return 0x01;
    case board::kDragon: return 0x5b;
    case board::kHorse: return 0x39;
    case board::kSilver | board::kPromotedBit:
    case board::kKnight | board::kPromotedBit:
    case board::kLance | board::kPromotedBit:
    case board::kTokin: return 0x11;
    default: return 0;
  }
}

bool king_step_apart(int a, int b) {
  return std::abs(board::square_file(a) - board::square_file(b)) <= 1 &&
         std::abs(board::square_rank(a) - board::square_rank(b)) <= 1;
}

// Rule B: a piece wandering after a pawn trade.
bool wandering_after_trade(const KPosition& p, int ply, const KMove& c, const KMove* stack) {
  const KMove& m0 = stack[-1];
  const KMove& m1 = stack[-2];
  if (ply < 4 || !is_board_move(c) || !is_board_move(m1) || c.piece != m1.piece) return false;
  const KMove& m2 = stack[-3];
  const KMove& m3 = stack[-4];
  const int f = board::forward_step(p.teban);
  const int took = cls(m1.captured_code);
  if ((took != board::kPawn && took != board::kTokin) || m1.promote) return false;
  if (!is_drop(m0) || !moves_pawn(m0) || m0.to != c.from + f) return false;
  if (!pawn_board_move(m2) || m2.to != c.from) return false;
  if (!is_drop(m3) || !moves_pawn(m3) || m3.to != c.from) return false;
  const int along = line_step(m1.from, m1.to);
  const int dir = line_step(c.from, c.to);
  const bool same_line = along != 0 && (dir == along || dir == -along);
  switch (cls(c.code)) {
    case board::kRook:
    case board::kBishop: return same_line;
    case board::kDragon:
    case board::kHorse: return king_step_apart(c.to, m1.from) || same_line;
    case board::kGold: {
      if (!king_step_apart(c.to, m1.from)) return false;
      const bool diagonal_back = c.to - m1.from == -f + 1 || c.to - m1.from == -f - 1;
      return !diagonal_back;
    }
    case board::kKing: return king_step_apart(c.to, m1.from);
    default: return false;
  }
}

// What the rules of pointless_sequence require of the last moves alone, before
// any move is looked at: false when none of them can reject a move, so that a
// list is filtered without asking for each move.
bool sequence_rules_may_fire(int ply, const KMove* stack) {
  const KMove& m0 = stack[-1];
  const KMove& m1 = stack[-2];
  // A3: the mover's quiet board move, answered by a capture on its destination.
  const bool redrop = is_board_move(m1) && m1.captured_code == 0 && is_board_move(m0) && m0.to == m1.to &&
                      m0.captured_code != 0;
  // A1 and A2: the mover's drop, answered by a board move.
  const bool after_drop = is_drop(m1) && is_board_move(m0);
  // B: the mover's board move, answered by a drop.
  const bool wandering = ply >= 4 && is_board_move(m1) && is_drop(m0);
  return redrop || after_drop || wandering;
}

// Writes one node and links it behind the previous one.
void put_node(KMoveNode* nodes, int i, KMove* move, int16_t score, int stage) {
  KMoveNode& n = nodes[i];
  n.move = move;
  n.score = score;
  n.skip = 0;
  n.stage = static_cast<uint8_t>(stage);
  n.depth_adj = 0;
  n.prev = i > 0 ? &nodes[i - 1] : nullptr;
  n.next = nullptr;
  if (i > 0) nodes[i - 1].next = &n;
}

// Whether the set holds the move. A word's bucket is taken from its low byte,
// which is the move's origin square (252 for a drop, 253 for a pass), so most
// moves are answered by their bucket before their word is packed; the word's
// bucket is that one, so only the list is read after it.
bool in_searched_set(const KSearchedSet& set, const KMove& m) {
  if (set.bucket[tried_moves_bucket(m.from)] != set.stamp) return false;
  return tried_moves_listed(set, kmove_pack_pass(m));
}

template <typename Keep>
int link_kept(KMoveNode* nodes, int n, KMove* moves, int16_t score, int stage, Keep keep) {
  int count = 0;
  for (int i = 0; i < n; ++i) {
    if (keep(moves[i])) put_node(nodes, count++, &moves[i], score, stage);
  }
  nodes[0].prev = nullptr;
  return count;
}

int margin(int base, int k, int d) {
  const int a = base * k, b = std::abs(d) / 3;
  return a > b ? a : b;
}

bool captured_rook(const KMove& m) {
  const int c = cls(m.captured_code);
  return c == board::kRook || c == board::kDragon;
}

}  // namespace

int line_step(int a, int b) {
  const int df = board::square_file(b) - board::square_file(a);
  const int dr = board::square_rank(b) - board::square_rank(a);
  if (df == 0 && dr == 0) return 0;
  if (df != 0 && dr != 0 && std::abs(df) != std::abs(dr)) return 0;
  return 16 * ((dr > 0) - (dr < 0)) + (df > 0) - (df < 0);
}

KMoveNode* sashi_list_init(KMoveNode* nodes, int n, KMove* moves, int stage) {
  // No moves make no list: a head would be a node without a move.
  if (moves == nullptr || n <= 0) return nullptr;
  link_kept(nodes, n, moves, kInitNodeScore, stage, [](const KMove&) { return true; });
  return &nodes[0];
}

int sashi_list_link(KMoveNode* nodes, int n, KMove* moves, int stage) {
  return link_kept(nodes, n, moves, 0, stage, [](const KMove&) { return true; });
}

int sashi_list_unsearched(KMoveNode* nodes, int n, KMove* moves, int stage, const KSearchedSet& set) {
  return link_kept(nodes, n, moves, 0, stage,
                   [&set](const KMove& m) { return !in_searched_set(set, m); });
}

bool pointless_sequence(const KPosition& p, int ply, const KMove& c, const KMove* stack) {
  const KMove& m0 = stack[-1];
  const KMove& m1 = stack[-2];
  if (!is_pass(c) && !is_pass(m0) && !is_pass(m1)) {
    // A3: re-dropping a weaker piece where the lost one stood.
    if (is_drop(c) && is_board_move(m1) && m1.captured_code == 0 && c.to == m1.from &&
        (capability(cls(c.code)) & ~capability(cls(m1.code))) == 0 && is_board_move(m0) && m0.to == m1.to &&
        m0.captured_code != 0 && board::can_step_back(m0)) {
      return true;
    }
  }
  if (!is_pass(c) && !is_pass(m0) && is_drop(m1)) {
    const int d = m1.to;
    // A1: moving a just-dropped piece into a vacated square.
    if (is_board_move(c) && is_board_move(m0) && m0.captured_code == 0 && c.from == d && c.to == m0.from &&
        board::can_step_back(m0)) {
      return true;
    }
    // A2: dropping into the square of the capturer.
    if (is_drop(c) && is_board_move(m0) && m0.to == d && m0.captured_code != 0 && c.to == m0.from && board::can_step_back(m0)) {
      return true;
    }
  }
  return wandering_after_trade(p, ply, c, stack);
}

int sashi_list_filtered(const KPosition& p, int ply, KMoveNode* nodes, int n, KMove* moves, int stage,
                        const KSearchedSet& set, const KMove* stack) {
  const bool rules = sequence_rules_may_fire(ply, stack);
  return link_kept(nodes, n, moves, 0, stage, [&](const KMove& m) {
    return !(rules && pointless_sequence(p, ply, m, stack)) && !in_searched_set(set, m);
  });
}

int sashite_safe_check(const ThinkContext& cx, const KPosition& p, const KMove& c) {
  const int s = p.teban, o = 1 - s, t = c.to, ply = cx.search_ply;
  const KMove& m0 = cx.move_stack[ply];
  const KMove& m1 = cx.move_stack[ply > 0 ? ply - 1 : 0];
  const int f = board::forward_step(s);
  if (!is_pass(m0) && m0.to == t && !pawn_board_move(m0)) return 0;
  if (is_board_move(c) && board::kiki_at(p, c.from).direct_count[o] > 0 && !moves_pawn(c)) {
    if (ply >= 2) {
      if (c.captured_code == 0) return 1;
      if (!is_pass(m1) && m1.to == c.from && m1.captured_code == 0) return 1;
    }
    const uint64_t set = board::kiki_direct64(board::kiki_at(p, c.from), o);
    const int attacker = 63 - __builtin_clzll(set);
    int second = 0;
    const int v = board::think_board.generator_words.game_stage == 0
                      ? board::exchange_eval_pos(p, o, c.code, c.from, attacker, &second)
                      : board::exchange_eval(p, o, c.code, c.from, attacker, &second);
    if (v > 200) return 0;
  }
  if (moves_pawn(c)) {
    const int d = is_board_move(c) ? 1 : 0;
    const board::KKiki& k = board::kiki_at(p, t);
    if (k.direct_count[s] + k.xray_count[s] - d == 0) {
      if (ply > 2 || is_board_move(c)) return 1;
      const int behind = t - f;
      const int n = p.board[behind];
      const bool own_knight = n < board::kPieceCount && p.piece[n].code == (board::kKnight | board::side_bit(s));
      const bool outside_home = s == 0 ? board::square_rank(t) < 7 : board::square_rank(t) > 3;
      if (own_knight && outside_home) return p.hand[o][board::kPawn] > 0 ? 0 : 1;
      return 1;
    }
    if (ply == 1 && is_board_move(c) && !c.promote) {
      int sq = c.from - f;
      while (board::is_playing_square(sq) && p.board[sq] == board::kEmptyNumber) sq -= f;
      if (board::is_playing_square(sq) && p.piece[p.board[sq]].code == (board::kRook | board::side_bit(s))) return 0;
      const int ok = p.piece[o].sq;
      const int front = p.board[t + f];
      const bool pawn_ahead = front < board::kPieceCount && cls(p.piece[front].code) == board::kPawn;
      if (board::is_playing_square(ok) && std::abs(board::square_file(ok) - board::square_file(c.from)) <= 1 &&
          std::abs(board::square_rank(ok) - board::square_rank(c.from)) <= 4 && pawn_ahead) {
        const int file = board::square_file(c.from);
        const int sk = p.piece[s].sq;
        const bool edge_guard = (file == 1 || file == 9) && board::is_playing_square(sk) &&
                                std::abs(board::square_file(sk) - file) <= 2;
        if (!edge_guard) return 0;
      }
    }
  }
  const board::KKiki& k = board::kiki_at(p, t);
  uint32_t lines = k.direct[o][0] & k.line[o];
  int counted = 0, result = 1;
  while (lines != 0) {
    const int n = 31 - __builtin_clz(lines);
    lines &= ~(1u << n);
    const int a = p.piece[n].sq;
    const int code = cls(p.piece[n].code);
    bool counts;
    if (code == board::kRook && moves_pawn(c) && board::square_rank(t) == 5 &&
        board::square_file(a) == board::square_file(t) && board::square_rank(a) == (s == 0 ? 6 : 4)) {
      counts = true;
    } else if (code == board::kBishop) {
      const int tf = board::square_file(t), tr = board::square_rank(t);
      counts = tf != 1 && tf != 9 && tr != 1 && tr != 9;
    } else {
      const int u = line_step(a, t);
      int sq = t + u;
      while (board::is_playing_square(sq) && p.board[sq] == board::kEmptyNumber) sq += u;
      if (board::is_playing_square(sq)) {
        counts = board::holds_piece_of(p, s, sq);
      } else {
        counts = (p.piece[n].code & board::kPromotedBit) == 0 && board::in_camp(o, sq - u);
      }
    }
    if (counts) {
      ++counted;
      result = a;
    }
  }
  return counted > 1 ? 0 : result;
}

namespace {

// Entries P, P-1, P-2 on one square, P-2 and P-1 moves of unpromoted pawns
// (board moves or drops; in a game P-1 lands on P-2's pawn, so it captures),
// P no promotion. Before ply 3 the stack holds no three moves.
bool pawn_trade(const ThinkContext& cx, int ply) {
  if (ply < 3) return false;
  const KMove& e0 = cx.move_stack[ply];
  const KMove& e1 = cx.move_stack[ply - 1];
  const KMove& e2 = cx.move_stack[ply - 2];
  if (!moves_pawn(e1) || !moves_pawn(e2)) return false;
  return e0.to == e1.to && e1.to == e2.to && !e0.promote;
}

}  // namespace

int pawn_trade_pattern(const ThinkContext& cx, int ply) { return pawn_trade(cx, ply) ? 2 : 0; }
int pawn_drop_trade_pattern(const ThinkContext& cx, int ply) {
  return pawn_trade(cx, ply) && is_drop(cx.move_stack[ply - 2]) ? 2 : 0;
}

int silver_advance_square(const ThinkContext& cx, int ply) {
  const KMove& m = cx.move_stack[ply];
  return silver_advance_of(m, ply > 0 ? cx.move_stack[ply - 1] : m);
}

int exchange_pattern_classify(const ThinkContext& cx, const KPosition& p) {
  const int ply = cx.search_ply;
  const int s = p.teban, o = 1 - s;
  const KMove& c = cx.move_stack[ply + 1];
  const KMove& m0 = cx.move_stack[ply];
  const KMove& m1 = cx.move_stack[ply - 1];
  const KMove& m2 = cx.move_stack[ply >= 2 ? ply - 2 : 0];
  const KMove& m3 = cx.move_stack[ply >= 3 ? ply - 3 : 0];
  const int f = board::forward_step(s);
  if (!is_pass(m0) && cls(m0.code) == board::kKnight && is_board_move(m0)) {
    if (m0.captured_code == 0 && (m0.flag_word & ~7u) == 0x28 && !m0.promote) return 4;
    if (board::square_rank(m0.to) == 5 && cls(m0.captured_code) == board::kPawn && pawn_board_move(m1) &&
        m1.to == m0.to && !is_pass(m2) && m2.to == m0.to) {
      return 4;
    }
  }
  if (is_drop(c) && moves_pawn(c)) {
    const int front = c.to + f;
    if (is_board_move(m0) && m0.to == front && !is_pass(m1) && !is_pass(m2) && m1.to == front && m2.to == front &&
        moves_pawn(m1) && moves_pawn(m2) && !m0.promote) {
      return 3;
    }
    return 0;
  }
  if (!is_pass(c) && !is_pass(m0) && !is_pass(m1) && c.to == m0.to && m0.to == m1.to) {
    const int x = c.to;
    if (moves_pawn(m1) && moves_pawn(m0) && !c.promote) {
      const int kind = cls(c.code);
      if (kind == board::kSilver && is_board_move(c)) {
        // A silver that would be outnumbered goes on to the rules below.
        const board::KKiki& kx = board::kiki_at(p, x);
        const board::KKiki& kf = board::kiki_at(p, x + f);
        if (kx.direct_count[s] + kx.xray_count[s] <= kf.direct_count[o] + kf.xray_count[o]) return 1;
      } else if (kind == board::kRook && is_board_move(c) && board::square_rank(x) == (s == 0 ? 4 : 6) &&
                 is_board_move(m1)) {
        return board::kiki_at(p, x + f).direct_count[o] > 0 ? 1 : 0;
      } else {
        return 1;
      }
    }
    if (is_pass(m2) || m2.to != x) {
      return is_drop(m1) && is_drop(m2) && cls(m1.code) == board::kBishop && cls(m2.code) == board::kBishop &&
                     m0.piece == m2.piece
                 ? 7
                 : 0;
    }
    const int k2 = cls(m2.code), k1 = board::code_kind(m1.code);
    const bool strong_drop = is_drop(m2) && (k2 == board::kRook || k2 == board::kBishop || k2 == board::kGold ||
                                             k2 == board::kSilver);
    const bool light = k1 == board::kKnight || k1 == board::kLance || k1 == board::kPawn || k1 == board::kKing;
    return strong_drop && light ? 6 : 0;
  }
  if (ply >= 5 && is_board_move(c) && !is_pass(m1) && !is_pass(m2) && !is_pass(m3) && m1.to == m2.to &&
      m2.to == m3.to && moves_pawn(m3) && moves_pawn(m2) && !m1.promote && pawn_board_move(m0) &&
      m0.to == m1.to + board::forward_step(board::code_side(m1.code))) {
    const int d1 = line_step(m1.from, m1.to), d2 = line_step(c.from, c.to);
    if (is_drop(m1)) return 0;
    if (d1 != 0 && d1 == -d2) return 1;
    const int kind = cls(c.code);
    if (d1 != 0 && d1 == d2 && is_drop(m3) && (kind == board::kRook || kind == board::kBishop || kind == board::kLance)) {
      return 1;
    }
    return 0;
  }
  return 0;
}

bool exchange_patterns_possible(const ThinkContext& cx) {
  const int ply = cx.search_ply;
  // The node search and the quiescence search classify from ply 4 on.
  if (ply <= 3) return false;
  const KMove& m0 = cx.move_stack[ply];
  const KMove& m1 = cx.move_stack[ply - 1];
  // Pattern 4 starts from a knight's board move as the last move; patterns 3,
  // 1, 6 and 7 need the last two moves on one square; the pattern after a
  // pawn exchange needs the last move a pawn's push (from ply 5 on).
  if (!is_pass(m0) && cls(m0.code) == board::kKnight && is_board_move(m0)) return true;
  if (!is_pass(m0) && !is_pass(m1) && m0.to == m1.to) return true;
  return ply >= 5 && pawn_board_move(m0);
}

int prune_margin(const ThinkContext& cx, const KPosition& p, int flag, const KMove& c, int ply, int n, int d) {
  const int mode = std::clamp(board::think_board.generator_words.game_stage, 0, 2);
  const int base = kMarginBase[mode];
  const int factor = mode < 2 && ply >= 12 ? 2 : 1;
  const KMove& m = cx.move_stack[ply - 1];
  const int mover = 1 - p.teban;
  if (n >= 3) {
    if (!is_pass(c) && cls(c.code) == board::kKing) return 0;
    if (flag != 0) return margin(base, 1, d);
  }
  if (mode <= 1 && (n >= 4 || (n == 3 && mode == 0))) {
    if (is_board_move(m) && !is_pass(c) && c.to == m.to) {
      if (captured_rook(m)) return 0;
      const int took = cls(m.captured_code);
      if (took == board::kBishop || took == board::kHorse) return margin(base, factor, d);
    } else {
      if (is_drop(c) && moves_pawn(c)) {
        const int rank = board::square_rank(c.to);
        const bool zone = mover == 0 ? rank >= 2 && rank <= 4 : rank >= 6 && rank <= 8;
        if (zone && board::holds_piece_of(p, 1 - mover, c.to + board::forward_step(mover))) {
          return margin(base, factor, d);
        }
      }
      const KMove& m2 = cx.move_stack[ply - 2];
      if (!is_pass(m) && !is_pass(m2) && captured_rook(m) && ply > 3 && !captured_rook(m2)) return 0;
    }
  }
  if (ply >= 14) return -1;
  if (n >= 6 || (n == 5 && ply <= 8) || (n == 4 && ply <= 5)) return margin(base, factor, d);
  return -1;
}

int extension_amount(int, int n) { return n >= 6 ? 12 : (n >= 4 ? 9 : 6); }

}  // namespace search
