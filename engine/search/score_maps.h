// The score maps of the static evaluation as the search reads a record: the
// band scale of the king-area word, the knee of the piece word, the stage
// weight that blends the plain and the compressed score, the compression, and
// the blended score of one side that they make together.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>

#include "engine/board/eval_record.h"

namespace search {

namespace score_map_detail {

// The band that hyouka_band_scale leaves alone, and the width of one step.
constexpr int32_t kBandLow = 2580;
constexpr int32_t kBandHigh = 2900;
constexpr int32_t kBandStep = 140;
// Factors by band index (the last one for every index past it).
constexpr int32_t kBandFactor[12] = {18432, 18842, 19251, 19661, 20070, 20480,
                                     22118, 23757, 25395, 27034, 28672, 30310};
constexpr int32_t kFullWeight = 512;
constexpr int32_t kBandFactors = 12;

// What the band scale takes off at distance d from the band: the factor of
// band d / 140 times d / 140, >> 10. d is positive and, for a 16-bit word,
// g * d stays below 2^31: the unsigned 32-bit product and quotients equal
// signed 64-bit ones, in fewer instructions.
constexpr int32_t band_cut(uint32_t d) {
  const uint32_t g = static_cast<uint32_t>(kBandFactor[std::min<uint32_t>(d / kBandStep, kBandFactors - 1)]);
  return static_cast<int32_t>((g * d / kBandStep) >> 10);
}

// band_cut by distance within the twelve bands, where nearly every word falls:
// one read instead of two divisions and a factor look-up. The table is read
// by max(kBandLow - v, v - kBandHigh) + kBandHalfWidth, which runs from 0 at
// the band's middle: words inside the band read a cut of 0 and need no test of
// their own (one that went either way often).
constexpr int32_t kBandHalfWidth = (kBandHigh - kBandLow) / 2;
static_assert((kBandHigh - kBandLow) % 2 == 0);
constexpr int32_t kBandCutTableSize = kBandHalfWidth + kBandFactors * kBandStep;
inline constexpr std::array<int16_t, kBandCutTableSize> kBandCut = [] {
  std::array<int16_t, kBandCutTableSize> t{};
  for (int32_t i = kBandHalfWidth + 1; i < kBandCutTableSize; ++i) {
    t[i] = static_cast<int16_t>(band_cut(static_cast<uint32_t>(i - kBandHalfWidth)));
  }
  return t;
}();

// The stage weight's map from the combined word x to 0..512: (840, 0),
// (1368, 102), (1923, 354), (3488, 512), each piece with its own constant
// divisor.
constexpr int32_t kStageLow = 840;
constexpr int32_t kStageHigh = 3488;
constexpr int32_t stage_map(int32_t x) {
  if (x <= kStageLow) return 0;
  if (x >= kStageHigh) return kFullWeight;
  if (x < 1368) return (x - kStageLow) * 102 / 528;
  if (x < 1923) return 102 + (x - 1368) * 252 / 555;
  return 354 + (x - 1923) * 158 / 1565;
}

// stage_map from one end to the other, both included, by x - kStageLow: a
// word clamped to the ends then reads its weight without a test.
inline constexpr std::array<int16_t, kStageHigh - kStageLow + 1> kStageMap = [] {
  std::array<int16_t, kStageHigh - kStageLow + 1> t{};
  for (int32_t i = 0; i <= kStageHigh - kStageLow; ++i) t[i] = static_cast<int16_t>(stage_map(kStageLow + i));
  return t;
}();

}  // namespace score_map_detail

// The maps are read for both sides of every evaluated node, so they are
// defined here, where the blend inlines them.

// v inside 2580..2900 unchanged; outside, the distance d from the band is
// scaled by the factor of band d / 140 (pulled toward 2900 above, pushed
// further down below). v is a record's 16-bit king-area word.
inline int32_t hyouka_band_scale(int32_t v) {
  using namespace score_map_detail;
  assert(v >= INT16_MIN && v <= INT16_MAX);
  const int32_t beyond = std::max(kBandLow - v, v - kBandHigh);  // -kBandHalfWidth at least
  const uint32_t i = static_cast<uint32_t>(beyond + kBandHalfWidth);
  if (i >= static_cast<uint32_t>(kBandCutTableSize)) [[unlikely]] return v - band_cut(static_cast<uint32_t>(beyond));
  return v - kBandCut[i];
}

// v + b up to 4500; above it the rise flattens to 205/256 and, past 6500, to
// 128/256 (both pieces meet at 6101 + b). The map is concave and each piece
// lies above the others outside its own range (the shifts' rounding included,
// for every 16-bit word), so it is the least of the three: no jumps, as words
// lie on both sides of 4500.
inline int32_t hyouka_knee(int32_t v, int32_t b) {
  const int32_t middle = 4500 + ((205 * (v - 4500)) >> 8);
  const int32_t high = 4500 + ((128 * v - 422000) >> 8);
  return std::min(v, std::min(middle, high)) + b;
}

// The phase weight 0..512 of a side's material words `a` against the
// opponent's king-area word `b`: a + clamp((2600 - b) / 3, -300, 300) mapped
// through (840, 0), (1368, 102), (1923, 354), (3488, 512), each piece with its
// own constant divisor.
inline int32_t eval_stage_weight(int32_t a, int32_t b) {
  using namespace score_map_detail;
  // The quotient's clamp to +-300 taken on the dividend (+-902 divides to
  // +-300 as truncated division does every dividend past it): a clamp of the
  // quotient became a jump around the division. The clamps are min and max,
  // not std::clamp, for the same reason.
  const int32_t x = a + std::max(std::min(2600 - b, 902), -902) / 3;
  return kStageMap[std::max(std::min(x, kStageHigh), kStageLow) - kStageLow];
}

// x with the part of x - y above 2100 compressed (230/256 up to 2600, 128/256
// past). As the knee, the map of x - y is concave and the least of its three
// pieces (for every difference of two sums of record words).
inline int32_t eval_score_compress(int32_t x, int32_t y) {
  const int32_t d = x - y;
  const int32_t middle = 2100 + (((d - 2100) * 230) >> 8);
  const int32_t high = 2100 + ((128 * d - 217800) >> 8);
  return y + std::min(d, std::min(middle, high));
}

// The plain sum `plain` blended with its compressed form (the piece words'
// knee `knee` against it) by the stage weight w, 0..512: ((512 - w) x C + w x
// plain) >> 9. The ends need no tests of their own: at 512 this is the plain
// sum exactly and at 0 the compressed one, and tests of w went either way
// often enough to cost more than the multiplies.
inline int32_t eval_blend_by_weight(int32_t plain, int32_t knee, int32_t w) {
  using score_map_detail::kFullWeight;
  const int32_t c = eval_score_compress(knee, plain);
  return ((kFullWeight - w) * c + w * plain) >> 9;
}

// The words of a record the blend reads, for side x: the two material words,
// the band-scaled king-area word with its bonus, the knee of the piece words.
inline int32_t record_material(const board::KEvalRecord& r, int x) { return r.att[x].attack + r.att[x].attack_extra; }
inline int32_t record_king_area(const board::KEvalRecord& r, int x) {
  return hyouka_band_scale(r.def[x].defence) + r.def[x].defence_extra;
}
inline int32_t record_piece_knee(const board::KEvalRecord& r, int x) {
  return hyouka_knee(r.mat[x].material, r.mat[x].material_extra);
}

// The blended score of side x: T = positional + king area + material, less
// `handicap` (600 for the side not to move); blended with its compressed
// variant by the stage weight of the opponent's material against x's king
// area: ((512 - w) x C + w x T) >> 9, C alone at w <= 0, T alone at w >= 512.
int32_t blended_side_score(const board::KEvalRecord& r, int x, int32_t handicap);

}  // namespace search
