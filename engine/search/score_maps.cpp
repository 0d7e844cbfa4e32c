#include "engine/search/score_maps.h"

namespace search {

int32_t blended_side_score(const board::KEvalRecord& r, int x, int32_t handicap) {
  const int y = 1 - x;
  const int32_t t = r.hand_b[x] + record_king_area(r, x) + record_material(r, x) - handicap;
  const int32_t w = eval_stage_weight(record_material(r, y), record_king_area(r, x));
  return eval_blend_by_weight(t, record_piece_knee(r, x), w);
}

}  // namespace search
