// The stored per-stage offset tables Ha (a piece's worth by its offset from its
// own king) and Hb (by its offset from the other king) for stages 1 and 2,
// 6 kinds (gold, silver, knight, lance, pawn, horse) x 17 rank differences x 9
// file distances. A few rank-difference-0 rows are fixed values; a kind's other
// rank-difference-0 row is table A's; every other row falls from its kind's
// rank-difference-0 row as in A. Hb is Ha turned in rank, four fifths as large.
// Every value lies in 0..32767, so the 16-bit entries read alike signed or not.
#pragma once

#include <array>
#include <cstdint>

#include "engine/eval/king_table_data.h"

namespace eval {

using StageOffsetTable = std::array<KingTable, 2>;  // [stage - 1]

namespace detail {

struct GivenStageRow {
  int stage;
  int kind;
  KingRow value;  // rank difference 0
};

inline constexpr GivenStageRow kGivenHa[] = {
    {1, kGoldA, {775, 775, 772, 770, 720, 616, 514, 412, 310}},
    {1, kHorseA, {1195, 1195, 1200, 1200, 1190, 1165, 1130, 1130, 1130}},
    {2, kGoldA, {770, 770, 745, 705, 555, 373, 204, 125, 100}},
    {2, kPawnA, {87, 85, 63, 40, 11, 2, 2, 2, 2}},
};

constexpr StageOffsetTable build_ha() {
  StageOffsetTable t{};
  for (int stage = 1; stage <= 2; ++stage) {
    for (int k = 0; k < kKingKinds; ++k) {
      KingRow level = kKingTableA[k][8];
      for (const GivenStageRow& g : kGivenHa) {
        if (g.stage == stage && g.kind == k) level = g.value;
      }
      const int32_t floor = k == kHorseA ? kHorseFloor : 0;
      for (int dr = -8; dr <= 8; ++dr) t[stage - 1][k][dr + 8] = fall(level, abs_diff(dr, 0), floor);
    }
  }
  return t;
}

constexpr StageOffsetTable build_hb(const StageOffsetTable& ha) {
  StageOffsetTable t{};
  for (int s = 0; s < 2; ++s) {
    for (int k = 0; k < kKingKinds; ++k) {
      for (int i = 0; i < kRankDiffs; ++i) {
        for (int d = 0; d < kFileDists; ++d) t[s][k][i][d] = ha[s][k][kRankDiffs - 1 - i][d] * 4 / 5;
      }
    }
  }
  return t;
}

}  // namespace detail

// Ha[stage - 1][kind][rank difference + 8][file distance], likewise Hb.
inline constexpr StageOffsetTable kStageOffsetHa = detail::build_ha();
inline constexpr StageOffsetTable kStageOffsetHb = detail::build_hb(kStageOffsetHa);

}  // namespace eval
