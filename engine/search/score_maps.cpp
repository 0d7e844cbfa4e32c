#include "engine/search/score_maps.h"

#include <algorithm>

namespace search {

namespace {

// The band that hyouka_band_scale leaves alone, and the width of one step.
constexpr int32_t kBandLow = 2580;
constexpr int32_t kBandHigh = 2900;
constexpr int32_t kBandStep = 140;
// Factors by band index (the last one for every index past it).
constexpr int32_t kBandFactor[12] = {18432, 18842, 19251, 19661, 20070, 20480,
                                     22118, 23757, 25395, 27034, 28672, 30310};

// The stage weight's breakpoints (x, weight).
constexpr int32_t kStageX[4] = {840, 1368, 1923, 3488};
constexpr int32_t kStageW[4] = {0, 102, 354, 512};
constexpr int32_t kFullWeight = 512;

}  // namespace

int32_t hyouka_band_scale(int32_t v) {
  if (v >= kBandLow && v <= kBandHigh) return v;
  const int32_t d = v < kBandLow ? kBandLow - v : v - kBandHigh;
  const int32_t g = kBandFactor[std::min(d / kBandStep, 11)];
  return v - static_cast<int32_t>((int64_t{g} * d / kBandStep) >> 10);
}

int32_t hyouka_knee(int32_t v, int32_t b) {
  if (v <= 4500) return v + b;
  if (v <= 6500) return 4500 + b + ((205 * (v - 4500)) >> 8);
  return 4500 + b + ((128 * v - 422000) >> 8);
}

int32_t eval_stage_weight(int32_t a, int32_t b) {
  const int32_t x = a + std::clamp((2600 - b) / 3, -300, 300);
  if (x <= kStageX[0]) return 0;
  if (x >= kStageX[3]) return kFullWeight;
  int i = 0;
  while (x >= kStageX[i + 1]) ++i;
  return kStageW[i] + (x - kStageX[i]) * (kStageW[i + 1] - kStageW[i]) / (kStageX[i + 1] - kStageX[i]);
}

int32_t eval_score_compress(int32_t x, int32_t y) {
  const int32_t d = x - y;
  if (d <= 2100) return x;
  if (d <= 2600) return y + 2100 + (((d - 2100) * 230) >> 8);
  return y + 2100 + ((128 * d - 217800) >> 8);
}

int32_t record_material(const board::KEvalRecord& r, int x) { return r.att[x].attack + r.att[x].attack_extra; }

int32_t record_king_area(const board::KEvalRecord& r, int x) {
  return hyouka_band_scale(r.def[x].defence) + r.def[x].defence_extra;
}

int32_t record_piece_knee(const board::KEvalRecord& r, int x) {
  return hyouka_knee(r.mat[x].material, r.mat[x].material_extra);
}

int32_t blended_side_score(const board::KEvalRecord& r, int x, int32_t handicap) {
  const int y = 1 - x;
  const int32_t t = r.hand_b[x] + record_king_area(r, x) + record_material(r, x) - handicap;
  const int32_t w = eval_stage_weight(record_material(r, y), record_king_area(r, x));
  if (w >= kFullWeight) return t;
  const int32_t c = eval_score_compress(record_piece_knee(r, x), t);
  if (w <= 0) return c;
  return ((kFullWeight - w) * c + w * t) >> 9;
}

}  // namespace search
