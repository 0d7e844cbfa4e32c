#include "engine/eval/eval_position.h"

#include "engine/eval/gold_pawn_terms.h"
#include "engine/eval/king_safety.h"
#include "engine/eval/position_terms.h"

namespace eval {

namespace {

void add16(int16_t& field, int32_t v) { field = static_cast<int16_t>(field + v); }

}  // namespace

void eval_position(const board::KPosition& p, int square, const board::KMove& last, board::KEvalRecord& r) {
  if (r.flags & kPositionDone) return;
  r.flags |= kPositionDone;
  PositionTerms t(p, square, last, r);

  exposed_gold_terms(t);
  pawn_threat_terms(t);
  king_safety_terms(t);
  for (int s = 0; s < 2; ++s) {
    add16(r.att[s].attack_extra, t.attack[s]);
    add16(r.def[s].defence_extra, t.defence[s]);
  }

  // ---- Placement groups, in this order, each adding to t.material (the rook
  // group also adds a few terms to r's attack_extra at once): rook, bishop and
  // pawn placement; silver, knight, gold and advanced-king terms; castle-shape
  // corrections. Not built yet: t.material stays 0. ----

  for (int s = 0; s < 2; ++s) add16(r.mat[s].material_extra, t.material[s]);
}

}  // namespace eval
