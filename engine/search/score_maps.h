// The score maps of the static evaluation as the search reads a record: the
// band scale of the king-area word, the knee of the piece word, the stage
// weight that blends the plain and the compressed score, the compression, and
// the blended score of one side that they make together.
#pragma once

#include <cstdint>

#include "engine/board/eval_record.h"

namespace search {

// v inside 2580..2900 unchanged; outside, the distance d from the band is
// scaled by the factor of band d / 140 (pulled toward 2900 above, pushed
// further down below).
int32_t hyouka_band_scale(int32_t v);

// v + b up to 4500; above it the rise flattens to 205/256 and, past 6500, to
// 128/256 (both pieces meet at 6101 + b).
int32_t hyouka_knee(int32_t v, int32_t b);

// The phase weight 0..512 of a side's material words `a` against the
// opponent's king-area word `b`: a + clamp((2600 - b) / 3, -300, 300) mapped
// through (840, 0), (1368, 102), (1923, 354), (3488, 512).
int32_t eval_stage_weight(int32_t a, int32_t b);

// x with the part of x - y above 2100 compressed (230/256 up to 2600, 128/256 past).
int32_t eval_score_compress(int32_t x, int32_t y);

// The words of a record the blend reads, for side x.
int32_t record_material(const board::KEvalRecord& r, int x);   // the two material words
int32_t record_king_area(const board::KEvalRecord& r, int x);   // band-scaled king-area word + bonus
int32_t record_piece_knee(const board::KEvalRecord& r, int x);  // hyouka_knee of the piece words

// The blended score of side x: T = positional + king area + material, less
// `handicap` (600 for the side not to move); blended with its compressed
// variant by the stage weight of the opponent's material against x's king
// area: ((512 - w) x C + w x T) >> 9, C alone at w <= 0, T alone at w >= 512.
int32_t blended_side_score(const board::KEvalRecord& r, int x, int32_t handicap);

}  // namespace search
