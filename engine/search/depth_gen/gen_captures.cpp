#include "engine/search/depth_gen/gen_captures.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>

#include "engine/board/exchange_eval.h"
#include "engine/board/kiki.h"
#include "engine/board/move_tables.h"
#include "engine/board/strategy_cells.h"
#include "engine/search/depth_gen/gen_terms.h"

namespace search {

using board::kBishop;
using board::KMove;
using board::KPosition;
using board::kRook;

namespace {

// thr(mode): the exchange value a capture or promotion must pass.
constexpr int kCaptureThreshold[3] = {-100, -100, 150};
constexpr int kNeighbourMoveLimit = -50;
constexpr int kNeighbourDropLimit = 50;

// The eight squares around the enemy king, as sente sees them from the king
// (the neighbour is K - step for sente, K + step for gote).

// For each move class and neighbour, whether a mover's piece of that class on
// the neighbour attacks the king; kings and knights never do.
constexpr std::array<std::array<bool, 8>, board::kMoveClasses> kNeighbourAttack = [] {
  std::array<std::array<bool, 8>, board::kMoveClasses> t{};
  for (int cls = 0; cls < board::kMoveClasses; ++cls) {
    if (cls == board::kKing) continue;
    const board::KomaMoves& m = board::kKomaMoveTable[cls];
    for (int i = 0; i < 8; ++i) {
      for (int k = 0; k < m.step_count; ++k) t[cls][i] = t[cls][i] || m.step[k] == board::kKingSteps[i];
      for (int k = 0; k < m.slide_count; ++k) t[cls][i] = t[cls][i] || m.slide[k] == board::kKingSteps[i];
    }
  }
  return t;
}();

// Per neighbour, the hand kinds (bit = kind, rook .. pawn) whose drop there attacks the king.
constexpr std::array<uint32_t, 8> kNeighbourDropKinds = [] {
  std::array<uint32_t, 8> t{};
  for (int i = 0; i < 8; ++i) {
    for (int kind = board::kRook; kind <= board::kPawn; ++kind) {
      if (kNeighbourAttack[kind][i]) t[i] |= 1u << kind;
    }
  }
  return t;
}();

int threshold() { return kCaptureThreshold[exchange_mode()]; }

int promote_flag(const GenCall& g, int code, int from, int to) {
  const int cls = board::code_class(code);
  return board::can_promote(code) && cls != board::kGold && (g.camp(from) || g.camp(to)) ? 1 : 0;
}

int first_piece(const GenCall& g, int from, int dir) {
  int q = from + dir;
  while (g.empty(q)) q += dir;
  return q;
}

// ---- Phase A -------------------------------------------------------------------

void rook_promotion(GenCall& g, int piece, int q) {
  if (g.camp(q)) return;
  for (int sq = first_piece(g, q, g.f); g.camp(sq); sq -= g.f) {
    if (g.own_or_wall(sq) || g.c(g.e, sq) >= 1) continue;
    if (g.empty(sq)) g.emit_board(piece, q, sq, 1);
    return;
  }
}

void bishop_promotion(GenCall& g, int piece, int q) {
  const int thr = threshold();
  if (!g.camp(q)) {
    for (int dir : {g.f - 1, g.f + 1}) {
      for (int sq = first_piece(g, q, dir); sq != q && g.camp(sq); sq -= dir) {
        if (g.own_or_wall(sq)) continue;
        if (exchange_gain(g.p, g.s, g.cls(sq), sq, piece, nullptr) < thr) continue;
        if (!g.empty(sq) || !g.accepts(piece, g.p.piece[piece].code, 1, 0, sq) ||
            g.searched(board_word(g.p, piece, q, sq, 1))) {
          break;
        }
        if (board_return_fires(g, q, sq)) continue;
        g.emit_board_unchecked(piece, q, sq, 1);
        break;
      }
    }
    return;
  }
  constexpr int kBestStart = -300;
  int best = kBestStart, best_sq = 0;
  for (int dir : board::kDiagonalSteps) {
    for (int sq = first_piece(g, q, dir); sq != q; sq -= dir) {
      if (g.own_or_wall(sq)) continue;
      const int v = exchange_gain(g.p, g.s, g.cls(sq), sq, piece, nullptr);
      if (v > best) {
        best = v;
        best_sq = sq;
      }
    }
  }
  if (best_sq != 0 && g.empty(best_sq) && !board_return_fires(g, q, best_sq)) g.emit_board(piece, q, best_sq, 1);
}

void knight_promotion(GenCall& g, int piece, int q) {
  const int middle = q + 2 * g.f;
  if (!g.camp(middle)) return;
  for (int sq : {middle - 1, middle + 1}) {
    if (!g.empty(sq) || exchange_gain(g.p, g.s, 0, sq, piece, nullptr) <= threshold()) continue;
    if (!board_return_fires(g, q, sq)) g.emit_board(piece, q, sq, 1);
  }
}

void lance_promotion(GenCall& g, int piece, int q) {
  if (!g.camp(first_piece(g, q, g.f))) return;
  const int first_rank = g.s == 0 ? 3 : 7;
  int sq = g.camp(q) ? q + g.f : board::square_of(board::square_file(q), first_rank);
  for (; g.empty(sq); sq += g.f) {
    if (exchange_gain(g.p, g.s, 0, sq, piece, nullptr) <= threshold()) continue;
    if (!g.accepts(piece, g.p.piece[piece].code, 1, 0, sq) || g.searched(board_word(g.p, piece, q, sq, 1))) return;
    if (board_return_fires(g, q, sq)) continue;
    g.emit_board_unchecked(piece, q, sq, 1);
    return;
  }
}

void pawn_promotion(GenCall& g, int piece, int q) {
  const int sq = q + g.f;
  if (!g.camp(sq) || !g.empty(sq) || !g.held(sq)) return;
  if (exchange_gain(g.p, g.s, 0, sq, piece, nullptr) > threshold() && !board_return_fires(g, q, sq)) {
    g.emit_board(piece, q, sq, 1);
  }
}

void captures_of(GenCall& g, int target, int sq) {
  // Most enemy pieces stand unattacked: nothing below is read for them.
  const int attackers = g.c(g.s, sq);
  if (attackers == 0) return;
  const int thr = threshold();
  const board::KMove& m1 = g.m1;
  const bool lance_file = g.accept != 0 && m1.from < board::kInHand &&
                          board::code_class(m1.code) == board::kLance &&
                          board::square_file(m1.from) == board::square_file(sq) && m1.to != sq;
  uint64_t set = board::kiki_direct64(board::kiki_at(g.p, sq), g.s);
  for (int k = 0; k < attackers; ++k) {
    const int a = board::kiki_take_top(set);
    if (a >= board::kPieceCount) break;
    const int code = g.p.piece[a].code;
    const int from = g.p.piece[a].sq;
    const int promote = promote_flag(g, code, from, sq);
    if (target >= board::kKindRange[board::code_kind(code)].first) {
      const int gain = g.c(g.e, sq) == 0 ? direct_capture_gain(g.p, g.s, code, from, sq, promote)
                                         : exchange_gain(g.p, g.s, g.cls(sq), sq, a, nullptr);
      if (gain <= thr) continue;
    }
    if (lance_file && board::code_class(code) == board::kLance) continue;
    g.emit_board(a, from, sq, promote);
  }
}

// ---- Phases B to E ---------------------------------------------------------------

// The duplicate test, the return rule and the searched set before a board move.
void emit_new_board(GenCall& g, int piece, int from, int to, int promote) {
  if (g.written_before(from, to, g.p.piece[piece].code, promote) || board_return_fires(g, from, to)) return;
  g.emit_board(piece, from, to, promote);
}

void king_neighbours(GenCall& g) {
  uint32_t held = 0;  // the kinds in the mover's hand, bit = kind
  for (int kind = board::kRook; kind <= board::kPawn; ++kind) {
    if (g.in_hand(kind)) held |= 1u << kind;
  }
  for (int i = 0; i < 8; ++i) {
    const int n = g.king + g.fwd(-board::kKingSteps[i]);
    if (g.own_or_wall(n)) continue;
    const int attackers = g.c(g.s, n);
    uint64_t set = board::kiki_direct64(board::kiki_at(g.p, n), g.s);
    for (int k = 0; k < attackers; ++k) {
      const int a = board::kiki_take_top(set);
      if (a >= board::kPieceCount) break;
      const int code = g.p.piece[a].code;
      const int from = g.p.piece[a].sq;
      const int promote = promote_flag(g, code, from, n);
      if (!kNeighbourAttack[board::code_class(code) | (promote ? board::kPromotedBit : 0)][i]) continue;
      if (exchange_gain(g.p, g.s, g.cls(n), n, a, nullptr) < kNeighbourMoveLimit) continue;
      if (!g.accepts(a, code, promote, 0, n) || g.searched(board_word(g.p, a, from, n, promote))) continue;
      emit_new_board(g, a, from, n, promote);
    }
    if (!g.empty(n)) continue;
    // Held kinds attacking the king from here, rook first.
    for (uint32_t kinds = held & kNeighbourDropKinds[i]; kinds != 0; kinds &= kinds - 1) {
      const int kind = std::countr_zero(kinds);
      if (kind == board::kPawn && !g.file_free(g.s, n)) continue;
      if (g.c(g.e, n) > 0 && enemy_gain_against(g, kind, n) > kNeighbourDropLimit) continue;
      const int code = kind | board::side_bit(g.s);
      if (g.written_before(board::kInHand, n, code, 0) || drop_return_fires(g, n, return_class_of_kind(kind))) continue;
      g.emit_drop(board::drop_piece(g.p, kind), n);
    }
  }
}

// A second target seen from the drop square s along dir.
enum class Second { kNone, kTarget, kGiveUp };

Second second_target(const GenCall& g, int kind, int s, int d, int dir) {
  const int y = first_piece(g, s, dir);
  if (!g.enemy(y)) return Second::kNone;
  const int cls = g.cls(y);
  if (cls == kRook) return kind == kRook ? Second::kGiveUp : Second::kTarget;
  if (cls == kBishop && kind == kBishop) return Second::kGiveUp;
  if (cls == board::kPawn) return Second::kNone;
  if (!(g.c(g.e, y) == 0 || g.c(g.s, y) > 0)) return Second::kNone;
  if (dir == d && g.c(g.e, s - d) == 0) return Second::kNone;
  return Second::kTarget;
}

void distant_checks(GenCall& g, int kind, const std::array<int, 4>& dirs) {
  if (!g.in_hand(kind)) return;
  for (int i = 0; i < 4; ++i) {
    const int d = dirs[i];
    if (!g.empty(g.king + d) || !g.empty(g.king + 2 * d)) continue;
    for (int s = g.king + 2 * d; g.empty(s); s += d) {
      if (g.c(g.e, s) > 0 && enemy_gain_against(g, kind, s) > 0) continue;
      for (int j = 0; j < 4; ++j) {
        if (j == (i ^ 2)) continue;
        const Second verdict = second_target(g, kind, s, d, dirs[j]);
        if (verdict == Second::kGiveUp) break;
        if (verdict == Second::kNone) continue;
        if (drop_return_fires(g, s, return_class_of_kind(kind))) continue;
        g.emit_drop(board::drop_piece(g.p, kind), s);
        break;
      }
    }
  }
}

// A slider's move onto a square from which it checks: I must hold no own
// piece, the exchange there must not lose, and the move must be new.
void line_move(GenCall& g, int piece, int from, int to) {
  if (g.own_or_wall(to) || exchange_gain(g.p, g.s, g.cls(to), to, piece, nullptr) < 0) return;
  emit_new_board(g, piece, from, to, promote_flag(g, g.p.piece[piece].code, from, to));
}

// The first piece X from the slider towards the king, when the first piece
// beyond it satisfies `king_behind` (the king itself, or not the king).
void capture_on_line(GenCall& g, int piece, int from, int d, bool king_behind) {
  const int x = first_piece(g, from, d);
  if (x == g.king || g.king - x == d) return;
  const bool behind = first_piece(g, x, d) == g.king;
  if (behind == king_behind) line_move(g, piece, from, x);
}

bool first_is_king(const GenCall& g, int from) {
  const int d = board::line_direction(from, g.king);
  return d != 0 && first_piece(g, from, d) == g.king;
}

void rook_lines(GenCall& g) {
  for (int piece = 2; piece <= 3; ++piece) {
    const int r = g.p.piece[piece].sq;
    if (!board::is_playing_square(r) || !(g.p.piece[piece].code & board::side_bit(g.s))) continue;
    const int fr = board::square_file(r), rr = board::square_rank(r);
    const int fk = board::square_file(g.king), rk = board::square_rank(g.king);
    if (fr == fk) {
      capture_on_line(g, piece, r, rk > rr ? 16 : -16, false);
    } else if (rr == rk) {
      capture_on_line(g, piece, r, fk > fr ? 1 : -1, true);
    } else {
      int crossings[2], count = 0;
      if (std::abs(rr - rk) > 1) crossings[count++] = board::square_of(fk, rr);
      if (std::abs(fr - fk) > 1) crossings[count++] = board::square_of(fr, rk);
      for (int k = 0; k < count; ++k) {
        const int i = crossings[k];
        if (first_is_king(g, i) && g.attacks(g.s, i, piece)) line_move(g, piece, r, i);
      }
    }
  }
}

void bishop_lines(GenCall& g) {
  for (int piece = 4; piece <= 5; ++piece) {
    const int b = g.p.piece[piece].sq;
    if (!board::is_playing_square(b) || !(g.p.piece[piece].code & board::side_bit(g.s))) continue;
    const int fb = board::square_file(b), rb = board::square_rank(b);
    const int fk = board::square_file(g.king), rk = board::square_rank(g.king);
    if (fb - rb == fk - rk || fb + rb == fk + rk) {
      capture_on_line(g, piece, b, board::line_direction(b, g.king), true);
      continue;
    }
    if (((fb - rb) & 1) != ((fk - rk) & 1)) continue;
    const int points[2][2] = {{(rb - rk + fb + fk) / 2, (rb - fk + fb + rk) / 2},
                              {(fb - rb + rk + fk) / 2, (rb - fb + rk + fk) / 2}};
    for (const auto& pt : points) {
      const int file = pt[0], rank = pt[1];
      if (file < 1 || file > 9 || rank < 1 || rank > 9) continue;
      const int i = board::square_of(file, rank);
      const int d = board::line_direction(b, i);
      if (d == 0) continue;
      int q = b + d;
      while (q != i && g.empty(q)) q += d;
      if (q != i || !first_is_king(g, i)) continue;
      line_move(g, piece, b, i);
    }
  }
}

// Pieces first .. end - 1 on the board: captures of the enemy's, and the
// range's promotion rule for the side's unpromoted ones.
template <class Promotion>
void walk_pieces(GenCall& g, int first, int end, Promotion promotion) {
  const int enemy = board::side_bit(g.e);
  for (int piece = first; piece < end; ++piece) {
    const int q = g.p.piece[piece].sq;
    if (!board::is_playing_square(q)) continue;
    const int code = g.p.piece[piece].code;
    if (code & enemy) {
      // Most enemy pieces stand unattacked: the call is made for the others.
      if (g.c(g.s, q) != 0) captures_of(g, piece, q);
    } else if (!(code & board::kPromotedBit)) {
      promotion(g, piece, q);
    }
  }
}
// The ranges run from the kings to the pawns in number order.
constexpr bool kind_ranges_follow() {
  using board::kKindRange;
  if (kKindRange[kRook].first != 2) return false;
  for (int kind = kRook; kind < board::kPawn; ++kind) {
    if (kKindRange[kind].first + kKindRange[kind].count != kKindRange[kind + 1].first) return false;
  }
  return kKindRange[board::kPawn].first + kKindRange[board::kPawn].count == board::kPieceCount;
}
static_assert(kind_ranges_follow());

}  // namespace

int direct_capture_gain(const KPosition& p, int side, int attacker_code, int from, int to, int promote) {
  const int t = board::code_class(attacker_code);
  const int t2 = promote ? t | board::kPromotedBit : t;
  const int u = board::code_class(p.piece[p.board[to]].code);
  const bool mode0 = exchange_mode() == 0;
  int gain;
  if ((t == kRook || t == kBishop) && board::in_camp(side, from)) {
    constexpr int kSliderInCamp = 100;
    gain = kSliderInCamp;
  } else if (mode0) {
    gain = board::senkei_cell(side, t2, to) - board::senkei_cell(side, t, from) + board::exchange_flat_value(t2) -
           board::exchange_flat_value(t);
  } else {
    gain = board::exchange_king_value(p, side, t2, to) - board::exchange_king_value(p, side, t, from);
  }
  if (u != 0) {
    const int kind = board::code_kind(u);
    if (kind <= board::kPawn) gain += board::exchange_hand_value(kind, p.hand[side][kind]);
    gain += mode0 ? board::senkei_cell(1 - side, u, to) + board::exchange_flat_value(u)
                  : board::exchange_king_value(p, 1 - side, u, to);
  }
  return gain;
}

int sashite_gen_captures(const KPosition& p, const KMove* last_copy, const KMove* last, const KMove* before,
                         uint32_t accept, const KSearchedSet& set, KMove* out) {
  static_cast<void>(last_copy);
  GenCall g(p, last, before, 0, accept, set, out, AcceptForm::kThreatKind2, 0);
  // The pieces in number order, kind by kind: an unpromoted piece's class is
  // the kind its number gives, so each range knows its promotion rule.
  using board::kKindRange;
  const auto none = [](GenCall&, int, int) {};
  walk_pieces(g, 0, kKindRange[kRook].first, none);  // the kings
  walk_pieces(g, kKindRange[kRook].first, kKindRange[kBishop].first,
              [](GenCall& c, int n, int q) { rook_promotion(c, n, q); });
  walk_pieces(g, kKindRange[kBishop].first, kKindRange[board::kGold].first,
              [](GenCall& c, int n, int q) { bishop_promotion(c, n, q); });
  walk_pieces(g, kKindRange[board::kGold].first, kKindRange[board::kKnight].first, none);  // golds, silvers
  walk_pieces(g, kKindRange[board::kKnight].first, kKindRange[board::kLance].first,
              [](GenCall& c, int n, int q) { knight_promotion(c, n, q); });
  walk_pieces(g, kKindRange[board::kLance].first, kKindRange[board::kPawn].first,
              [](GenCall& c, int n, int q) { lance_promotion(c, n, q); });
  walk_pieces(g, kKindRange[board::kPawn].first, board::kPieceCount,
              [](GenCall& c, int n, int q) { pawn_promotion(c, n, q); });
  if (g.king == board::kNotInPlay) return g.count;
  king_neighbours(g);
  distant_checks(g, kRook, board::kOrthogonalSteps);
  distant_checks(g, kBishop, board::kDiagonalSteps);
  rook_lines(g);
  bishop_lines(g);
  return g.count;
}

}  // namespace search
