// The stored values of the evaluation tables: per-count values of pieces, the
// factors that split them, material values by kind code, the rank-and-file
// bonus table, the curves and the per-stage counts. eval_tables.cpp copies
// them into the weight object and the stage block.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "engine/board/exchange_values.h"

namespace eval {

using CountRow = std::array<int32_t, board::kCountEntries>;

// A per-count row: the listed values, then the last one repeated to the end
// when `repeat` is set, else zeros.
constexpr CountRow count_row(std::initializer_list<int32_t> values, bool repeat = false) {
  CountRow row{};
  int n = 0;
  int32_t last = 0;
  for (int32_t v : values) row[n++] = last = v;
  for (; repeat && n < board::kCountEntries; ++n) row[n] = last;
  return row;
}

// Rows by kind: 0 king, then rook, bishop, gold, silver, knight, lance, pawn.
using CountTable = std::array<CountRow, board::kCountRows>;

inline constexpr CountTable kCountValue = {
    count_row({}),
    count_row({1220, 1140}),
    count_row({1030, 890}),
    count_row({765, 750, 740, 730}),
    count_row({660, 650, 640, 630}),
    count_row({425, 400, 315, 270}),
    count_row({390, 376, 298, 253}),
    count_row({88, 84, 74, 50, 25, 10, 4, 2}, true),
};

// The values split into two components, and the first component's share in
// thousandths by kind.
inline constexpr CountTable kCountSplitSource = {
    count_row({}),
    count_row({1220, 1140}),
    count_row({1030, 890}),
    count_row({765, 750, 740, 730}),
    count_row({680, 670, 660, 650}),
    count_row({440, 330, 320, 300}),
    count_row({400, 300, 290, 285}),
    count_row({88, 59, 35, 17, 3, 1}, true),
};
inline constexpr int32_t kSplitShare[board::kCountRows] = {0, 629, 454, 400, 400, 520, 262, 174};

// Material value by kind code 0..23.
inline constexpr std::array<int32_t, board::kPieceCodes> kPieceValue = {
    0, 830, 820, 690, 600, 345, 335, 78, 1000000, 0, 0, 0, 0, 0, 0, 0, 0, 1150, 1080, 0, 690, 690, 690, 690};

inline constexpr int32_t kDistanceWeight[9] = {256, 230, 205, 154, 102, 51, 26, 20, 20};

inline constexpr std::array<int32_t, 19> kCountCurve = {0,  25, 50, 75, 80, 82, 83, 83, 84, 84,
                                                        85, 85, 85, 85, 85, 85, 85, 85, 85};

inline constexpr std::array<int32_t, 20> kCountCurveB = {0,   5,   50,  90,  100, 100, 100, 100, 100, 100,
                                                         100, 100, 100, 100, 100, 100, 100, 100, 100, 100};

// Rank-and-file bonus E[rank - 1][file - 1] in sente's view.
inline constexpr int32_t kRankBonus[9][9] = {
    {2080, 2090, 2070, 2040, 2040, 2040, 2070, 2090, 2080},
    {2090, 2100, 2080, 2050, 2050, 2050, 2080, 2100, 2090},
    {1850, 1900, 1880, 1850, 1850, 1850, 1880, 1900, 1850},
    {1560, 1620, 1600, 1570, 1570, 1570, 1600, 1620, 1560},
    {830, 920, 890, 820, 820, 820, 890, 920, 830},
    {160, 260, 220, 150, 150, 150, 220, 260, 160},
    {-100, 0, -50, -80, -80, -80, -50, 0, -100},
    {-100, 0, -50, -100, -140, -100, -50, 0, -100},
    {-200, -10, -100, -200, -250, -200, -100, -50, -200},
};

// Per-count values by stage (rows rook .. pawn, no king row).
using StageCountTable = std::array<CountRow, board::kCountRows - 1>;

inline constexpr StageCountTable kStageCountOpening = {
    count_row({1270, 1140}),
    count_row({1090, 890}),
    count_row({765, 750, 740, 730}),
    count_row({680, 670, 660, 650}),
    count_row({480, 460, 375, 325}),
    count_row({400, 385, 305, 260}),
    count_row({88, 84, 74, 50, 25, 10, 4, 2}, true),
};

// Stages 1 and 2 change the knight, the lance and the pawn, and stage 2 the
// first pawn once more.
constexpr StageCountTable stage_count_table(int stage) {
  StageCountTable t = kStageCountOpening;
  if (stage == 0) return t;
  t[4] = count_row({440, 330, 320, 300});
  t[5] = count_row({400, 300, 290, 285});
  t[6] = count_row({stage == 2 ? 91 : 88, 81, 58, 20, 3, 1}, true);
  return t;
}

// Material values of the stage block; the rook and the stage-2 bishop by stage.
constexpr std::array<int32_t, board::kPieceCodes> stage_piece_values(int stage) {
  constexpr int32_t kRook[3] = {830, 680, 500};
  std::array<int32_t, board::kPieceCodes> v = {0, 0, 820, 690, 620, 400, 345, 78, 1000000, 0, 0, 0,
                                               0, 0, 0,   0,   0,   1200, 1130, 0, 690, 690, 690, 690};
  v[board::kRook] = kRook[stage];
  if (stage == 2) v[board::kBishop] = 720;
  return v;
}

// The three curves of the stage curve block and its length word.
inline constexpr int32_t kStageCurves[3][9] = {
    {11, 11, 9, 8, 7, 6, 1, 0, 0},
    {14, 12, 12, 10, 8, 5, 2, 0, -2},
    {16, 15, 14, 10, 8, 5, 2, 0, -2},
};
inline constexpr int32_t kStageCurveLength = 8;

}  // namespace eval
