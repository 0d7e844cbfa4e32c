// The root preparation: the curve blended by home distance, the silver
// placement tables (stored for gote, turned for sente) and their adjustments by
// golds and ranging-rook codes, the pawn-behind rows, the root globals and the
// pointers the board's readers follow.
#include "engine/eval/root_modes.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/eval/eval_tables.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/root_weights.h"
#include "engine/eval/senkei_table.h"
#include "tests/engine/board/model_positions.h"

namespace eval {
namespace {

using board::testing::load;
using board::testing::scene;
using Row = std::vector<int32_t>;  // also a side's table: 81 entries by (rank - 1) x 9 + (file - 1)

// Prepares the evaluation for the position and codes; one side's table.
Row prepared(const board::KPosition& p, int32_t c0, int32_t c1, int side = 0) {
  const int32_t codes[2] = {c0, c1};
  eval_root_prepare(p, codes, 0x800);
  Row t;
  for (int sq = board::square_of(1, 1); sq <= board::square_of(9, 9); ++sq) {
    if (board::is_playing_square(sq)) t.push_back(eval_setup.eval_weight_block.root.root_square[side][sq - 20]);
  }
  return t;
}
Row prepared(const char* text, int32_t c0, int32_t c1, int side = 0) { return prepared(load(scene(text)), c0, c1, side); }

Row scaled(Row t, int num, int den) {
  for (int32_t& v : t) v = v * num / den;
  return t;
}

int32_t at(const Row& t, int file, int rank) { return t[(rank - 1) * 9 + file - 1]; }

TEST(RootPrepare, CurveRowsGlobalsAndPointers) {
  const eval::KEvalRootBlock& root = eval_setup.eval_weight_block.root;
  const board::KPosition p = load(model::testing::initial(0));
  prepared(p, 3, 1);
  EXPECT_EQ(Row(root.curve, root.curve + 9), (Row{11, 11, 9, 8, 7, 6, 1, 0, 0}));
  EXPECT_EQ(root.curve_length, 8);
  EXPECT_EQ(Row(root.row[0], root.row[0] + 9), (Row{0, 0, 4, 7, 40, 30, 9, 3, 0}));
  for (int r = 1; r <= 9; ++r) EXPECT_EQ(eval_root_row(1, r), eval_root_row(0, 10 - r));
  EXPECT_EQ(eval_root_row(0, 10), 0);
  EXPECT_EQ((Row{eval_setup.root_senkei[0], eval_setup.root_senkei[1], eval_setup.root_yagura}), (Row{3, 1, 1}));
  EXPECT_EQ(eval::eval_setup.eval_weights, &eval_setup.eval_weight_block);
  EXPECT_EQ(board::eval_links.senkei_current, &eval_setup.senkei_table);
  const int32_t no_yagura[2] = {2, 3};
  EXPECT_EQ(eval_codes_yagura(p, no_yagura), 0);

  // Sente's king on 5五 (4 from home) and golds on 4一 and 6一 (8 each).
  prepared("K55 k19 G41 G61", 0, 0);
  EXPECT_EQ(Row(root.curve, root.curve + 9), (Row{11, 11, 9, 8, 5, 2, -5, -9, -20}));
  EXPECT_EQ(root.curve_length, 3);
  // Halfway each entry and the length are truncated toward zero (-4.5 to -4).
  eval::KEvalRootBlock half{};
  root_curve_blend(half, 8);
  EXPECT_EQ(Row(half.curve, half.curve + 9), (Row{11, 11, 9, 8, 6, 4, -2, -4, -10}));
  EXPECT_EQ(half.curve_length, 5);

  board::eval_links.senkei_current = nullptr;
  eval_setup_stage(p, 1, no_yagura);
  EXPECT_EQ(board::eval_links.senkei_current, &eval_setup.senkei_table);
  EXPECT_EQ(board::eval_links.eval_stage_tables, &eval_setup.eval_stage_block);
  EXPECT_EQ(eval_setup.eval_stage_block.piece_value[board::kRook], 680);
  EXPECT_EQ(eval_setup.stage_curves.length, 8);
}

// The given centre file of the first variant; the stored (gote's) table turned
// for sente; ひだり美濃 (7) reads the second variant; カダル玉 (21) cuts the
// table to a third before its bonuses (5一 has none).
TEST(RootTables, StoredForGoteTurnedForSente) {
  const board::KPosition p = load(model::testing::initial(0));
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
  EXPECT_NE(prepared(p, 7, 1), prepared(p, 1, 1));
  const int32_t centre = at(prepared("K59 k51", 1, 1), 5, 1);
  EXPECT_EQ(at(prepared("K59 k51", 21, 1), 5, 1), centre * 33 / 100);
  EXPECT_EQ(at(prepared("K59 k51", 1, 21, 1), 5, 9), centre * 33 / 100);
}

TEST(RootTables, AdvancedGoldsAndRangingRookCodes) {
  const Row base = prepared("K59 k51", 1, 1), base_gote = prepared("K59 k51", 1, 1, 1);
  // A gold advanced to rank 6 halves the table, to rank 5 or beyond keeps 0.12.
  const std::pair<const char*, Row> golds[] = {
      {"K59 k51 G46", scaled(base, 1, 2)},  {"K59 k51 G46 G66", scaled(scaled(base, 1, 2), 1, 2)},
      {"K59 k51 G55", scaled(base, 12, 100)}, {"K59 k51 G52", scaled(base, 12, 100)},
      {"K59 k51 G47 +S68", base}};
  for (const auto& [text, row] : golds) EXPECT_EQ(prepared(text, 1, 1), row) << text;
  EXPECT_EQ(prepared("K59 k51 G46", 1, 1, 1), base_gote);
  EXPECT_EQ(prepared("K59 k51 g64", 1, 1, 1), scaled(base_gote, 1, 2));

  // Ranging code 3: the rook still on the right: the whole table -30, then 0.8
  // of it; ranged: a quarter while the king or both golds stay home or the
  // opponent stands ready for a rapid attack, then 0.8.
  constexpr int kShikenMino = 3;
  const Row quarter = scaled(scaled(base, 1, 4), 4, 5);
  const std::pair<const char*, Row> rooks[] = {
      {"K59 k51 R28", Row(81, -24)},         {"K59 k51 R48", Row(81, -24)},
      {"K59 k51 R68", quarter},              {"K28 k51 R68", scaled(base, 4, 5)},
      {"K28 k51 R68 G69 G49", quarter},      {"K28 k42 R68 p74", quarter}};
  for (const auto& [text, row] : rooks) EXPECT_EQ(prepared(text, kShikenMino, 1), row) << text;
  EXPECT_EQ(prepared("K59 k51 R28", 1, 1), base);  // a code without the rule

  EXPECT_TRUE(piece_square_test(load(scene("K78 k51 P36")), 0));
  EXPECT_FALSE(piece_square_test(load(scene("K58 k51 P36")), 0));
  EXPECT_FALSE(piece_square_test(load(scene("K68 k51 p36")), 0));
  EXPECT_TRUE(piece_square_test(load(scene("K59 k32 p74")), 1));
  EXPECT_FALSE(piece_square_test(load(scene("P36")), 0));  // no king
}

}  // namespace
}  // namespace eval
