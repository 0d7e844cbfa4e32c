// The pawn, lance, knight, silver and gold drop rules.
#include "engine/board/move_tables.h"
#include "engine/search/depth_gen/drop_rules.h"
#include "engine/search/depth_gen/gen_stamp.h"

namespace search {

using board::kGold;
using board::kKnight;
using board::kLance;
using board::kPawn;
using board::kSilver;

void propose_drop(const GenCall& g, int kind, int d, int tag, bool weak) {
  if (!g.in_hand(kind)) return;
  const int piece = board::drop_piece(g.p, kind);
  if (weak) {
    gen_stamp_weak(piece, d, 0, tag);
  } else {
    gen_stamp_record(piece, d, 0, tag);
  }
}

void propose_drop_strong(const GenCall& g, int kind, int d) {
  if (g.in_hand(kind)) gen_stamp_strong(board::drop_piece(g.p, kind), d, 0);
}

namespace {

// The four ranks nearest the enemy: ranks 1-4 for sente, 6-9 for gote.
bool near_enemy_half(const GenCall& g, int sq) { return g.s == 0 ? sq < 80 : sq >= 96; }
bool second_rank(const GenCall& g, int sq) { return board::square_rank(sq) == (g.s == 0 ? 2 : 8); }

// The lance's walk back from d; `pawn_target` never stops where only the enemy
// attacks while n < 3.
void lance_walk(GenCall& g, int d, int tag, bool ready, bool pawn_target) {
  while (g.empty(d)) {
    const int behind = d - g.f;
    const bool only_enemy = g.c(g.e, d) > 0 && g.c(g.s, d) == 0;
    if (g.n < 3 && only_enemy) {
      if (ready && !pawn_target) return;
    } else if (g.empty(behind) && g.c(g.e, behind) == 0) {
      if (g.n < 4 && ready && only_enemy) return;
    } else if (!drop_return_fires(g, d, kReturnLanceRule)) {
      propose_drop(g, kLance, d, tag, false);
    }
    d = behind;
  }
}

// The enemy could answer a lance by pushing a pawn in front of it.
bool enemy_pawn_ready(const GenCall& g, int t) { return g.file_free(g.e, t) && g.hand(g.e, kPawn) > 0; }

// The silver and gold rules: offsets from T for sente.
void step_drops(GenCall& g, int t, int tag, bool weak, int kind, const int* offsets, int count, int limit) {
  for (int i = 0; i < count; ++i) {
    const int d = t + g.fwd(offsets[i]);
    if (!g.empty(d)) continue;
    const bool backed = g.own(d - g.f) && g.cls(d - g.f) == kPawn;
    if (g.sup(g.s, d) + 1 < g.sup(g.e, d) && !backed) continue;
    if (g.enemy_pawn(d + g.f) && g.c(g.e, d) > 0 && enemy_gain_against(g, kind, d) > limit) continue;
    if (drop_return_fires(g, d, return_class_of_kind(kind))) continue;
    propose_drop(g, kind, d, tag, weak);
  }
}

}  // namespace

void gen_drop_fu(GenCall& g, int t, int tag) {
  const int d = t - g.f;
  if (!g.empty(d) || !g.file_free(g.s, d) || drop_return_fires(g, d, kReturnPawnRule)) return;
  propose_drop(g, kPawn, d, tag, false);
}

void gen_drop_fu_tare(GenCall& g, int t, int tag) {
  if (!g.camp(t)) return;
  for (int offset : {32, 17, 33, 15, 31}) {
    const int d = t + g.fwd(offset);
    if (!g.empty(d) || !near_enemy_half(g, d) || !g.file_free(g.s, d) || g.own(d + g.f)) continue;
    if ((g.n == 2 || g.n == 3) && g.c(g.s, d + g.f) == 0 && g.c(g.e, d + g.f) > 0) continue;
    if (drop_return_fires(g, d, kReturnPawnRule)) continue;
    propose_drop(g, kPawn, d, tag, false);
  }
}

void gen_drop_kyo(GenCall& g, int t, int tag) {
  int d = t - g.f;
  if (!g.empty(d)) return;
  if (second_rank(g, d) && g.file_free(g.s, t) && g.in_hand(kPawn)) {
    d -= g.f;
    if (!g.empty(d)) return;
  }
  lance_walk(g, d, tag, enemy_pawn_ready(g, t), false);
}

void gen_drop_kyo_fu(GenCall& g, int t, int tag) {
  if (!g.empty(t - g.f) || !g.empty(t - 2 * g.f)) return;
  lance_walk(g, t - 2 * g.f, tag, enemy_pawn_ready(g, t), true);
}

void gen_drop_kei(GenCall& g, int t, int tag, bool weak) {
  const int middle = t + g.fwd(32);
  if (middle < board::kFirstSquare || middle > board::kLastSquare) return;
  for (int offset : {33, 31}) {
    const int d = t + g.fwd(offset);
    if (!g.empty(d)) continue;
    if (g.n < 3 && g.c(g.s, d) == 0 && g.c(g.e, d) >= 2) continue;
    if (g.n < 4 && g.enemy_pawn(d + g.f)) continue;
    if (drop_return_fires(g, d, kReturnKnightRule)) continue;
    propose_drop(g, kKnight, d, tag, weak);
  }
}

void gen_drop_gin(GenCall& g, int t, int tag, bool weak, bool far) {
  static constexpr int kFar[] = {-15, -17};
  constexpr int kSilverLimit = 600;
  if (far) {
    step_drops(g, t, tag, weak, kSilver, kFar, 2, kSilverLimit);
  } else {
    step_drops(g, t, tag, weak, kSilver, board::kSilverSteps.data(), 5, kSilverLimit);
  }
}

void gen_drop_kin(GenCall& g, int t, int tag, bool weak) {
  constexpr int kGoldLimit = 900;
  step_drops(g, t, tag, weak, kGold, board::kGoldSteps.data(), 6, kGoldLimit);
}

}  // namespace search
