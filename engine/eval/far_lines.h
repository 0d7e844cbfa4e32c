// The lines from a square that come nowhere near a king: the king-line terms
// skip the walks along them, as nothing such a walk finds can score.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "engine/board/engine_codes.h"
#include "engine/board/exchange_values.h"
#include "engine/eval/static_eval_tables.h"

namespace eval {

// Blockers this far from the king (Chebyshev) or farther count nothing.
constexpr int kBlockerReach = 6;

// The bit of each unit step in a kFarLines entry.
constexpr int line_bit(int step) {
  switch (step) {
    case 1: return 1;
    case -1: return 2;
    case 16: return 4;
    case -16: return 8;
    case 15: return 16;
    case -15: return 32;
    case 17: return 64;
    default: return 128;  // -17
  }
}

// kFarLines[king - sq + kDeltaBias]: the bit of a step is set when no cell of
// the line from square sq in that step (sq itself and eight steps on, walls or
// not) comes within kBlockerReach - 1 of the king (Chebyshev). Nothing a walk
// along such a line finds can score: its blockers lie too far from the king,
// and so do its cells for a bishop's nearest approach (their squared distance
// is 36 or more). A difference with a file part of 8 reads two ways (file 9 to
// file 1 or file 1 to file 9 a rank apart): its entry keeps the lines far in both.
inline constexpr auto kFarLines = [] {
  constexpr struct {
    int step, file, rank;
  } kLines[] = {{1, 1, 0}, {-1, -1, 0}, {16, 0, 1}, {-16, 0, -1}, {15, -1, 1}, {-15, 1, -1}, {17, 1, 1}, {-17, -1, -1}};
  std::array<uint8_t, board::kOffsetEntries> t{};
  t.fill(0xFF);
  for (int dr = -8; dr <= 8; ++dr) {
    for (int df = -8; df <= 8; ++df) {
      unsigned bits = 0;
      for (const auto& l : kLines) {
        bool far = true;
        for (int i = 0; i <= 8; ++i) {
          const int f = df - i * l.file, r = dr - i * l.rank;
          if (std::max(std::abs(f), std::abs(r)) < kBlockerReach) far = false;
        }
        if (far) bits |= static_cast<unsigned>(line_bit(l.step));
      }
      t[16 * dr + df + kDeltaBias] &= static_cast<uint8_t>(bits);
    }
  }
  return t;
}();

// The far lines from square sq toward the king on `king`.
inline unsigned far_lines(int sq, int king) { return kFarLines[king - sq + kDeltaBias]; }

}  // namespace eval
