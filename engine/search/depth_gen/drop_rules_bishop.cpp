// The bishop drop rules and the test of the piece behind a target.
#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/drop_rules.h"
#include "engine/search/depth_gen/gen_stamp.h"

namespace search {

using board::kBishop;

namespace {

// The diagonals are walked away from T in the order of
// board::kDiagonalStepsNegated, the same for both sides.
constexpr int kBishopLimit = 600;

// Steps 1-3 shared by the bishop rules: the cover test below level 3, the
// exchange limit (left out when `no_exchange`), the return rule.
bool bishop_square_ok(const GenCall& g, int d, bool no_exchange) {
  if (g.n < 3 && !g.covered(d)) return false;
  if (!no_exchange && g.c(g.e, d) > 0 && enemy_gain_against(g, kBishop, d) > kBishopLimit) return false;
  return !drop_return_fires(g, d, kReturnBishopRule);
}

// The next square outward is free for the enemy to interpose on: the drop
// alone threatens little.
bool weak_outward(const GenCall& g, int beyond) { return g.empty(beyond) && g.c(g.e, beyond) == 0; }

void bishop_rule(GenCall& g, int t, int tag, bool king_rule) {
  for (int dir : board::kDiagonalStepsNegated) {
    for (int d = t + dir; g.empty(d); d += dir) {
      if (!bishop_square_ok(g, d, king_rule && d == t + dir && g.n >= 4)) continue;
      propose_drop(g, kBishop, d, tag, weak_outward(g, d + dir));
    }
  }
}

// The perpendicular diagonals of a diagonal step.
void crossing_diagonals(int dir, int out[2]) {
  const int across = (dir == 15 || dir == -15) ? 17 : 15;
  out[0] = across;
  out[1] = -across;
}

// A square the enemy bishop or horse on t could flee to across `dir`: along
// the crossing diagonals up to the first piece, and a horse's orthogonal steps.
bool has_safe_escape(const GenCall& g, int t, int dir, bool horse) {
  auto safe = [&](int sq) { return !g.wall(sq) && !g.enemy(sq) && g.c(g.s, sq) == 0; };
  int across[2];
  crossing_diagonals(dir, across);
  for (int a : across) {
    for (int sq = t + a; !g.wall(sq); sq += a) {
      if (safe(sq)) return true;
      if (!g.empty(sq)) break;
    }
  }
  if (horse) {
    for (int step : board::kOrthogonalSteps) {
      if (safe(t + step)) return true;
    }
  }
  return false;
}

// An unpromoted rook of the mover among the direct attackers of the square.
bool own_rook_attacks(const GenCall& g, int sq) {
  for (int n = 2; n <= 3; ++n) {
    if (g.attacks(g.s, sq, n) && board::code_class(g.p.piece[n].code) == board::kRook) return true;
  }
  return false;
}

}  // namespace

int ray_first_piece_takable(const board::KPosition& p, int side, int sq, int dir, int margin) {
  int q = sq + dir;
  while (board::is_playing_square(q) && p.board[q] == board::kEmptyNumber) q += dir;
  if (!board::is_playing_square(q)) return 0;
  const int n = p.board[q];
  const int enemy = 1 - side;
  if (n >= board::kPieceCount || !(p.piece[n].code & board::side_bit(enemy))) return 0;
  const int cls = board::code_class(p.piece[n].code);
  if (cls == board::kRook || cls == board::kDragon || cls == board::kKing) return 1;
  const board::KKiki& k = board::kiki_at(p, q);
  const bool supported = k.direct_count[enemy] + k.xray_count[enemy] - margin <= k.direct_count[side] + k.xray_count[side];
  if (cls == board::kPawn || cls == board::kTokin) return board::in_camp(side, q) && supported ? 1 : 0;
  return supported ? 1 : 0;
}

void gen_drop_kaku_ou(GenCall& g, int t) { bishop_rule(g, t, kTagTarget, true); }

void gen_drop_kaku(GenCall& g, int t, int tag) { bishop_rule(g, t, tag, false); }

void gen_drop_kaku_hisha(GenCall& g, int t) {
  for (int dir : board::kDiagonalStepsNegated) {
    for (int d = t + dir; g.empty(d); d += dir) {
      if (!bishop_square_ok(g, d, false)) continue;
      if (weak_outward(g, d + dir)) {
        propose_drop(g, kBishop, d, kTagTarget, true);
      } else if (ray_first_piece_takable(g.p, g.s, t, -dir, 0)) {
        propose_drop_strong(g, kBishop, d);
      } else {
        propose_drop(g, kBishop, d, kTagTarget, false);
      }
    }
  }
}

void gen_drop_kaku_kaku(GenCall& g, int t, int code) {
  const bool horse = board::code_class(code) != kBishop;
  const auto too_costly = [&](int d) { return g.c(g.e, d) > 0 && enemy_gain_against(g, kBishop, d) > kBishopLimit; };
  if (!horse && !g.own_camp(t)) {
    if (g.n < 5) return;
    for (int dir : board::kDiagonalStepsNegated) {
      for (int d = t + dir; g.empty(d); d += dir) {
        if (!too_costly(d)) propose_drop(g, kBishop, d, kTagTarget, false);
      }
    }
    return;
  }
  for (int dir : board::kDiagonalStepsNegated) {
    const bool promising = ray_first_piece_takable(g.p, g.s, t, dir, 1) || !has_safe_escape(g, t, dir, horse);
    for (int d = t + dir; g.empty(d); d += dir) {
      if (g.n < 3 && (g.c(g.s, d) == 0 || (g.sup(g.s, d) == 1 && own_rook_attacks(g, d)))) continue;
      if (too_costly(d)) continue;
      if (promising) {
        propose_drop_strong(g, kBishop, d);
      } else {
        propose_drop(g, kBishop, d, kTagTarget, false);
      }
    }
  }
}

}  // namespace search
