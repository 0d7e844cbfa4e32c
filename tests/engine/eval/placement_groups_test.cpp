// The rook, bishop, pawn, silver, knight and over-advance placement terms on
// constructed positions, each group run alone, with the values worked by hand.
#include <gtest/gtest.h>

#include "engine/eval/eval_access.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/rook_bishop_pawn_terms.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/silver_knight_gold_terms.h"
#include "tests/engine/eval/senkei_scene.h"

namespace eval {
namespace {

using board::square_of;

// Two silvers and two golds on rank 6 count 2 x 54 + 2 x 90 = 288 toward
// over-advance; only the over-advance penalty is kept.
void over_advance_alone(PositionTerms& t) {
  working_silver_terms(t);
  gold_terms(t);
  EXPECT_EQ(t.advance[0], 288);
  t.material[0] = 0;
  over_advance_terms(t);
}

int32_t& root_cell(int sq2) {
  return eval_weight_block.root.root_square[0][testing::view_square(0, sq2) - board::kFirstSquare];
}

struct Row {
  void (*group)(PositionTerms&);
  const char* text;  // tests/engine/eval/senkei_scene.h
  int32_t material, attack;
  int teban = 0;
  int square = 0;  // the examined square, file * 10 + rank
  int root = 0, root_value = 0;  // a root placement cell of sente set first (kept)
};

TEST(PlacementGroups, ValuesByHand) {
  const board::KPosition home = testing::load(model::testing::initial(model::kHirate));
  const int32_t codes[2] = {0, 0};
  eval_root_prepare(home, codes, 0x800);
  eval_setup_stage(home, 0, codes);
  const int32_t curve6 = eval_root_curve(6);
  const Row rows[] = {
      // Rook 2六, its file open to the wall: R 0 (10 - 1 + 6 steps), facing the
      // wall 0, width 5; it holds 2一 against no attacker: +100 to both fields
      // with sente to move, +50 with gote to move and the line uncovered,
      // nothing when a gote knight (3一) covers 2三.
      {rook_placement_terms, "K59 k51 R26", 15 + 100 + 5, 100},
      {rook_placement_terms, "K59 k51 R26", 15 + 50 + 5, 50, 1},
      {rook_placement_terms, "K59 k51 R26 n31", 15 + 5, 0, 1},
      // Hemmed in by its golds (w = -1); its line meets a gote pawn on 5三 after
      // 5 steps: 4 - 1 + 5, facing a pawn 1.
      {rook_placement_terms, "K59 k51 R58 G48 G68 p53", 8 + 1 - 1, 0},
      // Both forward diagonals end at once on own pawns of rank 7: curve entry
      // 6; less the length word with an own pawn behind the bishop. A gote pawn
      // on 3三 screening a gote silver: entry 2, + 5 x 800 >> 10.
      {bishop_placement_terms, "K59 k51 B88 P77 P97", curve6, 0},
      {bishop_placement_terms, "K59 k51 B88 P77 P97 P89", curve6 - eval_root_curve_length(), 0},
      {bishop_placement_terms, "K59 k51 B88 p33 s22", eval_root_curve(2) + 3, 0},
      // Files 1 and 9 score nothing; a free undefended pawn on rank 4 scores
      // 25, halved without a general behind it; defended by a silver behind it, 65.
      {pawn_placement_terms, "K59 k51 P14 P94 P24", 12, 0},
      {pawn_placement_terms, "K59 k51 P24 S25", 65, 0},
      // A lone silver: the larger of its root value and its file-and-rank bonus
      // (files from the king's side: 10 - 4, rank 7 -> -33).
      {working_silver_terms, "K69 k51 S47", -33, 0, 0, 0, 47, -40},
      {working_silver_terms, "K69 k51 S47", 12, 0, 0, 0, 47, 12},
      // Silvers 2九 (farther from the king: the working one) and 4九; a pawn
      // dropped on 2八 (held by gote's lance, worth -10 to gote) would leave 2九
      // no escape (golds 1八 and 3八, the edge behind: -200 each), which counts
      // only when 2九 is the examined square.
      {working_silver_terms, "K59 k51 S29 S49 G18 G38 l21 *p", 10, 0, 0, 0, 29, 10},
      {working_silver_terms, "K59 k51 S29 S49 G18 G38 l21 *p", 10, 0, 0, 49, 29, 10},
      {working_silver_terms, "K59 k51 S29 S49 G18 G38 l21 *p", -200, 0, 0, 29, 29, 10},
      // A knight on rank 5 without own pawns beside it: +5 twice. A gote pawn in
      // front, or one gote can drop there (worth -14 to it) on its turn: -100.
      // Nothing when a jump square holds a gote gold.
      {knight_terms, "K59 k51 N55 p54", -90, 0},
      {knight_terms, "K59 k51 N55 *p", -90, 0, 1},
      {knight_terms, "K59 k51 N55 *p g63", 10, 0, 1},
      // (288 - 100) / 3 = 62, twice that when gote holds a bishop.
      {over_advance_alone, "K59 k51 S46 S66 G36 G76", -62, 0},
      {over_advance_alone, "K59 k51 S46 S66 G36 G76 *b", -124, 0},
  };
  for (const Row& row : rows) {
    if (row.root) root_cell(row.root) = row.root_value;
    const board::KPosition p = testing::load(testing::scene(row.text, row.teban));
    const board::KMove last{};  // not a pass
    board::KEvalRecord r{};
    PositionTerms t(p, row.square ? testing::view_square(0, row.square) : 0, last, r);
    row.group(t);
    EXPECT_EQ(t.material[0], row.material) << row.text << " teban " << row.teban << " square " << row.square;
    EXPECT_EQ(r.att[0].attack_extra, row.attack) << row.text << " teban " << row.teban;
  }
}

}  // namespace
}  // namespace eval
