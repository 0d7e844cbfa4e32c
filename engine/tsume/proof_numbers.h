// The arithmetic of proof and disproof numbers shared by the solver's and the
// composer's searches: a sum that saturates (infinity stays infinite, a finite
// sum stops at the cap) and the largest values kept per group of children,
// which an AND node adds up instead of every child's number.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "engine/tsume/tsume_table.h"

namespace tsume {

// a + b: kInf when either is infinite, else at most kCap.
inline int32_t sat_add(int32_t a, int32_t b) {
  if (a >= kInf || b >= kInf) return kInf;
  return static_cast<int32_t>(std::min<int64_t>(int64_t{a} + b, kCap));
}

// Keeps the `size` largest values seen in `top` (descending): `v` goes in at
// its place and the smallest falls out.
inline void keep_largest(int32_t* top, int size, int32_t v) {
  for (int i = 0; i < size; ++i) {
    if (v > top[i]) std::swap(v, top[i]);
  }
}

// The saturating sum of the first `size` values. A 0 is passed over: adding
// it to a saturated sum (or to 0) changes nothing, and most groups of an AND
// node hold a slot or two only.
inline int32_t sum_of(const int32_t* v, int size) {
  int32_t s = 0;
  for (int i = 0; i < size; ++i) {
    if (v[i] != 0) s = sat_add(s, v[i]);
  }
  return s;
}

}  // namespace tsume
