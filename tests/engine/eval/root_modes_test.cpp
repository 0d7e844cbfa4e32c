// The root preparation: the curve blended by home distance, the silver
// placement tables (stored for gote, turned for sente) and their adjustments by
// golds and ranging-rook codes, the pawn-behind rows, the root globals and the
// pointers the board's readers follow.
#include "engine/eval/root_modes.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/eval/eval_tables.h"
#include "engine/eval/root_globals.h"
#include "engine/eval/root_weights.h"
#include "engine/eval/senkei_table.h"
#include "tests/engine/board/model_positions.h"

namespace eval {
namespace {

using board::square_of;
using model::kFu, model::kHi, model::kKin, model::kNariGin, model::kOu;
using model::testing::gote;
using Row = std::vector<int32_t>;  // also a side's table: 81 entries by (rank - 1) x 9 + (file - 1)

board::KPosition even_start() {
  model::Kyokumen k;
  k.Init(model::kHirate);
  board::KPosition p;
  EXPECT_EQ(driver::position_load(p, k), 0);
  return p;
}

// Kings on the squares written file * 10 + rank.
board::testing::Scene kings(int sente_king = 59, int gote_king = 51) {
  return board::testing::Scene().Put(sente_king / 10, sente_king % 10, kOu).Put(gote_king / 10, gote_king % 10, gote(kOu));
}

// Prepares the evaluation for the position and codes; one side's table.
Row prepared(const board::KPosition& p, int32_t c0, int32_t c1, int side = 0) {
  const int32_t codes[2] = {c0, c1};
  eval_root_prepare(p, codes, 0x800);
  Row t;
  for (int sq = square_of(1, 1); sq <= square_of(9, 9); ++sq) {
    if (board::is_playing_square(sq)) t.push_back(eval_weight_block.root.root_square[side][sq - 20]);
  }
  return t;
}

Row scaled(Row t, int num, int den) {
  for (int32_t& v : t) v = v * num / den;
  return t;
}

int32_t at(const Row& t, int file, int rank) { return t[(rank - 1) * 9 + file - 1]; }

TEST(RootPrepare, CurveRowsGlobalsAndPointers) {
  const board::KEvalRootBlock& root = eval_weight_block.root;
  const board::KPosition p = even_start();
  prepared(p, 3, 1);
  EXPECT_EQ(Row(root.curve, root.curve + 9), (Row{11, 11, 9, 8, 7, 6, 1, 0, 0}));
  EXPECT_EQ(root.curve_length, 8);
  EXPECT_EQ(Row(root.row[0], root.row[0] + 9), (Row{0, 0, 4, 7, 40, 30, 9, 3, 0}));
  for (int r = 1; r <= 9; ++r) EXPECT_EQ(eval_root_row(1, r), eval_root_row(0, 10 - r));
  EXPECT_EQ(eval_root_row(0, 10), 0);
  EXPECT_EQ(root_senkei[0], 3);
  EXPECT_EQ(root_senkei[1], 1);
  EXPECT_EQ(root_yagura, 1);
  EXPECT_EQ(board::eval_weights, &eval_weight_block);
  EXPECT_EQ(board::senkei_current, &senkei_table);
  const int32_t no_yagura[2] = {2, 3};
  EXPECT_EQ(eval_codes_yagura(p, no_yagura), 0);

  // Sente's king on 5五 (4 from home) and golds on 4一 and 6一 (8 each).
  prepared(kings(55, 19).Put(4, 1, kKin).Put(6, 1, kKin).Load(), 0, 0);
  EXPECT_EQ(Row(root.curve, root.curve + 9), (Row{11, 11, 9, 8, 5, 2, -5, -9, -20}));
  EXPECT_EQ(root.curve_length, 3);
  // Halfway each entry and the length are truncated toward zero (-4.5 to -4).
  board::KEvalRootBlock half{};
  root_curve_blend(half, 8);
  EXPECT_EQ(Row(half.curve, half.curve + 9), (Row{11, 11, 9, 8, 6, 4, -2, -4, -10}));
  EXPECT_EQ(half.curve_length, 5);

  board::senkei_current = nullptr;
  eval_setup_stage(p, 1, no_yagura);
  EXPECT_EQ(board::senkei_current, &senkei_table);
  EXPECT_EQ(board::eval_stage_tables, &eval_stage_block);
  EXPECT_EQ(eval_stage_block.piece_value[board::kRook], 680);
  EXPECT_EQ(stage_curves.length, 8);
}

TEST(RootTables, StoredForGoteTurnedForSente) {
  const board::KPosition p = even_start();
  constexpr int32_t kCentreFile[9] = {-50, -38, -30, -19, -5, 8, -3, -19, -35};
  for (int32_t code : {1, 7}) {
    const Row sente = prepared(p, code, code, 0), gote_table = prepared(p, code, code, 1);
    for (int r = 1; r <= 9; ++r) {
      if (code == 1) {
        EXPECT_EQ(at(gote_table, 5, r), kCentreFile[r - 1]);
      }
      for (int f = 1; f <= 9; ++f) EXPECT_EQ(at(sente, f, r), at(gote_table, 10 - f, 10 - r));
    }
  }
  EXPECT_NE(prepared(p, 7, 1), prepared(p, 1, 1));  // ひだり美濃 reads the second variant
}

TEST(RootTables, AdvancedGolds) {
  const Row base = prepared(kings().Load(), 1, 1), base_gote = prepared(kings().Load(), 1, 1, 1);
  EXPECT_EQ(prepared(kings().Put(4, 6, kKin).Load(), 1, 1), scaled(base, 1, 2));
  EXPECT_EQ(prepared(kings().Put(4, 6, kKin).Load(), 1, 1, 1), base_gote);
  EXPECT_EQ(prepared(kings().Put(4, 6, kKin).Put(6, 6, kKin).Load(), 1, 1), scaled(scaled(base, 1, 2), 1, 2));
  EXPECT_EQ(prepared(kings().Put(5, 5, kKin).Load(), 1, 1), scaled(base, 12, 100));
  EXPECT_EQ(at(scaled(base, 12, 100), 5, 9), -6);  // -50 x 0.12
  EXPECT_EQ(prepared(kings().Put(5, 2, kKin).Load(), 1, 1), scaled(base, 12, 100));
  EXPECT_EQ(prepared(kings().Put(4, 7, kKin).Put(6, 8, kNariGin).Load(), 1, 1), base);
  EXPECT_EQ(prepared(kings().Put(6, 4, gote(kKin)).Load(), 1, 1, 1), scaled(base_gote, 1, 2));
}

TEST(RootTables, RangingRookCodes) {
  constexpr int kShikenMino = 3;
  const Row base = prepared(kings().Load(), 1, 1);
  const Row quarter = scaled(scaled(base, 1, 4), 4, 5);
  // The rook still on the right: the whole table -30, then 0.8 of it.
  EXPECT_EQ(prepared(kings().Put(2, 8, kHi).Load(), kShikenMino, 1), Row(81, -24));
  EXPECT_EQ(prepared(kings().Put(4, 8, kHi).Load(), kShikenMino, 1), Row(81, -24));
  EXPECT_EQ(prepared(kings().Put(2, 8, kHi).Load(), 1, 1), base);  // a code without the rule
  // Ranged: a quarter while the king or both golds stay home or the opponent
  // stands ready for a rapid attack, then 0.8.
  EXPECT_EQ(prepared(kings().Put(6, 8, kHi).Load(), kShikenMino, 1), quarter);
  EXPECT_EQ(prepared(kings(28).Put(6, 8, kHi).Load(), kShikenMino, 1), scaled(base, 4, 5));
  EXPECT_EQ(prepared(kings(28).Put(6, 8, kHi).Put(6, 9, kKin).Put(4, 9, kKin).Load(), kShikenMino, 1), quarter);
  EXPECT_EQ(prepared(kings(28, 42).Put(6, 8, kHi).Put(7, 4, gote(kFu)).Load(), kShikenMino, 1), quarter);

  EXPECT_TRUE(piece_square_test(kings(78).Put(3, 6, kFu).Load(), 0));
  EXPECT_FALSE(piece_square_test(kings(58).Put(3, 6, kFu).Load(), 0));
  EXPECT_FALSE(piece_square_test(kings(68).Put(3, 6, gote(kFu)).Load(), 0));
  EXPECT_TRUE(piece_square_test(kings(59, 32).Put(7, 4, gote(kFu)).Load(), 1));
  EXPECT_FALSE(piece_square_test(board::testing::Scene().Put(3, 6, kFu).Load(), 0));  // no king
}

// カダル玉 cuts the table to a third before its bonuses (5一 has none).
TEST(RootTables, KadalCutsToAThird) {
  const Row base = prepared(kings().Load(), 1, 1);
  EXPECT_EQ(at(prepared(kings().Load(), 21, 1), 5, 1), at(base, 5, 1) * 33 / 100);
  EXPECT_EQ(at(prepared(kings().Load(), 1, 21, 1), 5, 9), at(base, 5, 1) * 33 / 100);
}

}  // namespace
}  // namespace eval
