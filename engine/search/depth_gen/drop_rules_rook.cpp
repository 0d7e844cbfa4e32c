// The rook drop rules and the escape test of a trapped bishop or horse.
#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/drop_rules.h"
#include "engine/search/depth_gen/gen_stamp.h"

namespace search {

using board::kRook;

namespace {

// The two skips every rook walk shares, and the return rule.
bool rook_square_bad(const GenCall& g, int d) {
  return g.sup(g.s, d) < g.sup(g.e, d) || g.enemy_pawn(d + g.f) || drop_return_fires(g, d, kReturnRookRule);
}

// An own rook or dragon stands on d's file with an enemy piece beyond it.
bool backed_on_file(const GenCall& g, int d) {
  for (int dir : {-16, 16}) {
    int q = d + dir;
    while (g.empty(q)) q += dir;
    if (!g.own(q) || (g.cls(q) != kRook && g.cls(q) != board::kDragon)) continue;
    q += dir;
    while (g.empty(q)) q += dir;
    if (g.enemy(q)) return true;
  }
  return false;
}

// Only empty squares lie strictly between a and b on one file or rank.
bool clear_between(const GenCall& g, int a, int b) {
  const int dir = board::line_direction(a, b);
  if (dir == 0) return false;
  for (int q = a + dir; q != b; q += dir) {
    if (!g.empty(q)) return false;
  }
  return true;
}

bool same_line(int a, int b) {
  return board::square_file(a) == board::square_file(b) || board::square_rank(a) == board::square_rank(b);
}

// Proposal of a rook-line square: strong where the rook closes every escape
// of the target.
void line_propose(GenCall& g, int d, int tag, bool closes) {
  if (closes) {
    propose_drop_strong(g, kRook, d);
  } else {
    propose_drop(g, kRook, d, tag, false);
  }
}

}  // namespace

bool gen1_rook_line_reach(const GenCall& g, int t, int code, int d) {
  const auto safe = [&](int sq) { return !g.wall(sq) && !g.enemy(sq) && g.c(g.s, sq) == 0; };
  if (board::code_class(code) & board::kPromotedBit) {
    for (int step : board::kOrthogonalSteps) {
      const int q = t + step;
      if (q == d || (!same_line(q, d) && safe(q))) return false;
    }
  }
  for (int dir : board::kDiagonalSteps) {
    for (int q = t + dir; !g.wall(q) && !g.enemy(q); q += dir) {
      if (g.c(g.s, q) == 0 && !(same_line(q, d) && clear_between(g, d, q))) return false;
      if (!g.empty(q)) break;
    }
  }
  return true;
}

void gen_drop_hisha(GenCall& g, int t, int tag) {
  for (int dir : {-1, 1}) {
    for (int d = t + dir; g.empty(d); d += dir) {
      if (rook_square_bad(g, d)) continue;
      propose_drop(g, kRook, d, tag, g.n < 5 && !backed_on_file(g, d));
    }
  }
  const bool lance = g.enemy_is(t, board::kLance);
  for (int dir : {-16, 16}) {
    if (lance && dir != g.f) continue;
    for (int d = t + dir; g.empty(d); d += dir) {
      if (!rook_square_bad(g, d)) propose_drop(g, kRook, d, tag, false);
    }
  }
}

void gen_drop_hisha_line(GenCall& g, int t, int tag) {
  const bool in_camp = g.camp(t);
  const auto rank_walk = [&](int dir) {
    for (int d = t + dir; g.empty(d); d += dir) {
      if (!rook_square_bad(g, d)) propose_drop(g, kRook, d, tag, false);
    }
  };
  if (in_camp) rank_walk(-1);
  for (int d = t - g.f; g.empty(d) && g.camp(d); d -= g.f) {
    if (!rook_square_bad(g, d)) propose_drop(g, kRook, d, tag, false);
  }
  if (in_camp) rank_walk(1);
  for (int d = t + g.f; g.empty(d); d += g.f) {
    if (g.enemy_pawn(d + g.f)) return;
    if (g.camp(d) && !rook_square_bad(g, d)) propose_drop(g, kRook, d, tag, false);
  }
}

void gen_drop_hisha_line_koma(GenCall& g, int t, int piece, int code, int tag) {
  static_cast<void>(piece);
  const auto take = [&](int d) {
    if (!rook_square_bad(g, d)) line_propose(g, d, tag, gen1_rook_line_reach(g, t, code, d));
  };
  for (int d = t - 1; g.empty(d); --d) take(d);
  for (int d = t - g.f; g.empty(d); d -= g.f) {
    if (!g.camp(d)) take(d);
  }
  for (int d = t + 1; g.empty(d); ++d) take(d);
  for (int d = t + g.f; g.empty(d) && !g.camp(d); d += g.f) {
    if (g.enemy_pawn(d + g.f)) return;
    take(d);
  }
}

void gen_drop_hisha_behind(GenCall& g, int sq) {
  int d = sq - g.f;
  const int ahead2 = sq + 2 * g.f;
  const bool blockable = g.empty(ahead2) && g.file_free(g.e, sq) && g.hand(g.e, board::kPawn) > 0 &&
                         g.sup(g.e, ahead2) >= g.sup(g.s, ahead2);
  for (; g.empty(d); d -= g.f) {
    if (g.c(g.e, d) > 0 || drop_return_fires(g, d, kReturnRookRule)) continue;
    const int back = d - g.f;
    propose_drop(g, kRook, d, kTagTarget, (g.empty(back) && g.c(g.e, back) == 0) || blockable);
  }
}

}  // namespace search
