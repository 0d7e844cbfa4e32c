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

// The golds visited once for both of their groups: the exposed-gold term
// (gold_pawn_terms.h, into t.defence) and the gold placement term
// (silver_knight_gold_terms.h), then the over-advance penalty. The placement
// term reads the silver flags, so the visit follows the silver group; a second
// pass over the golds cost more than either term's own tests.
[[gnu::always_inline]] inline void gold_terms_once(PositionTerms& t) {
  using silver_knight_gold_detail::gold_value_body;
  const silver_knight_gold_detail::GoldKingWords kings(t);
  for_each_gold_on_board(t.p, [&](auto side, int sq) {
    add_exposed_gold<side()>(t, sq);
    gold_value_body<side()>(t, sq, kings.word[side()]);
  });
  silver_knight_gold_detail::add_over_advance(t);
}

}  // namespace

bool eval_position(const board::KPosition& p, int square, const board::KMove& last, board::KEvalRecord& r) {
  if (r.flags & kPositionDone) return true;
  r.flags |= kPositionDone;
  PositionTerms t(p, square, last, r);

  pawn_threat_body(t);
  king_safety_terms(t);

  // The placement groups add to t.material (the rook group also adds its
  // break-through bonus to r's attack_extra at once); each reads what the
  // earlier ones noted in t. The exposed golds join the golds' visit there.
  rook_placement_body(t);
  bishop_placement_body(t);
  pawn_placement_body(t);
  silver_knight_body(t);
  gold_terms_once(t);
  castle_shape_body(t);

  // Every sum goes into its 16-bit field once, at the end: the fields wrap
  // alike whatever the order of the additions.
  for (int s = 0; s < 2; ++s) {
    add16(r.att[s].attack_extra, t.attack[s]);
    add16(r.def[s].defence_extra, t.defence[s]);
    add16(r.mat[s].material_extra, t.material[s]);
  }
  return t.pass_matters;
}

}  // namespace eval
