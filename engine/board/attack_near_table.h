// The squares near a target from which a gold-like piece or a silver steps to
// attack it, and where it steps: the check generator's near table for those
// classes without its two rows whose from-square is diagonally behind-beside
// the target (+15, +17), built from that table so the two cannot drift apart.
// Offsets are written for sente (gote negates them). Internal to the targeted
// generators.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board/check_tables.h"

namespace board::detail {

constexpr int kAttackNearRows = 21;

struct AttackNearRow {
  int8_t from;
  int8_t gold[4];       // destinations of a gold-like piece, ending at the first 0
  int8_t silver[2][4];  // of a silver, unpromoted [0] and promoting [1]
};

inline constexpr std::array<AttackNearRow, kAttackNearRows> kAttackNearTable = [] {
  std::array<AttackNearRow, kAttackNearRows> t{};
  int r = 0;
  for (const NearRow& row : oute_near_table) {
    if (row.from == 15 || row.from == 17) continue;
    AttackNearRow& a = t[r++];
    a.from = row.from;
    for (int i = 0; i < 4; ++i) {
      a.gold[i] = row.dest[kNearGold][0][i];
      a.silver[0][i] = row.dest[kNearSilver][0][i];
      a.silver[1][i] = row.dest[kNearSilver][1][i];
    }
  }
  return t;
}();

}  // namespace board::detail
