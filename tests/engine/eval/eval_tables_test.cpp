// The weight object, the stage block and the curve block: every stored value
// the tables are built from, the king-relative formulas checked against their
// parts, and the shapes the stored tables keep.
#include "engine/eval/eval_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/eval/king_table.h"
#include "engine/eval/king_table_data.h"
#include "engine/eval/stage_offset_data.h"

namespace eval {
namespace {

using board::square_of;
using Row = std::vector<int32_t>;

constexpr int kGold = 0, kSilver = 1, kKnight = 2, kLance = 3, kPawn = 4, kHorse = 5;

int kidx(int file, int rank) { return (rank - 1) * 9 + file - 1; }

// The weight object built once for the tests (style 0 with a = 128).
const eval::KEvalWeights& weights() {
  static const eval::KEvalWeights* w = [] {
    auto* block = new eval::KEvalWeights{};
    eval_tables_init(*block, 0x800);
    return block;
  }();
  return *w;
}

Row first(const int32_t* row, int n) { return Row(row, row + n); }
Row row_of(const KingRow& r) { return Row(r.begin(), r.end()); }
Row padded(Row head, int32_t fill) {
  while (head.size() < 18) head.push_back(fill);
  return head;
}

TEST(EvalWeights, StoredValuesAndSplits) {
  const eval::KEvalWeights& w = weights();
  EXPECT_EQ(w.ready, 1);
  EXPECT_EQ(first(w.count_value[0], 18), Row(18, 0));
  EXPECT_EQ(first(w.count_value[1], 3), (Row{1220, 1140, 0}));
  EXPECT_EQ(first(w.count_value[2], 3), (Row{1030, 890, 0}));
  EXPECT_EQ(first(w.count_value[3], 5), (Row{765, 750, 740, 730, 0}));
  EXPECT_EQ(first(w.count_value[4], 5), (Row{660, 650, 640, 630, 0}));
  EXPECT_EQ(first(w.count_value[5], 5), (Row{425, 400, 315, 270, 0}));
  EXPECT_EQ(first(w.count_value[6], 5), (Row{390, 376, 298, 253, 0}));
  EXPECT_EQ(first(w.count_value[7], 18), padded({88, 84, 74, 50, 25, 10, 4}, 2));

  // Splits: the first part is the stored value times the kind's factor, truncated.
  EXPECT_EQ(w.count_split[1][0][0], 767);  // 1220 x 0.629
  EXPECT_EQ(w.count_split[3][1][0], 300);  // 750 x 0.4
  EXPECT_EQ(w.count_split[5][3][0], 156);  // 300 x 0.52
  EXPECT_EQ(w.count_split[6][3][0], 74);   // 285 x 0.262
  EXPECT_EQ(w.count_split[7][0][0], 15);  // 88 x 0.174
  EXPECT_EQ(w.count_split[7][17][0], 0);  // 1 x 0.174
  EXPECT_EQ(w.count_split[7][17][1], 1);
  for (int n = 0; n < 18; ++n) EXPECT_EQ(w.count_split[0][n][0] | w.count_split[0][n][1], 0);

  EXPECT_EQ(first(w.piece_value, 24), (Row{0, 830, 820, 690, 600, 345,  335,  78, 1000000, 0,   0,   0,
                                           0, 0,   0,   0,   0,   1150, 1080, 0,  690,     690, 690, 690}));
  EXPECT_EQ(first(w.distance_weight, 9), (Row{256, 230, 205, 154, 102, 51, 26, 20, 20}));
  EXPECT_EQ(first(w.count_curve, 19), (Row{0, 25, 50, 75, 80, 82, 83, 83, 84, 84, 85, 85, 85, 85, 85, 85, 85, 85, 85}));
  Row curve_b{0, 5, 50, 90};
  curve_b.resize(20, 100);
  EXPECT_EQ(first(w.count_curve_b, 20), curve_b);
}

TEST(EvalWeights, RankBonusMirrorsOnlyTheRankForGote) {
  const int32_t e[9][9] = {{2080, 2090, 2070, 2040, 2040, 2040, 2070, 2090, 2080},
                           {2090, 2100, 2080, 2050, 2050, 2050, 2080, 2100, 2090},
                           {1850, 1900, 1880, 1850, 1850, 1850, 1880, 1900, 1850},
                           {1560, 1620, 1600, 1570, 1570, 1570, 1600, 1620, 1560},
                           {830, 920, 890, 820, 820, 820, 890, 920, 830},
                           {160, 260, 220, 150, 150, 150, 220, 260, 160},
                           {-100, 0, -50, -80, -80, -80, -50, 0, -100},
                           {-100, 0, -50, -100, -140, -100, -50, 0, -100},
                           {-200, -10, -100, -200, -250, -200, -100, -50, -200}};
  const eval::KEvalWeights& w = weights();
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      const int i = square_of(f, r) - board::kFirstSquare;
      EXPECT_EQ(w.rank_bonus[0][i], e[r - 1][f - 1]) << f << r;
      EXPECT_EQ(w.rank_bonus[1][i], e[9 - r][f - 1]) << f << r;
    }
  }
}

TEST(KingTables, GivenRowsOfTheStoredTables) {
  EXPECT_EQ(row_of(kKingTableA[kGold][8]), (Row{770, 770, 745, 700, 555, 373, 160, 72, 5}));
  EXPECT_EQ(row_of(kKingTableA[kGold][7]), (Row{735, 747, 750, 645, 455, 240, 150, 70, 5}));
  EXPECT_EQ(row_of(kKingTableA[kGold][9]), (Row{640, 697, 715, 675, 535, 370, 150, 70, 5}));
  EXPECT_EQ(row_of(kKingTableA[kSilver][8]), (Row{675, 675, 672, 615, 465, 245, 100, 20, 0}));
  EXPECT_EQ(row_of(kKingTableA[kKnight][9]), (Row{400, 393, 250, 171, 110, 65, 20, 19, 0}));
  EXPECT_EQ(row_of(kKingTableA[kLance][8]), (Row{270, 260, 200, 100, 20, 10, 5, 2, 0}));
  EXPECT_EQ(row_of(kKingTableA[kPawn][7]), (Row{128, 128, 98, 50, 21, 2, 0, 0, 0}));
  EXPECT_EQ(row_of(kKingTableA[kHorse][8]), (Row{580, 580, 585, 585, 500, 428, 370, 343, 335}));
  EXPECT_EQ(row_of(kKingTableA[kHorse][0]), (Row{381, 371, 359, 349, 341, 335, 331, 328, 325}));

  EXPECT_EQ(row_of(kStageOffsetHa[0][kGold][8]), (Row{775, 775, 772, 770, 720, 616, 514, 412, 310}));
  EXPECT_EQ(row_of(kStageOffsetHa[0][kHorse][8]), (Row{1195, 1195, 1200, 1200, 1190, 1165, 1130, 1130, 1130}));
  EXPECT_EQ(row_of(kStageOffsetHa[1][kGold][8]), (Row{770, 770, 745, 705, 555, 373, 204, 125, 100}));
  EXPECT_EQ(row_of(kStageOffsetHa[1][kPawn][8]), (Row{87, 85, 63, 40, 11, 2, 2, 2, 2}));
}

// Away from the given rows every row falls toward 0 (the horse's toward 325)
// as the rank difference grows, and along each row far files are worth less
// than near ones; everything fits a 16-bit entry.
void expect_falling(const KingTable& t, int k, int top_lo, int top_hi) {
  const int32_t floor = k == kHorse ? 325 : 0;
  for (int d = 0; d < 9; ++d) {
    for (int i = top_hi + 1; i < 17; ++i) EXPECT_LE(t[k][i][d], t[k][i - 1][d]) << k << " " << i << " " << d;
    for (int i = top_lo - 1; i >= 0; --i) EXPECT_LE(t[k][i][d], t[k][i + 1][d]) << k << " " << i << " " << d;
    for (int i = 0; i < 17; ++i) {
      EXPECT_GE(t[k][i][d], floor);
      EXPECT_LE(t[k][i][d], 32767);
    }
  }
  for (int i = 0; i < 17; ++i) EXPECT_LE(t[k][i][8], t[k][i][0]) << k << " " << i;
}

TEST(KingTables, StoredTablesKeepTheirShape) {
  // The given rank differences: gold -1..1, silver 0, knight +1, lance 0, pawn -1, horse -8..0.
  const int given[6][2] = {{7, 9}, {8, 8}, {9, 9}, {8, 8}, {7, 7}, {0, 8}};
  for (int k = 0; k < 6; ++k) expect_falling(kKingTableA, k, given[k][0], given[k][1]);
  for (int s = 0; s < 2; ++s) {
    for (int k = 0; k < 6; ++k) {
      expect_falling(kStageOffsetHa[s], k, 8, 8);
      for (int i = 0; i < 17; ++i) {
        for (int d = 0; d < 9; ++d) {
          EXPECT_GE(kStageOffsetHb[s][k][i][d], 0);
          EXPECT_LE(kStageOffsetHb[s][k][i][d], 32767);
        }
      }
    }
  }
  for (int n = 0; n < 6; ++n) {
    for (int i = 0; i < 17; ++i) {
      for (int d = 0; d < 9; ++d) EXPECT_GE(kKingTableG[n][i][d], 0);
    }
  }
}

// The stated edge cases of both groups; every class symmetric in files.
TEST(KingTables, EdgeCasesAndFileSymmetry) {
  const eval::KEvalWeights& w = weights();
  // King on rank 9, gold on 58: row -1 meets the larger row 0: B = (735 + 770) / 2.
  EXPECT_EQ(w.king_rel[kidx(5, 9)][kGold][kidx(5, 8)], (15744 * 752) >> 14);
  // King on file 1: a gold two files away reads distance 1 (770, column cut 0).
  EXPECT_EQ(w.king_rel[kidx(1, 5)][kGold][kidx(3, 5)], 770);
  EXPECT_EQ(w.king_rel[kidx(2, 5)][kGold][kidx(4, 5)], 745);
  // Rank losses: a gold on rank 1 keeps 40 %.
  EXPECT_EQ(w.king_rel[kidx(5, 1)][kGold][kidx(5, 1)], ((15744 * 770) >> 14) * 40 / 100);
  // The knight on an edge file reads column cut 38, not the layout column's 5.
  EXPECT_EQ(w.king_rel[kidx(1, 5)][kKnight][kidx(1, 6)], ((16384 - 128 * 38) * 400) >> 14);
  // The second group's knight is 0 on ranks 1 and 2; with the king on an edge
  // file the nearer king's base is averaged in when larger.
  const int edge = king_table_base_b(3, 9, 5, 7, 6), nearer = king_table_base_b(3, 8, 5, 7, 6);
  EXPECT_EQ(king_table_edge_b(9, 5, 7, 6, edge), nearer > edge ? (edge + nearer) / 2 : edge);
  for (int kr = 1; kr <= 9; ++kr) {
    for (int kf = 1; kf <= 9; ++kf) {
      for (int f = 1; f <= 9; ++f) EXPECT_EQ(king_table_value_b(3, kf, kr, f, 1) | king_table_value_b(3, kf, kr, f, 2), 0);
      for (int c = 0; c < board::kKingRelClasses; ++c) {
        for (int q = 0; q < 81; ++q) {
          const int f = q % 9 + 1, r = q / 9 + 1;
          ASSERT_EQ(w.king_rel[kidx(kf, kr)][c][q], w.king_rel[kidx(10 - kf, kr)][c][kidx(10 - f, r)])
              << "class " << c << " king " << kf << kr << " square " << f << r;
          // The second group holds its builder's values.
          if (c >= 6 && c < 12) {
            ASSERT_EQ(w.king_rel[kidx(kf, kr)][c][q], king_table_value_b(c - 6, kf, kr, f, r));
          }
        }
      }
    }
  }
}

// The second group's pawn: x0.85 on ranks 6 to 9, x0.85 once more on an edge
// file that is not the king's, then x0.8 on ranks 5 to 9.
TEST(KingTables, SecondGroupPawnLosesOnFarRanksAndEdgeFiles) {
  constexpr int kPawnB = 4;
  EXPECT_EQ(king_table_shape_b(kPawnB, 5, 5, 5, 5, 1000), 1000);
  EXPECT_EQ(king_table_shape_b(kPawnB, 5, 5, 5, 6, 1000), 850);
  EXPECT_EQ(king_table_shape_b(kPawnB, 5, 5, 4, 9, 1000), 850);
  EXPECT_EQ(king_table_shape_b(kPawnB, 5, 5, 9, 5, 1000), 850);
  EXPECT_EQ(king_table_shape_b(kPawnB, 5, 5, 1, 7, 1000), 722);
  EXPECT_EQ(king_table_shape_b(kPawnB, 1, 5, 1, 7, 1000), 850);  // the king's own edge file
  EXPECT_EQ(king_table_adjust_b(kPawnB, 4, 1000), 1000);
  EXPECT_EQ(king_table_adjust_b(kPawnB, 5, 1000), 800);
  // Every entry: the stored base scaled in that order.
  for (int kr = 1; kr <= 9; ++kr) {
    for (int kf = 1; kf <= 9; ++kf) {
      for (int r = 1; r <= 9; ++r) {
        for (int f = 1; f <= 9; ++f) {
          int v = king_table_base_b(kPawnB, kf, kr, f, r);
          if (r >= 6) v = v * 85 / 100;
          if ((f == 1 || f == 9) && f != kf) v = v * 85 / 100;
          if (r >= 5) v = v * 8 / 10;
          ASSERT_EQ(king_table_value_b(kPawnB, kf, kr, f, r), v) << "king " << kf << kr << " square " << f << r;
        }
      }
    }
  }
}

TEST(StageTables, CountsValuesAndOffsetsByStage) {
  board::KExchangeWeights b{};
  stage_tables_init(0, b);
  EXPECT_EQ(first(b.count_value[0], 3), (Row{1270, 1140, 0}));
  EXPECT_EQ(first(b.count_value[1], 3), (Row{1090, 890, 0}));
  EXPECT_EQ(first(b.count_value[4], 5), (Row{480, 460, 375, 325, 0}));
  EXPECT_EQ(first(b.count_value[5], 5), (Row{400, 385, 305, 260, 0}));
  EXPECT_EQ(first(b.count_value[6], 18), padded({88, 84, 74, 50, 25, 10, 4}, 2));
  EXPECT_EQ(first(b.count_prefix[0], 4), (Row{0, 1270, 2410, 2410}));
  EXPECT_EQ(b.count_prefix[6][17], 88 + 84 + 74 + 50 + 25 + 10 + 4 + 2 * 10);
  EXPECT_EQ(first(b.piece_value, 24), (Row{0, 830, 820, 690, 620, 400,  345,  78, 1000000, 0,   0,   0,
                                           0, 0,   0,   0,   0,   1200, 1130, 0,  690,     690, 690, 690}));
  // The opening reads the endgame's offset rows: same rank, 0..8 files away.
  for (int d = 0; d < 9; ++d) {
    EXPECT_EQ(b.offset_value_a[0][136 + d], kStageOffsetHa[1][kGold][8][d]);
    EXPECT_EQ(b.offset_value_a[0][136 - d], kStageOffsetHa[1][kGold][8][d]);
  }
  EXPECT_EQ(b.offset_value_a[4][136 + 2], 63);
  // One rank back and one file over (offset 17 = +1 rank, +1 file).
  EXPECT_EQ(b.offset_value_a[0][136 + 17], kStageOffsetHa[1][kGold][9][1]);
  EXPECT_EQ(b.offset_value_b[5][136 - 33], kStageOffsetHb[1][kHorse][6][1]);

  stage_tables_init(1, b);
  EXPECT_EQ(first(b.count_value[4], 5), (Row{440, 330, 320, 300, 0}));
  EXPECT_EQ(first(b.count_value[5], 5), (Row{400, 300, 290, 285, 0}));
  EXPECT_EQ(first(b.count_value[6], 18), padded({88, 81, 58, 20, 3}, 1));
  EXPECT_EQ(b.piece_value[1], 680);
  EXPECT_EQ(b.piece_value[2], 820);
  EXPECT_EQ(b.offset_value_a[0][136 + 4], 720);
  EXPECT_EQ(b.offset_value_a[5][136 - 5], 1165);

  stage_tables_init(2, b);
  EXPECT_EQ(b.count_value[6][0], 91);
  EXPECT_EQ(b.count_value[6][1], 81);
  EXPECT_EQ(b.count_value[0][0], 1270);
  EXPECT_EQ(b.piece_value[1], 500);
  EXPECT_EQ(b.piece_value[2], 720);
  EXPECT_EQ(b.offset_value_a[0][136 + 6], 204);
}

TEST(StageCurves, CopyFillsTheCurvesOnly) {
  KStageCurves c;
  std::fill_n(reinterpret_cast<int32_t*>(&c), sizeof c / sizeof(int32_t), kNotComputed);
  stage_curves_copy(c);
  EXPECT_EQ(first(c.curve[0], 9), (Row{11, 11, 9, 8, 7, 6, 1, 0, 0}));
  EXPECT_EQ(first(c.curve[1], 9), (Row{14, 12, 12, 10, 8, 5, 2, 0, -2}));
  EXPECT_EQ(first(c.curve[2], 9), (Row{16, 15, 14, 10, 8, 5, 2, 0, -2}));
  EXPECT_EQ(c.length, 8);
  EXPECT_EQ(first(c.score, 26), Row(26, kNotComputed));
}

}  // namespace
}  // namespace eval
