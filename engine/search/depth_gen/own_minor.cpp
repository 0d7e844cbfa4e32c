// The own-piece families of the knight, lance and pawn.
#include "engine/search/depth_gen/own_families.h"

namespace search {

using board::kPawn;

namespace {

bool own_half(const GenCall& g, int sq) { return g.s == 0 ? sq >= 96 : sq < 80; }
bool camp_rank(const GenCall& g, int sq, int rank_from_far) {
  return board::square_rank(sq) == (g.s == 0 ? rank_from_far : 10 - rank_from_far);
}
bool any_pawn(const GenCall& g, int sq) { return g.cell(sq) < board::kPieceCount && g.cls(sq) == kPawn; }
// With a = the mover's support and b the enemy's: not held in the way the
// low levels test it.
bool weakly_held(int a, int b) { return (a == 1 && b >= 1) || (a != 1 && b > a); }

// An unpromoted enemy knight attacks the square.
bool enemy_knight_attacks(const GenCall& g, int sq) {
  for (int n = 14; n < 18; ++n) {
    if (g.attacks(g.e, sq, n) && g.p.piece[n].code == (board::kKnight | board::side_bit(g.e))) return true;
  }
  return false;
}

// An unpromoted bishop of the mover attacks the square.
bool own_bishop_attacks(const GenCall& g, int sq) {
  for (int n = 4; n < 6; ++n) {
    if (g.attacks(g.s, sq, n) && board::code_class(g.p.piece[n].code) == board::kBishop) return true;
  }
  return false;
}

}  // namespace

int gen_own_kei(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  const int start = g.count;
  for (int side_step : {-1, 1}) {
    const int t = sq + 2 * g.f + side_step;
    if (g.own_or_wall(t)) continue;
    const int a = g.sup(g.s, t), b = g.sup(g.e, t);
    if (g.empty(t)) {
      if (g.n == 2 && a == 1 && b >= 2) continue;
      if (!g.camp(t)) {
        if (g.n < 3 && enemy_knight_attacks(g, t)) continue;
        if (g.n >= 4 && own_half(g, t)) {
          bool forks = false;
          for (int q : {t + 2 * g.f - 1, t + 2 * g.f + 1}) {
            forks = forks || (g.enemy(q) && (board::code_kind(g.code(q)) != kPawn || g.held(q)));
          }
          if (!forks) continue;
        }
      }
    } else if (g.enemy_pawn(t) && g.n == 2 && a == 1 && b >= 2) {
      continue;
    }
    if (board_return_fires(g, sq, t)) continue;
    if (g.camp(t)) g.emit_board(piece, sq, t, 1);
    if (!g.camp(t)) {
      g.emit_board(piece, sq, t, 0);
    } else if (camp_rank(g, t, 3)) {
      const int far = t + 2 * g.f;
      if (g.cell(far - 1) < board::kPieceCount || g.cell(far + 1) < board::kPieceCount) g.emit_board(piece, sq, t, 0);
    }
  }
  return g.count - start;
}

int gen_own_kyo(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  const int start = g.count;
  const board::KMove& m1 = g.m1;
  // After the opponent's lance move on this file, only its destination is
  // worth a look while the accept word is on.
  const bool lance_file = g.accept != 0 && g.n <= 2 && m1.from < board::kInHand &&
                          board::code_class(m1.code) == board::kLance &&
                          board::square_file(m1.from) == board::square_file(sq);
  for (int t = sq + g.f; !g.own_or_wall(t); t += g.f) {
    const bool capture = g.enemy(t);
    const bool lance_skip = lance_file && t != m1.to;
    bool plain = !g.camp(t) || camp_rank(g, t, 3);
    if (g.camp(t)) {
      bool pass = g.n <= 2 && (g.empty(t) || g.enemy_pawn(t)) && weakly_held(g.sup(g.s, t), g.sup(g.e, t));
      pass = pass || (g.empty(t) && g.enemy(t + g.f)) || lance_skip || board_return_fires(g, sq, t);
      if (pass) {
        plain = false;
      } else {
        g.emit_board(piece, sq, t, 1);
        if (g.wall(t + g.f)) break;
      }
    }
    if (plain && capture) {
      bool ok = true;
      if (g.camp(t)) {
        ok = g.empty(t + g.f) && g.enemy(t + 2 * g.f);
      } else if (g.enemy_pawn(t) && g.n <= 2) {
        const int ahead = t + g.f;
        ok = !(g.sup(g.s, t) == 1 && g.sup(g.e, t) >= 1) &&
             !(g.empty(ahead) && g.hand(g.e, kPawn) > 0 && g.sup(g.s, ahead) < g.sup(g.e, ahead));
      }
      if (ok && lance_skip) break;
      if (ok && !board_return_fires(g, sq, t)) g.emit_board(piece, sq, t, 0);
    }
    if (capture) break;
  }
  return g.count - start;
}

int gen_own_fu(GenCall& g, int piece, int code, int sq) {
  static_cast<void>(code);
  const int t = sq + g.f;
  if (g.own_or_wall(t)) return 0;
  if (!g.enemy(t)) {
    if (g.n < 3) {
      if (weakly_held(g.sup(g.s, t), g.sup(g.e, t)) && !(g.sup(g.s, t) == 1 && g.sup(g.e, t) == 1)) return 0;
      if (exchange_mode() == 2 && any_pawn(g, t + g.f)) return 0;
    }
    if (!g.camp(t)) {
      const int ahead = t + g.f;
      if (g.enemy(ahead)) {
        if (g.cls(ahead) == kPawn && g.n <= 3 && g.own_camp(sq) && g.sup(g.s, t) <= g.sup(g.e, t)) return 0;
      } else if (g.own(ahead)) {
        return 0;
      } else {
        const int r = g.s == 0 ? board::square_rank(t) : 10 - board::square_rank(t);
        if (r >= 5) {
          const int two = t + 2 * g.f;
          const bool qualified =
              g.king == two ||
              (g.n >= 3 && g.enemy(two) && (g.cls(two) != kPawn || own_bishop_attacks(g, two)));
          int q = sq - g.f;
          while (g.empty(q)) q -= g.f;
          const bool backed = g.own(q) && (g.cls(q) == board::kLance || g.cls(q) == board::kRook) && 2 * r - 6 <= g.n;
          if (!backed && !qualified) return 0;
        }
      }
    }
  }
  if (board_return_fires(g, sq, t)) return 0;
  return g.emit_board(piece, sq, t, g.camp(t) ? 1 : 0) ? 1 : 0;
}

}  // namespace search
