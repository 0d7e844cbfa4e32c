#include "engine/search/eval_blend.h"

#include "engine/search/score_maps.h"

namespace search {

namespace {

constexpr int32_t kLastMoverShare = 600;
// The optimistic score's changes in the favoured side's view.
constexpr int32_t kPromotedPawnRaise = 150;
constexpr int32_t kPromotedPawnExtra = 2;
constexpr int32_t kKingAreaCut = 450;
constexpr int32_t kKneeShift = 100;

// The words of one side as the blend reads them, with the optimistic changes
// already applied.
struct SideWords {
  int32_t material;   // P
  int32_t king_area;  // K
  int32_t positional; // T
  int32_t knee;       // hyouka_knee of the piece words
  int32_t share;      // subtracted from the plain sum
};

// Inlined into both blends: each is read for every evaluated node.
[[gnu::always_inline]] inline SideWords side_words(const board::KEvalRecord& r, int x) {
  return {record_material(r, x), record_king_area(r, x), r.hand_b[x], record_piece_knee(r, x), 0};
}

// The blend of side x's plain sum with its compressed form by x's weight.
[[gnu::always_inline]] inline int32_t blend_one(const SideWords& x, const SideWords& y) {
  const int32_t w = eval_stage_weight(y.material, x.king_area);
  const int32_t plain = x.positional + x.king_area + x.material - x.share;
  return eval_blend_by_weight(plain, x.knee, w);
}

[[gnu::always_inline]] inline int32_t blend(const SideWords& x, const SideWords& y) { return blend_one(x, y) - blend_one(y, x); }

}  // namespace

int eval_blend_node(const board::KEvalRecord& r, int x, bool last_move_was_pass) {
  SideWords a = side_words(r, x), b = side_words(r, 1 - x);
  // Set as values rather than through a pointer to one of the two, which kept
  // both in memory.
  a.share = last_move_was_pass ? kLastMoverShare : 0;
  b.share = kLastMoverShare - a.share;
  return blend(a, b);
}

int eval_blend_side(const board::KEvalRecord& r, const board::KPosition& p, int z) {
  SideWords a = side_words(r, z), b = side_words(r, 1 - z);
  a.material += kPromotedPawnRaise * (static_cast<int32_t>(p.tokin[z].count) + kPromotedPawnExtra);
  b.king_area -= kKingAreaCut;
  a.knee += kKneeShift;
  b.knee -= kKneeShift;
  return blend(a, b);
}

}  // namespace search
