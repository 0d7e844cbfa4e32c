// The stored values of the per-game root block: the two blended curves, the
// silver-placement table in its two variants, the per-code rules of the root
// table adjustment and the pawn-behind row. The placement table is stored as
// gote reads it (board file and rank as they are); sente reads it turned by 180
// degrees. Its first variant keeps a fixed centre file and loses a little per
// file toward the edges; the second, for the castles that keep a silver beside
// a king in the left corner, adds a bonus around that corner.
#pragma once

#include <array>
#include <cstdint>

#include "engine/eval/senkei_set.h"

namespace eval {

// The curve the root block starts from (length 3) and the one it blends toward
// while the pieces are still near their home squares (length 8).
inline constexpr int32_t kRootCurveDeveloped[9] = {11, 11, 9, 8, 5, 2, -5, -9, -20};
inline constexpr int32_t kRootCurveDevelopedLength = 3;
inline constexpr int32_t kRootCurveHome[9] = {11, 11, 9, 8, 7, 6, 1, 0, 0};
inline constexpr int32_t kRootCurveHomeLength = 8;
// The home distance at which the first curve holds alone.
inline constexpr int32_t kRootCurveSpan = 16;

// The pawn-behind row by rank 1..9; sente reads it as is, gote reversed.
inline constexpr int32_t kRootRow[9] = {0, 0, 4, 7, 40, 30, 9, 3, 0};

// The centre file (5) of the first variant by rank 1..9, and what each file
// step away from it costs.
inline constexpr int32_t kRootCentreFile[9] = {-50, -38, -30, -19, -5, 8, -3, -19, -35};
inline constexpr int32_t kRootFileStep = 3;
// The second variant's corner bonus: its peak square (file, rank as stored) and
// the peak, less kRootCornerStep per king step away from it.
inline constexpr int kRootCornerFile = 2, kRootCornerRank = 2;
inline constexpr int32_t kRootCornerPeak = 12, kRootCornerStep = 6;

constexpr int root_abs(int v) { return v < 0 ? -v : v; }

// Placement table [variant][rank - 1][file - 1] in the stored (gote's) view.
using RootPlacement = std::array<std::array<std::array<int32_t, 9>, 9>, 2>;
inline constexpr RootPlacement kRootPlacement = [] {
  RootPlacement t{};
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      const int32_t first = kRootCentreFile[r - 1] - kRootFileStep * root_abs(f - 5);
      const int steps = root_abs(f - kRootCornerFile) > root_abs(r - kRootCornerRank) ? root_abs(f - kRootCornerFile)
                                                                                      : root_abs(r - kRootCornerRank);
      const int32_t corner = steps * kRootCornerStep < kRootCornerPeak ? kRootCornerPeak - steps * kRootCornerStep : 0;
      t[0][r - 1][f - 1] = first;
      t[1][r - 1][f - 1] = first + corner;
    }
  }
  return t;
}();

// Codes that read the second variant: ひだり美濃 and いびあな.
constexpr bool root_uses_second_variant(int code) { return code == 7 || code == 8; }

// Codes whose placement table is damped while their plan has the rook away
// from the right-hand side: the ranging-rook strategies (四間美濃, 攻向飛車,
// 相振金無双, 振飛車穴熊, 筋違い角, 力戦中飛車, 振り穴３八金).
inline constexpr uint32_t kRootRangingCodes = senkei_bit(3) | senkei_bit(4) | senkei_bit(6) | senkei_bit(9) |
                                             senkei_bit(11) | senkei_bit(17) | senkei_bit(19);

// A castle bonus: the code, the square in sente's view and the amount.
struct RootCastleBonus {
  int8_t code;
  int8_t file;
  int8_t rank;
  int8_t amount;
};

// The silver squares of each castle (and the squares it should leave), within
// -10..+12.
inline constexpr RootCastleBonus kRootCastleBonus[] = {
    {0, 6, 8, 5},    {0, 5, 7, 3},                                   // 未決定: plain development
    {2, 7, 7, 10},   {2, 4, 7, 8},   {2, 5, 6, 6},                   // 角換わり: 77, 47, the sitting silver
    {5, 5, 7, 8},    {5, 4, 6, 10},  {5, 3, 5, 6},  {5, 7, 9, -6},   // 舟囲い急戦: the rapid silver
    {8, 8, 8, 12},   {8, 7, 9, 6},   {8, 5, 7, -6},                  // いびあな: beside the king
    {10, 3, 8, 8},   {10, 7, 8, 8},                                  // 中住まい: both wings
    {12, 6, 7, 6},   {12, 4, 7, 6},  {12, 5, 6, 4},                  // ２枚落上手: silvers up
    {17, 3, 8, 10},  {17, 4, 7, 6},  {17, 7, 9, -8},                 // 力戦中飛車: the mino silver
    {21, 5, 8, 12},  {21, 4, 7, 6},  {21, 7, 9, -10},                // カダル玉
};
// The code whose table is cut to a third before its bonuses.
inline constexpr int kRootDampedCastleCode = 21;

}  // namespace eval
