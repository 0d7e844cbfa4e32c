// The drop rules of the checking-move generator and their target tests.
#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/drop_rules.h"
#include "engine/search/depth_gen/gen_checks.h"
#include "engine/search/depth_gen/gen_stamp.h"
#include "engine/search/depth_gen/koma_gain.h"

namespace search {

using board::kBishop;
using board::kRook;

namespace {

constexpr int kBishopDropLimit = 601;
constexpr int kBehindLimit = 200;
constexpr int kValueLimit[3] = {10, 50, 200};

void propose(const GenCall& g, int kind, int d, int tag) {
  if (!g.in_hand(kind)) return;
  const int piece = board::drop_piece(g.p, kind);
  if (tag == kTagAdmitted) {
    gen_stamp_admitted(piece, d, 0);
  } else {
    gen_stamp_record(piece, d, 0, tag);
  }
}

// The silver and gold rules: held squares without an enemy pawn in front.
void step_drops(GenCall& g, int t, int kind, const int* offsets, int count, int tag) {
  for (int i = 0; i < count; ++i) {
    const int d = t + g.fwd(offsets[i]);
    if (!g.empty(d) || !g.held(d) || g.enemy_pawn(d + g.f)) continue;
    if (!drop_return_fires(g, d, return_class_of_kind(kind))) propose(g, kind, d, tag);
  }
}

// The bishop walk shared by the king, general, rook and bishop rules: held
// squares where the enemy wins less than the limit; `tag_of` picks the tag per
// diagonal.
template <typename TagOf>
void bishop_walk(GenCall& g, int t, TagOf tag_of) {
  for (int dir : board::kDiagonalSteps) {
    const int tag = tag_of(dir);
    for (int d = t - dir; g.empty(d); d -= dir) {
      if (!g.held(d)) continue;
      if (g.c(g.e, d) > 0 && enemy_gain_against(g, kBishop, d) >= kBishopDropLimit) continue;
      if (!drop_return_fires(g, d, kReturnBishopRule)) propose(g, kBishop, d, tag);
    }
  }
}

bool rook_square_bad(const GenCall& g, int d) {
  return g.sup(g.s, d) < g.sup(g.e, d) || g.enemy_pawn(d + g.f) || drop_return_fires(g, d, kReturnRookRule);
}

// value(class, T) of the enemy piece on t against limit(mode).
bool worth_attacking(const GenCall& g, int t, int code) {
  return piece_worth(g.p, g.e, board::code_class(code), t) >= kValueLimit[exchange_mode()];
}

bool kaku_target(const GenCall& g, int e) {
  return g.enemy(e) && !(g.enemy_pawn(e) && !g.camp(e)) && g.c(g.e, e) > 0 && g.held(e);
}

}  // namespace

void gen1_drop_fu(GenCall& g, int t) {
  const int d = t - g.f;
  if (!g.empty(d) || !g.file_free(g.s, d) || !g.covered(d)) return;
  if (drop_return_fires(g, d, kReturnPawnRule)) return;
  if (g.in_hand(board::kPawn)) g.emit_drop(board::drop_piece(g.p, board::kPawn), d);
}

void gen1_drop_kei(GenCall& g, int t, int tag) {
  const int middle = t + g.fwd(32);
  if (middle < board::kFirstSquare || middle > board::kLastSquare) return;
  // The square on the higher file first, for both sides.
  const int higher_file = g.s == 0 ? 33 : 31;
  for (int offset : {higher_file, 64 - higher_file}) {
    const int d = t + g.fwd(offset);
    if (!g.empty(d) || !g.covered(d) || g.enemy_pawn(d + g.f)) continue;
    if (!drop_return_fires(g, d, kReturnKnightRule)) propose(g, board::kKnight, d, tag);
  }
}

void gen1_drop_gin(GenCall& g, int t, bool far, int tag) {
  static constexpr int kFar[] = {-15, -17};
  if (far) {
    step_drops(g, t, board::kSilver, kFar, 2, tag);
  } else {
    step_drops(g, t, board::kSilver, board::kSilverSteps.data(), 5, tag);
  }
}

void gen1_drop_kin(GenCall& g, int t, int tag) {
  step_drops(g, t, board::kGold, board::kGoldSteps.data(), 6, tag);
}

void gen1_drop_kaku_ou(GenCall& g, int t) { gen1_drop_kaku(g, t, kTagTarget); }

void gen1_drop_kaku(GenCall& g, int t, int tag) {
  bishop_walk(g, t, [tag](int) { return tag; });
}

void gen1_drop_kaku_hisha(GenCall& g, int t) {
  bishop_walk(g, t, [&](int dir) { return ray_first_piece_takable(g.p, g.s, t, dir, 0) ? kTagAdmitted : kTagTarget; });
}

void gen1_drop_kaku_kaku(GenCall& g, int t, int code) {
  const bool promoted = (code & board::kPromotedBit) != 0;
  if (!promoted && !g.own_camp(t)) return;
  bishop_walk(g, t, [&](int dir) {
    const bool wins = ray_first_piece_takable(g.p, g.s, t, dir, 1) || !gen1_kaku_escape_test(g, promoted, t, dir);
    return wins ? kTagAdmitted : kTagTarget;
  });
}

bool gen1_kaku_escape_test(const GenCall& g, bool promoted, int t, int d) {
  const auto escape = [&](int q) { return !g.wall(q) && !g.enemy(q) && g.c(g.s, q) == 0; };
  if (promoted) {
    for (int step : board::kOrthogonalSteps) {
      if (escape(t + step)) return true;
    }
  }
  const int across = (d == 15 || d == -15) ? 17 : 15;
  for (int a : {across, -across}) {
    for (int q = t + a; !g.wall(q) && !g.enemy(q); q += a) {
      if (g.c(g.s, q) == 0) return true;
      if (!g.empty(q)) break;
    }
  }
  return false;
}

void gen1_drop_hisha(GenCall& g, int t, int tag) {
  const auto walk = [&](int dir) {
    for (int d = t + dir; g.empty(d); d += dir) {
      if (g.held(d) && !g.enemy_pawn(d + g.f) && !drop_return_fires(g, d, kReturnRookRule)) {
        propose(g, kRook, d, tag);
      }
    }
  };
  walk(-1);
  walk(1);
  const bool lance = g.enemy_is(t, board::kLance);
  if (!lance || g.f == -16) walk(-16);
  if (!lance || g.f == 16) walk(16);
}

void gen1_drop_hisha_line(GenCall& g, int t, int tag) {
  const bool in_camp = g.camp(t);
  const auto take = [&](int d, int walk_tag) {
    if (!rook_square_bad(g, d)) propose(g, kRook, d, walk_tag);
  };
  if (in_camp) {
    for (int d = t - 1; g.empty(d); --d) take(d, tag);
  }
  for (int d = t - g.f; g.empty(d) && g.camp(d); d -= g.f) take(d, kTagTarget);
  if (in_camp) {
    for (int d = t + 1; g.empty(d); ++d) take(d, kTagTarget);
  }
  for (int d = t + g.f; g.empty(d); d += g.f) {
    if (g.camp(d)) take(d, kTagTarget);
  }
}

void gen1_drop_hisha_line_koma(GenCall& g, int t, int piece, int code, int tag) {
  static_cast<void>(piece);
  const auto take = [&](int d, int walk_tag) {
    if (rook_square_bad(g, d)) return;
    propose(g, kRook, d, gen1_rook_line_reach(g, t, code, d) ? kTagAdmitted : walk_tag);
  };
  for (int d = t - 1; g.empty(d); --d) take(d, tag);
  for (int d = t - g.f; g.empty(d); d -= g.f) {
    if (!g.camp(d)) take(d, kTagTarget);
  }
  for (int d = t + 1; g.empty(d); ++d) take(d, kTagTarget);
  for (int d = t + g.f; g.empty(d) && !g.camp(d); d += g.f) take(d, kTagTarget);
}

void gen1_drop_kaku_behind(GenCall& g, int p, int d) {
  if (!g.empty(p - d)) return;
  for (int sq = p - d; g.empty(sq); sq -= d) {
    if (!g.covered(sq)) continue;
    if (g.c(g.e, sq) > 0 && enemy_gain_against(g, kBishop, sq) > kBehindLimit) continue;
    if (!drop_return_fires(g, sq, kReturnBishopRule)) propose(g, kBishop, sq, kTagTarget);
  }
}

bool gen1_kaku_line_test(const GenCall& g, int p, int d) {
  int e = p + d;
  while (g.empty(e)) e += d;
  return kaku_target(g, e);
}

bool gen1_kaku_next_test(const GenCall& g, int p, int d) { return kaku_target(g, p + d); }

int gen1_kei_target_gin_mode(const GenCall& g, int t, int code) {
  if (g.sup(g.s, t) > 0 && g.sup(g.e, t) == 0) return 0;
  if (code & board::kPromotedBit) return 2;
  if (g.sup(g.s, t) < g.sup(g.e, t)) return 0;
  return worth_attacking(g, t, code) ? 1 : 0;
}

bool gen1_kei_target_kin_ok(const GenCall& g, int t, int code) {
  if ((g.sup(g.s, t) > 0 && g.sup(g.e, t) == 0) || (code & board::kPromotedBit)) return false;
  return g.sup(g.s, t) >= g.sup(g.e, t) && worth_attacking(g, t, code);
}

int gen1_kyo_target_gin_mode(const GenCall& g, int t, int code) {
  if (code & board::kPromotedBit) return 2;
  return g.sup(g.s, t) >= g.sup(g.e, t) && worth_attacking(g, t, code) ? 1 : 0;
}

bool gen1_kyo_target_kin_ok(const GenCall& g, int t, int code) {
  return !(code & board::kPromotedBit) && g.sup(g.s, t) >= g.sup(g.e, t) && worth_attacking(g, t, code);
}

bool gen1_fu_target_kaku_ok(const GenCall& g, int t, int code) {
  if (g.sup(g.s, t) < g.sup(g.e, t) || (g.c(g.e, t) == 0 && g.c(g.s, t) > 0)) return false;
  if (!(code & board::kPromotedBit)) return false;
  return g.camp(t) || koma_gain_value(g.p, g.s, kBishop, t, code) >= 0;
}

int gen1_fu_target_hisha_mode(const GenCall& g, int t, int code) {
  if (g.sup(g.s, t) < g.sup(g.e, t)) return 0;
  return (code & board::kPromotedBit) ? 1 : 0;
}

}  // namespace search
