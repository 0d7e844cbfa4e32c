// The root preparation: the blended curve by home distance, the silver
// placement tables (stored for gote, turned for sente) and their adjustments by
// golds, ranging-rook codes and castles, the pawn-behind rows, the root globals
// and the pointers the board's readers follow.
#include "engine/eval/root_modes.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "engine/board/shape_pattern.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/root_globals.h"
#include "engine/eval/root_table_data.h"
#include "engine/eval/root_weights.h"
#include "engine/eval/senkei_table.h"
#include "tests/engine/board/model_positions.h"

namespace eval {
namespace {

using board::square_of;
using model::kFu, model::kHi, model::kKin, model::kNariGin, model::kOu;
using model::testing::gote;
using Row = std::vector<int32_t>;
using Table = std::vector<int32_t>;  // 81 entries by (rank - 1) x 9 + (file - 1)

constexpr int32_t kCentreFile[9] = {-50, -38, -30, -19, -5, 8, -3, -19, -35};

board::KPosition start() {
  model::Kyokumen k;
  k.Init(model::kHirate);
  board::KPosition p;
  EXPECT_EQ(driver::position_load(p, k), 0);
  return p;
}

board::testing::Scene kings(int sente_king = 59, int gote_king = 51) {
  return board::testing::Scene()
      .Put(sente_king / 10, sente_king % 10, kOu)
      .Put(gote_king / 10, gote_king % 10, gote(kOu));
}

// Prepares the evaluation for the position and codes and returns one side's
// placement table.
Table prepared(const board::KPosition& p, int32_t c0, int32_t c1, int side) {
  const int32_t codes[2] = {c0, c1};
  eval_root_prepare(p, codes, 0x800);
  Table t;
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) t.push_back(eval_weight_block.root.root_square[side][square_of(f, r) - 20]);
  }
  return t;
}

Table scaled(Table t, int num, int den) {
  for (int32_t& v : t) v = v * num / den;
  return t;
}

int32_t at(const Table& t, int file, int rank) { return t[(rank - 1) * 9 + file - 1]; }

TEST(RootCurve, BlendsByHomeDistance) {
  const board::KPosition even = start();
  EXPECT_EQ(board::shape_pattern_test(even, 0, 0), 0);
  EXPECT_EQ(board::shape_pattern_test(even, 1, 1), 0);
  prepared(even, 0, 0, 0);
  const board::KEvalRootBlock& root = eval_weight_block.root;
  EXPECT_EQ(Row(root.curve, root.curve + 9), (Row{11, 11, 9, 8, 7, 6, 1, 0, 0}));
  EXPECT_EQ(root.curve_length, 8);

  // Sente's king on 5五 (4) and golds on 4一 and 6一 (8 each): 20 from home.
  const board::KPosition far = kings(55, 19).Put(4, 1, kKin).Put(6, 1, kKin).Load();
  EXPECT_GE(board::shape_pattern_test(far, 0, 1), 16);
  prepared(far, 0, 0, 0);
  EXPECT_EQ(Row(root.curve, root.curve + 9), (Row{11, 11, 9, 8, 5, 2, -5, -9, -20}));
  EXPECT_EQ(root.curve_length, 3);

  // Halfway each entry and the length are truncated toward zero (-4.5 to -4).
  board::KEvalRootBlock half{};
  root_curve_blend(half, 8);
  EXPECT_EQ(Row(half.curve, half.curve + 9), (Row{11, 11, 9, 8, 6, 4, -2, -4, -10}));
  EXPECT_EQ(half.curve_length, 5);
}

TEST(RootTables, StoredForGoteTurnedForSente) {
  const board::KPosition p = start();
  for (int32_t code : {1, 7}) {
    const Table sente = prepared(p, code, code, 0), gote_table = prepared(p, code, code, 1);
    for (int r = 1; r <= 9; ++r) {
      if (code == 1) {
        EXPECT_EQ(at(gote_table, 5, r), kCentreFile[r - 1]);
        EXPECT_EQ(at(sente, 5, 10 - r), kCentreFile[r - 1]);
      }
      for (int f = 1; f <= 9; ++f) EXPECT_EQ(at(sente, f, r), at(gote_table, 10 - f, 10 - r));
    }
  }
  // ひだり美濃 reads the second variant.
  EXPECT_NE(prepared(p, 7, 1, 0), prepared(p, 1, 1, 0));
  // Cells between the ranks stay 0.
  EXPECT_EQ(eval_weight_block.root.root_square[0][square_of(0, 5) - 20], 0);
}

TEST(RootTables, AdvancedGoldsScaleTheTable) {
  const Table base0 = prepared(kings().Load(), 1, 1, 0);
  const Table base1 = prepared(kings().Load(), 1, 1, 1);
  EXPECT_EQ(prepared(kings().Put(4, 6, kKin).Load(), 1, 1, 0), scaled(base0, 1, 2));
  EXPECT_EQ(prepared(kings().Put(4, 6, kKin).Load(), 1, 1, 1), base1);
  EXPECT_EQ(prepared(kings().Put(4, 6, kKin).Put(6, 6, kKin).Load(), 1, 1, 0), scaled(scaled(base0, 1, 2), 1, 2));
  EXPECT_EQ(prepared(kings().Put(5, 5, kKin).Load(), 1, 1, 0), scaled(base0, 12, 100));
  EXPECT_EQ(prepared(kings().Put(5, 2, kKin).Load(), 1, 1, 0), scaled(base0, 12, 100));
  EXPECT_EQ(prepared(kings().Put(4, 7, kKin).Put(6, 8, kNariGin).Load(), 1, 1, 0), base0);
  // Gote's gold on its own sixth rank (board rank 4).
  EXPECT_EQ(prepared(kings().Put(6, 4, gote(kKin)).Load(), 1, 1, 1), scaled(base1, 1, 2));
  EXPECT_EQ(at(scaled(base0, 12, 100), 5, 9), -6);  // -50 x 0.12
}

TEST(RootTables, RangingRookCodes) {
  constexpr int kShikenMino = 3;
  const Table base = prepared(kings().Load(), 1, 1, 0);
  // The rook still on the right: the whole table is -30, then 0.8 of it.
  EXPECT_EQ(prepared(kings().Put(2, 8, kHi).Load(), kShikenMino, 1, 0), Table(81, -24));
  EXPECT_EQ(prepared(kings().Put(4, 8, kHi).Load(), kShikenMino, 1, 0), Table(81, -24));
  // Ranged with the king at home: a quarter, then 0.8.
  EXPECT_EQ(prepared(kings().Put(6, 8, kHi).Load(), kShikenMino, 1, 0), scaled(scaled(base, 1, 4), 4, 5));
  // Ranged with the king castled: 0.8 alone, unless the golds stay on 6九 and 4九
  // or the opponent stands ready for a rapid attack.
  const Table castled = prepared(kings(28).Put(6, 8, kHi).Load(), kShikenMino, 1, 0);
  EXPECT_EQ(castled, scaled(base, 4, 5));
  EXPECT_EQ(prepared(kings(28).Put(6, 8, kHi).Put(6, 9, kKin).Put(4, 9, kKin).Load(), kShikenMino, 1, 0),
            scaled(scaled(base, 1, 4), 4, 5));
  EXPECT_EQ(prepared(kings(28, 42).Put(6, 8, kHi).Put(7, 4, gote(kFu)).Load(), kShikenMino, 1, 0),
            scaled(scaled(base, 1, 4), 4, 5));
  // A code without the flag keeps its rook rule-free.
  EXPECT_EQ(prepared(kings().Put(2, 8, kHi).Load(), 1, 1, 0), base);
}

TEST(RootTables, PieceSquareTest) {
  EXPECT_TRUE(piece_square_test(kings(68).Put(3, 6, kFu).Load(), 0));
  EXPECT_TRUE(piece_square_test(kings(78).Put(3, 6, kFu).Load(), 0));
  EXPECT_FALSE(piece_square_test(kings(58).Put(3, 6, kFu).Load(), 0));
  EXPECT_FALSE(piece_square_test(kings(68).Put(3, 7, kFu).Load(), 0));
  EXPECT_FALSE(piece_square_test(kings(68).Put(3, 6, gote(kFu)).Load(), 0));
  EXPECT_TRUE(piece_square_test(kings(59, 32).Put(7, 4, gote(kFu)).Load(), 1));
  EXPECT_FALSE(piece_square_test(kings(59, 52).Put(7, 4, gote(kFu)).Load(), 1));
  EXPECT_FALSE(piece_square_test(board::testing::Scene().Put(3, 6, kFu).Load(), 0));  // no king
}

TEST(RootTables, CastleBonuses) {
  uint32_t codes = 0;
  for (const RootCastleBonus& b : kRootCastleBonus) {
    codes |= 1u << b.code;
    EXPECT_GE(b.amount, -10);
    EXPECT_LE(b.amount, 12);
  }
  EXPECT_EQ(codes, (1u << 0) | (1u << 2) | (1u << 5) | (1u << 8) | (1u << 10) | (1u << 12) | (1u << 17) | (1u << 21));
  // カダル玉 cuts the table to a third first; 5一 carries no bonus.
  const Table base = prepared(kings().Load(), 1, 1, 0);
  const Table kadal = prepared(kings().Load(), 21, 1, 0);
  EXPECT_EQ(at(kadal, 5, 1), at(base, 5, 1) * 33 / 100);
  EXPECT_EQ(at(prepared(kings().Load(), 1, 21, 1), 5, 9), at(base, 5, 1) * 33 / 100);
}

TEST(RootRows, SenteAsStoredGoteReversed) {
  prepared(start(), 0, 0, 0);
  const board::KEvalRootBlock& root = eval_weight_block.root;
  EXPECT_EQ(Row(root.row[0], root.row[0] + 9), (Row{0, 0, 4, 7, 40, 30, 9, 3, 0}));
  for (int r = 1; r <= 9; ++r) {
    EXPECT_EQ(eval_root_row(0, r), root.row[0][r - 1]);
    EXPECT_EQ(eval_root_row(1, r), eval_root_row(0, 10 - r));
  }
  EXPECT_EQ(eval_root_row(0, 0), 0);
  EXPECT_EQ(eval_root_row(1, 10), 0);
}

TEST(RootModes, GlobalsAndPointers) {
  const board::KPosition p = start();
  const int32_t codes[2] = {3, 1};
  eval_root_prepare(p, codes, 0x802);
  EXPECT_EQ(root_senkei[0], 3);
  EXPECT_EQ(root_senkei[1], 1);
  EXPECT_EQ(root_yagura, 1);
  EXPECT_EQ(board::eval_weights, &eval_weight_block);
  EXPECT_EQ(eval_weight_block.ready, 1);
  EXPECT_EQ(board::senkei_current, &senkei_table);
  for (auto [c0, c1, yagura] : {std::tuple{1, 5, 1}, {2, 3, 0}, {0, 0, 0}}) {
    const int32_t c[2] = {c0, c1};
    EXPECT_EQ(eval_codes_yagura(p, c), yagura);
  }

  board::senkei_current = nullptr;
  eval_setup_stage(p, 1, codes);
  EXPECT_EQ(board::senkei_current, &senkei_table);
  EXPECT_EQ(board::eval_stage_tables, &eval_stage_block);
  EXPECT_EQ(eval_stage_block.piece_value[board::kRook], 680);
  EXPECT_EQ(stage_curves.length, 8);
}

}  // namespace
}  // namespace eval
