// The strategy square tables: the per-code tables, the base values the rows
// fix, the fill with gote's half turned, the base reader and the dispatcher.
#include "engine/eval/senkei_table.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/eval/eval_setup.h"
#include "engine/eval/senkei_base_table.h"
#include "tests/engine/board/model_positions.h"

namespace eval {
namespace {

using board::square_of;
using board::testing::load;
using board::testing::scene;

constexpr int kRook = 0, kSilver = 3, kPawn = 6, kKing = 7, kMajorPromoted = 8;

int32_t base(int row, int layer, int file, int rank) { return senkei_base_cell(row, 0, layer, file, rank); }

TEST(SenkeiCodes, RowsAndFlagsForEveryCode) {
  const int rows[32] = {0,  1,  2,  3,  -1, 5,  6,  7,  8,  9,  10, -1, 12, -1, 14, -1,
                        16, -1, 18, -1, -1, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  for (int c = -1; c <= 32; ++c) {
    EXPECT_EQ(senkei_row_index(c), c >= 0 && c < 32 ? rows[c] : -1) << c;
    EXPECT_EQ(senkei_furibisha_flag(c), c == 3 || c == 4 || c == 9 || c == 11 || c == 17) << c;
    EXPECT_EQ(senkei_taifuri_flag(c), c == 5 || c == 7 || c == 8 || c == 20) << c;
  }
}

TEST(SenkeiBase, ValuesTheRowsFix) {
  // Castle squares: yagura's best at 88, then 89 and 79; mino's at 28, 39, 38.
  EXPECT_EQ(base(1, kKing, 8, 8), 18);
  EXPECT_EQ(base(1, kKing, 8, 9), 10);
  EXPECT_EQ(base(1, kKing, 7, 9), 10);
  EXPECT_EQ(base(3, kKing, 2, 8), 18);
  EXPECT_EQ(base(3, kKing, 3, 9), 9);
  EXPECT_EQ(base(3, kKing, 3, 8), 7);
  EXPECT_EQ(base(3, kKing, 1, 7), -140);
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      const int sq = f * 10 + r;
      for (int row : {0, 1, 3}) {
        const int v = base(row, kKing, f, r);
        if (r <= 2) {
          EXPECT_NEAR(v, 1000, 50);
        }
        if (r == 3) {
          EXPECT_TRUE(v >= 770 && v <= 800) << sq;
        }
        if (r >= 4 && r <= 6) {
          EXPECT_EQ(v, r == 4 ? 200 : r == 5 ? -250 : -150);
        }
      }
      if (r >= 7) {
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
      const int rook = base(3, kRook, f, r);
      EXPECT_TRUE(r <= 3 ? rook == 190 : rook >= -49 && rook <= -12) << sq;
      const int pawn = base(0, kPawn, f, r);
      const bool edge = f == 1 || f == 9;
      EXPECT_TRUE(edge && r == 4 ? pawn == 7 : edge && r >= 2 ? pawn >= -45 && pawn <= -13 : pawn == 0) << sq;
      for (int row = 0; row < kSenkeiBaseRows; ++row) EXPECT_EQ(base(row, kMajorPromoted, f, r), 0);
    }
  }
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
  EXPECT_EQ(board::eval_links.senkei_current, &eval_setup.senkei_table);
  auto cell = [](const board::KSenkeiTable& t, int side, int layer, int f, int r) {
    return t.cell[side][layer][square_of(f, r) - board::kFirstSquare];
  };
  EXPECT_EQ(cell(eval_setup.senkei_table, 0, kKing, 8, 8), 18);
  for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
    for (int r = 1; r <= 9; ++r) {
      for (int f = 1; f <= 9; ++f) {
        ASSERT_EQ(cell(eval_setup.senkei_table, 1, layer, 10 - f, 10 - r),
                  cell(eval_setup.senkei_table, 0, layer, f, r));
      }
    }
  }

  // Gote's half comes from gote's own row; codes without a row (and past 31) read row 0.
  const int32_t mixed[2] = {3, 1}, rowless[2] = {4, 32}, undecided[2] = {0, 0};
  senkei_tables_fill(a, 0, mixed);
  EXPECT_EQ(cell(a, 0, kKing, 2, 8), 18);
  EXPECT_EQ(cell(a, 1, kKing, 2, 2), 18);
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

// The change of each listed cell (side, layer, file * 10 + rank) after the
// dispatch against the plain fill for the codes.
struct Dispatched {
  board::KSenkeiTable filled;
  Dispatched(const char* text, int32_t sente, int32_t gote_code) {
    const int32_t codes[2] = {sente, gote_code};
    senkei_tables_init(0, codes);
    filled = eval_setup.senkei_table;
    senkei_dispatch(text ? load(scene(text)) : load(model::testing::initial(0)), codes);
  }
  int32_t change(int side, int layer, int fr) const {
    const int i = square_of(fr / 10, fr % 10) - board::kFirstSquare;
    return eval_setup.senkei_table.cell[side][layer][i] - filled.cell[side][layer][i];
  }
};

TEST(SenkeiDispatch, BishopPawnAndSilverRules) {
  // The even start: both bishops at home lower the pawn cell in front of them,
  // also for a code without a builder; silvers untouched.
  const Dispatched even(nullptr, 12, 12);
  EXPECT_EQ(even.change(0, kPawn, 77), -8);
  EXPECT_EQ(even.change(1, kPawn, 33), -8);
  EXPECT_EQ(std::memcmp(even.filled.cell[0][kSilver], eval_setup.senkei_table.cell[0][kSilver],
                        sizeof eval_setup.senkei_table.cell[0][0]),
            0);
  // Bishop exchange with sente's silvers on 77 and 68: sente's silver 67 gains
  // 10; a ranging-rook code takes the common builder instead.
  const Dispatched kaku("K69 S77 S68 k41 s33", 2, 2);
  EXPECT_EQ(kaku.change(0, kSilver, 67), 10);
  EXPECT_EQ(kaku.change(1, kSilver, 43), 0);
  EXPECT_EQ(kaku.change(0, kPawn, 77), 0);  // no bishop at home
  EXPECT_EQ(Dispatched("K69 S77 S68 k41 s33", 3, 2).change(0, kSilver, 67), 0);
  const Dispatched both("K69 S77 S68 k41 s33 s42", 1, 2);
  EXPECT_EQ(both.change(0, kSilver, 67), 10);
  EXPECT_EQ(both.change(1, kSilver, 43), 10);
}

TEST(SenkeiDispatch, KadalKingRule) {
  const Dispatched d("K69 k52 b22 G59", 21, 12);
  const int pawn_loss[10] = {0, 0, 0, 0, 0, 2, 8, 10, 10, 10};
  for (int r = 5; r <= 9; ++r) EXPECT_EQ(d.change(0, kPawn, 50 + r), -pawn_loss[r]) << r;
  EXPECT_EQ(d.change(0, kSilver, 48), 0);  // a gold stands on 59
  for (int r = 1; r <= 9; ++r) EXPECT_EQ(d.change(1, kPawn, 80 + r), r < 9 ? -15 : 0) << r;
  EXPECT_EQ(d.change(1, kSilver, 22), 20);

  // Gote's rule on the turned squares: gote's king on 41, sente's king on 68.
  const Dispatched g("k41 K68", 12, 21);
  EXPECT_EQ(g.change(1, kPawn, 51), -7);
  EXPECT_EQ(g.change(1, kPawn, 55), -2);
  EXPECT_EQ(g.change(1, kSilver, 62), -10);
  EXPECT_EQ(g.change(0, kPawn, 29), -15);
  EXPECT_EQ(g.change(0, kPawn, 21), 0);
  EXPECT_EQ(g.change(0, kSilver, 88), 0);  // no sente bishop on 88

  // Not on 69: nothing.
  const Dispatched none(nullptr, 21, 21);
  EXPECT_EQ(none.change(1, kPawn, 25), 0);
  EXPECT_EQ(none.change(0, kPawn, 57), 0);

  // Without a table the dispatcher does nothing.
  board::eval_links.senkei_current = nullptr;
  const int32_t codes[2] = {21, 2};
  senkei_dispatch(load(model::testing::initial(0)), codes);
  EXPECT_EQ(board::eval_links.senkei_current, nullptr);
}

}  // namespace
}  // namespace eval
