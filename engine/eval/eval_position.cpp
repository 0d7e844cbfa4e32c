#include "engine/eval/eval_position.h"

#include "engine/eval/castle_shape_body.h"
#include "engine/eval/gold_pawn_body.h"
#include "engine/eval/king_safety.h"
#include "engine/eval/position_terms.h"
#include "engine/eval/rook_bishop_pawn_body.h"
#include "engine/eval/silver_knight_gold_body.h"

namespace eval {

namespace {

void add16(int16_t& field, int32_t v) { field = static_cast<int16_t>(field + v); }

}  // namespace

bool eval_position(const board::KPosition& p, int square, const board::KMove& last, board::KEvalRecord& r) {
  if (r.flags & kPositionDone) return true;
  r.flags |= kPositionDone;
  PositionTerms t(p, square, last, r);

  exposed_gold_body(t);
  pawn_threat_body(t);
  king_safety_terms(t);
  for (int s = 0; s < 2; ++s) {
    add16(r.att[s].attack_extra, t.attack[s]);
    add16(r.def[s].defence_extra, t.defence[s]);
  }

  // The placement groups add to t.material (the rook group also adds its
  // break-through bonus to r's attack_extra at once); each reads what the
  // earlier ones noted in t.
  rook_placement_body(t);
  bishop_placement_body(t);
  pawn_placement_body(t);
  silver_knight_gold_body(t);
  castle_shape_body(t);

  for (int s = 0; s < 2; ++s) add16(r.mat[s].material_extra, t.material[s]);
  return t.pass_matters;
}

}  // namespace eval
