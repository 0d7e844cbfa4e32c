// Whether the knight, silver, gold, bishop and rook rules aim at an enemy pawn.
#include "engine/search/depth_gen/drop_rules.h"
#include "engine/search/depth_gen/koma_gain.h"

namespace search {

namespace {

constexpr int kNoValue = 32767;

bool promoted(int code) { return board::code_class(code) == board::kTokin; }
// Only the enemy attacks the pawn's square directly.
bool only_enemy(const GenCall& g, int t) { return g.c(g.s, t) == 0 && g.c(g.e, t) > 0; }
bool gain_pays(const GenCall& g, int placed, int t, int code) { return koma_gain_value(g.p, g.s, placed, t, code) >= 0; }

}  // namespace

bool fu_target_kei_ok(const GenCall& g, int t, int code) {
  if (promoted(code)) return true;
  if (g.n < 3 || (only_enemy(g, t) && g.n == 3)) return false;
  const int own = g.sup(g.s, t), enemy = g.sup(g.e, t);
  if (own >= enemy) return true;
  if (g.n < 4 || own + 1 < enemy) return false;
  const int ahead = t + g.f;
  return g.king == ahead - 1 || g.king == ahead || g.king == ahead + 1;
}

int fu_target_gin_mode(const GenCall& g, int t, int code) {
  if (g.n < 3) return 0;
  if (promoted(code)) {
    if (g.n < 5) return 2;
  } else if (only_enemy(g, t) && (g.n == 3 || g.n == 4)) {
    return 0;
  }
  const bool near = g.s == 0 ? t < 80 : t >= 96;
  const int placed = near ? (board::kSilver | board::kPromotedBit) : board::kSilver;
  return gain_pays(g, placed, t, code) ? 1 : 0;
}

bool fu_target_kin_ok(const GenCall& g, int t, int code) {
  if (g.n < 3) return false;
  if (promoted(code) ? g.n < 5 : only_enemy(g, t) && (g.n == 3 || g.n == 4)) return false;
  return gain_pays(g, board::kGold, t, code);
}

bool fu_target_kaku_ok(const GenCall& g, int t, int code) {
  if (g.sup(g.s, t) < g.sup(g.e, t)) return false;
  if (g.c(g.e, t) == 0 && g.c(g.s, t) > 0) return false;
  const bool in_camp = g.camp(t);
  if (!promoted(code) && g.n < (in_camp ? 3 : 4)) return false;
  return in_camp || gain_pays(g, board::kBishop, t, code);
}

int fu_target_hisha_mode(GenCall& g, int t, int code, int& cache) {
  if (g.sup(g.s, t) < g.sup(g.e, t)) return 0;
  if (promoted(code)) return 1;
  const bool in_camp = g.camp(t);
  if (g.n < (in_camp ? 3 : 5)) return 0;
  const int mode = in_camp ? 1 : 2;
  if (open_camp_squares(g) < 5) return mode;
  if (cache == kNoValue) cache = piece_worth(g.p, g.e, board::kPawn, t);
  return cache >= gen_threshold(g.n) ? mode : 0;
}

}  // namespace search
