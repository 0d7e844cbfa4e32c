// The stored king-relative tables A (a piece's worth by its offset from its own
// king) and G (its worth by its offset from the enemy king), 6 kinds x 17 rank
// differences x 9 file distances. A few rows are fixed values; the rest of
// each table follows by rule from them, so every row falls toward 0 (the
// horse's toward 325) as the rank difference and the file distance grow.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>

namespace eval {

constexpr int kKingKinds = 6;   // gold, silver, knight, lance, pawn, horse in A
constexpr int kRankDiffs = 17;  // rank difference -8..8, index difference + 8
constexpr int kFileDists = 9;   // file distance 0..8

using KingTable = std::array<std::array<std::array<int32_t, kFileDists>, kRankDiffs>, kKingKinds>;
using KingRow = std::array<int32_t, kFileDists>;

namespace detail {

enum : int { kGoldA, kSilverA, kKnightA, kLanceA, kPawnA, kHorseA };

struct GivenRow {
  int kind;
  int rank_diff;  // square rank - king rank
  KingRow value;
};

// The fixed rows of A.
inline constexpr GivenRow kGivenA[] = {
    {kGoldA, 0, {770, 770, 745, 700, 555, 373, 160, 72, 5}},
    {kGoldA, -1, {735, 747, 750, 645, 455, 240, 150, 70, 5}},
    {kGoldA, 1, {640, 697, 715, 675, 535, 370, 150, 70, 5}},
    {kSilverA, 0, {675, 675, 672, 615, 465, 245, 100, 20, 0}},
    {kKnightA, 1, {400, 393, 250, 171, 110, 65, 20, 19, 0}},
    {kLanceA, 0, {270, 260, 200, 100, 20, 10, 5, 2, 0}},
    {kPawnA, -1, {128, 128, 98, 50, 21, 2, 0, 0, 0}},
    {kHorseA, 0, {580, 580, 585, 585, 500, 428, 370, 343, 335}},
    {kHorseA, -8, {381, 371, 359, 349, 341, 335, 331, 328, 325}},
};

// The value every horse row falls toward.
constexpr int32_t kHorseFloor = 325;

// One step of the fall with the rank difference: three fifths of the distance
// to the floor remain (truncated).
constexpr int32_t fall_step(int32_t v, int32_t floor) { return floor + (v - floor) * 3 / 5; }

// A row `steps` rank differences away from a known row.
constexpr KingRow fall(KingRow row, int steps, int32_t floor) {
  for (int i = 0; i < steps; ++i) {
    for (int32_t& v : row) v = fall_step(v, floor);
  }
  return row;
}

constexpr int abs_diff(int a, int b) { return a > b ? a - b : b - a; }

// Table A: the given rows; between the horse's two given rows a straight line;
// every other row falls from the nearest given row of its kind.
constexpr KingTable build_a() {
  KingTable t{};
  for (int k = 0; k < kKingKinds; ++k) {
    const int32_t floor = k == kHorseA ? kHorseFloor : 0;
    for (int dr = -8; dr <= 8; ++dr) {
      // Indexes into kGivenA: the nearest given row of the kind, and the given
      // rows on both sides of dr (for the horse's line); -1 for none.
      int nearest = -1, below = -1, above = -1;
      for (int i = 0; i < static_cast<int>(std::size(kGivenA)); ++i) {
        const GivenRow& g = kGivenA[i];
        if (g.kind != k) continue;
        if (nearest < 0 || abs_diff(g.rank_diff, dr) < abs_diff(kGivenA[nearest].rank_diff, dr)) nearest = i;
        if (g.rank_diff <= dr && (below < 0 || g.rank_diff > kGivenA[below].rank_diff)) below = i;
        if (g.rank_diff >= dr && (above < 0 || g.rank_diff < kGivenA[above].rank_diff)) above = i;
      }
      KingRow row = fall(kGivenA[nearest].value, abs_diff(kGivenA[nearest].rank_diff, dr), floor);
      if (below >= 0 && above >= 0 && below != above) {
        const GivenRow& lo = kGivenA[below];
        const GivenRow& hi = kGivenA[above];
        const int span = hi.rank_diff - lo.rank_diff;
        for (int d = 0; d < kFileDists; ++d) {
          row[d] = hi.value[d] + (lo.value[d] - hi.value[d]) * (hi.rank_diff - dr) / span;
        }
      }
      t[k][dr + 8] = row;
    }
  }
  return t;
}

// Table G, by class 0..5 of the second group (gold, promoted pawn, silver,
// knight, pawn, horse), indexed by king rank - square rank: the A row of the
// same kind at the same index (a piece in front of its own king stands where an
// attacker stands in front of the enemy king); the promoted pawn nine tenths of
// the gold. The knight's rows are not read (its values come from the pawn's).
constexpr KingTable build_g(const KingTable& a) {
  constexpr int kFromA[kKingKinds] = {kGoldA, kGoldA, kSilverA, kKnightA, kPawnA, kHorseA};
  KingTable t{};
  for (int n = 0; n < kKingKinds; ++n) {
    for (int i = 0; i < kRankDiffs; ++i) {
      for (int d = 0; d < kFileDists; ++d) {
        const int32_t v = a[kFromA[n]][i][d];
        t[n][i][d] = n == 1 ? v * 9 / 10 : v;
      }
    }
  }
  return t;
}

}  // namespace detail

// A[kind][square rank - king rank + 8][file distance].
inline constexpr KingTable kKingTableA = detail::build_a();
// G[class][king rank - square rank + 8][file distance].
inline constexpr KingTable kKingTableG = detail::build_g(kKingTableA);

}  // namespace eval
