// The strategy square tables: the per-code tables, the base values the rows
// fix, the fill with gote's half turned, the base reader and the dispatcher.
#include "engine/eval/senkei_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "../board/model_positions.h"
#include "engine/eval/senkei_base_table.h"

namespace eval {
namespace {

using board::square_of;
using model::kFu, model::kGin, model::kKin, model::kKaku, model::kOu;
using model::testing::gote;

constexpr int kRook = 0, kSilver = 3, kPawn = 6, kKing = 7, kMajorPromoted = 8;

int32_t cell(int side, int layer, int file, int rank) {
  return board::senkei_current->cell[side][layer][square_of(file, rank) - board::kFirstSquare];
}

int32_t base(int row, int layer, int file, int rank) { return senkei_base_cell(row, 0, layer, file, rank); }

TEST(SenkeiCodes, RowsAndFlagsForEveryCode) {
  const int rows[32] = {0,  1,  2,  3,  -1, 5,  6,  7,  8,  9,  10, -1, 12, -1, 14, -1,
                        16, -1, 18, -1, -1, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  for (int c = 0; c < 32; ++c) {
    EXPECT_EQ(senkei_row_index(c), rows[c]) << c;
    EXPECT_EQ(senkei_furibisha_flag(c), c == 3 || c == 4 || c == 9 || c == 11 || c == 17) << c;
    EXPECT_EQ(senkei_taifuri_flag(c), c == 5 || c == 7 || c == 8 || c == 20) << c;
  }
  for (int c : {-1, 32, 1000}) {
    EXPECT_EQ(senkei_row_index(c), -1);
    EXPECT_FALSE(senkei_furibisha_flag(c));
    EXPECT_FALSE(senkei_taifuri_flag(c));
  }
}

TEST(SenkeiBase, ValuesTheRowsFix) {
  for (int row : {0, 1, 3}) {
    for (int f = 1; f <= 9; ++f) {
      EXPECT_NEAR(base(row, kKing, f, 1), 1000, 50);
      EXPECT_NEAR(base(row, kKing, f, 2), 1000, 50);
      EXPECT_GE(base(row, kKing, f, 3), 770);
      EXPECT_LE(base(row, kKing, f, 3), 800);
      EXPECT_EQ(base(row, kKing, f, 4), 200);
      EXPECT_EQ(base(row, kKing, f, 5), -250);
      EXPECT_EQ(base(row, kKing, f, 6), -150);
    }
  }
  // Castle squares: yagura's best at 88, then 89 and 79; mino's at 28, 39, 38.
  EXPECT_EQ(base(1, kKing, 8, 8), 18);
  EXPECT_EQ(base(1, kKing, 8, 9), 10);
  EXPECT_EQ(base(1, kKing, 7, 9), 10);
  EXPECT_EQ(base(3, kKing, 2, 8), 18);
  EXPECT_EQ(base(3, kKing, 3, 9), 9);
  EXPECT_EQ(base(3, kKing, 3, 8), 7);
  EXPECT_EQ(base(3, kKing, 1, 7), -140);
  for (int r = 7; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      const int sq = f * 10 + r;
      if (sq != 88 && sq != 89 && sq != 79) {
        EXPECT_LT(base(1, kKing, f, r), 10) << sq;
      }
      if (sq != 28 && sq != 39 && sq != 38) {
        EXPECT_LT(base(3, kKing, f, r), 7) << sq;
      }
      if (r >= 8) {
        EXPECT_EQ(base(0, kKing, f, r), 0) << sq;
      }
    }
  }
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      if (r <= 3) {
        EXPECT_EQ(base(3, kRook, f, r), 190);
      } else {
        EXPECT_GE(base(3, kRook, f, r), -49);
        EXPECT_LE(base(3, kRook, f, r), -12);
      }
      const bool edge = f == 1 || f == 9;
      if (edge && r == 4) {
        EXPECT_EQ(base(0, kPawn, f, r), 7);
      } else if (edge && r >= 2) {
        EXPECT_GE(base(0, kPawn, f, r), -45);
        EXPECT_LE(base(0, kPawn, f, r), -13);
      } else {
        EXPECT_EQ(base(0, kPawn, f, r), 0);
      }
      for (int row = 0; row < kSenkeiBaseRows; ++row) EXPECT_EQ(base(row, kMajorPromoted, f, r), 0);
    }
  }
  // The block is stored as a diagram: rank 1 first, file 9 at the left.
  EXPECT_EQ(senkei_base_table.block[1][0][kKing][(8 - 1) * 9 + (9 - 8)], 18);
}

TEST(SenkeiFill, TwiceTheSameCellsAndGoteTurned) {
  const int32_t codes[2] = {1, 1};
  board::KSenkeiTable a{};
  senkei_tables_fill(a, 0, codes);
  board::KSenkeiTable b = a;
  senkei_tables_fill(b, 0, codes);
  EXPECT_EQ(b.fill_count, 2u);
  EXPECT_EQ(std::memcmp(a.cell, b.cell, sizeof a.cell), 0);

  senkei_tables_init(0, codes);
  EXPECT_EQ(board::senkei_current, &senkei_table);
  EXPECT_EQ(cell(1, kKing, 2, 2), 18);
  EXPECT_EQ(cell(0, kKing, 8, 8), 18);
  for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
    for (int r = 1; r <= 9; ++r) {
      for (int f = 1; f <= 9; ++f) ASSERT_EQ(cell(1, layer, 10 - f, 10 - r), cell(0, layer, f, r));
    }
  }

  // Gote's half comes from gote's own row; codes without a row (and past 31) read row 0.
  const int32_t mixed[2] = {3, 1};
  senkei_tables_fill(a, 0, mixed);
  EXPECT_EQ(a.cell[0][kKing][square_of(2, 8) - board::kFirstSquare], 18);
  EXPECT_EQ(a.cell[1][kKing][square_of(2, 2) - board::kFirstSquare], 18);
  const int32_t rowless[2] = {4, 32};
  const int32_t undecided[2] = {0, 0};
  senkei_tables_fill(a, 0, rowless);
  senkei_tables_fill(b, 0, undecided);
  EXPECT_EQ(std::memcmp(a.cell, b.cell, sizeof a.cell), 0);
}

TEST(SenkeiFill, BaseValueReader) {
  EXPECT_EQ(king_table_value(1, 0, board::kKing | board::kSenteBit, square_of(8, 8)), 18);
  EXPECT_EQ(king_table_value(1, 0, board::kKing | board::kGoteBit, square_of(8, 8)), 18);  // sente's view either way
  EXPECT_EQ(king_table_value(3, 0, board::kRook, square_of(5, 2)), 190);
  EXPECT_EQ(king_table_value(20, 0, board::kPawn, square_of(1, 4)), 7);  // no row: row 0
  EXPECT_EQ(king_table_value(1, 0, board::kTokin, square_of(8, 8)), base(1, 2, 8, 8));
  EXPECT_EQ(king_table_value(1, 0, 0, square_of(8, 8)), 0);             // no layer
  EXPECT_EQ(king_table_value(1, 3, board::kKing, square_of(8, 8)), 0);  // no such variant
  EXPECT_EQ(king_table_value(1, 0, board::kKing, square_of(0, 8)), 0);  // off the board
}

board::KPosition load(const model::Kyokumen& k) {
  board::KPosition p;
  EXPECT_EQ(driver::position_load(p, k), 0);
  return p;
}

// Fills for the codes and dispatches on the position; returns the change of
// one cell against the plain fill.
struct Dispatched {
  board::KSenkeiTable filled;
  Dispatched(const board::KPosition& p, int32_t sente, int32_t gote_code) {
    const int32_t codes[2] = {sente, gote_code};
    senkei_tables_init(0, codes);
    filled = senkei_table;
    senkei_dispatch(p, codes);
  }
  int32_t change(int side, int layer, int file, int rank) const {
    const int i = square_of(file, rank) - board::kFirstSquare;
    return senkei_table.cell[side][layer][i] - filled.cell[side][layer][i];
  }
};

TEST(SenkeiDispatch, BishopPawnAndSilverRules) {
  // The even start: both bishops at home lower the pawn cell in front of them,
  // also for a code without a builder.
  const board::KPosition start = load(model::testing::initial(0));
  Dispatched even(start, 12, 12);
  EXPECT_EQ(even.change(0, kPawn, 7, 7), -8);
  EXPECT_EQ(even.change(1, kPawn, 3, 3), -8);
  EXPECT_EQ(
      std::memcmp(even.filled.cell[0][kSilver], senkei_table.cell[0][kSilver], sizeof senkei_table.cell[0][kSilver]),
      0);

  // Bishop exchange with sente's silvers on 77 and 68: sente's silver 67 gains 10.
  board::testing::Scene s;
  s.Put(6, 9, kOu).Put(7, 7, kGin).Put(6, 8, kGin).Put(4, 1, gote(kOu)).Put(3, 3, gote(kGin));
  const board::KPosition silvers = s.Load();
  Dispatched kaku(silvers, 2, 2);
  EXPECT_EQ(kaku.change(0, kSilver, 6, 7), 10);
  EXPECT_EQ(kaku.change(1, kSilver, 4, 3), 0);
  EXPECT_EQ(kaku.change(0, kPawn, 7, 7), 0);  // no bishop at home
  Dispatched ranging(silvers, 3, 2);          // a ranging-rook code takes the common builder instead
  EXPECT_EQ(ranging.change(0, kSilver, 6, 7), 0);
  s.Put(4, 2, gote(kGin));
  Dispatched both(s.Load(), 1, 2);
  EXPECT_EQ(both.change(0, kSilver, 6, 7), 10);
  EXPECT_EQ(both.change(1, kSilver, 4, 3), 10);
}

TEST(SenkeiDispatch, KadalKingRule) {
  board::testing::Scene s;
  s.Put(6, 9, kOu).Put(5, 2, gote(kOu)).Put(2, 2, gote(kKaku)).Put(5, 9, kKin);
  Dispatched d(s.Load(), 21, 12);
  const int pawn_loss[10] = {0, 0, 0, 0, 0, 2, 8, 10, 10, 10};
  for (int r = 5; r <= 9; ++r) EXPECT_EQ(d.change(0, kPawn, 5, r), -pawn_loss[r]) << r;
  EXPECT_EQ(d.change(0, kSilver, 4, 8), 0);  // a gold stands on 59
  for (int r = 1; r <= 8; ++r) EXPECT_EQ(d.change(1, kPawn, 8, r), -15) << r;
  EXPECT_EQ(d.change(1, kPawn, 8, 9), 0);
  EXPECT_EQ(d.change(1, kSilver, 2, 2), 20);

  // Gote's rule on the turned squares: gote's king on 41, sente's king on 58.
  board::testing::Scene t;
  t.Put(4, 1, gote(kOu)).Put(6, 8, kOu);
  Dispatched g(t.Load(), 12, 21);
  EXPECT_EQ(g.change(1, kPawn, 5, 1), -7);
  EXPECT_EQ(g.change(1, kPawn, 5, 5), -2);
  EXPECT_EQ(g.change(1, kSilver, 6, 2), -10);
  EXPECT_EQ(g.change(0, kPawn, 2, 9), -15);
  EXPECT_EQ(g.change(0, kPawn, 2, 1), 0);
  EXPECT_EQ(g.change(0, kSilver, 8, 8), 0);  // no sente bishop on 88

  // Not on 69: nothing.
  Dispatched none(load(model::testing::initial(0)), 21, 21);
  EXPECT_EQ(none.change(1, kPawn, 2, 5), 0);
  EXPECT_EQ(none.change(0, kPawn, 5, 7), 0);
}

TEST(SenkeiDispatch, NothingWithoutATable) {
  board::senkei_current = nullptr;
  const int32_t codes[2] = {21, 2};
  senkei_dispatch(load(model::testing::initial(0)), codes);
  EXPECT_EQ(board::senkei_current, nullptr);
}

}  // namespace
}  // namespace eval
