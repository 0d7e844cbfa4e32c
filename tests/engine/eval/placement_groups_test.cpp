// The rook, bishop, pawn, silver, knight and over-advance placement terms on
// constructed positions, each group run alone, with the values worked by hand.
#include <gtest/gtest.h>

#include <string_view>

#include "engine/board/exchange_eval.h"
#include "engine/eval/eval_access.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/rook_bishop_pawn_terms.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/silver_knight_gold_terms.h"
#include "tests/engine/eval/senkei_scene.h"

namespace eval {
namespace {

using board::square_of;

// A position written as text (tests/engine/eval/senkei_scene.h) with the working
// terms of one node on it; the last move is not a pass.
struct Node {
  explicit Node(std::string_view text, int teban = 0, int square = 0)
      : p(testing::load(testing::scene(text, teban))), t(p, square, last, r) {}
  board::KPosition p;
  board::KMove last{};
  board::KEvalRecord r{};
  PositionTerms t;
};

class PlacementGroups : public ::testing::Test {
 protected:
  void SetUp() override {
    const board::KPosition home = testing::load(model::testing::initial(model::kHirate));
    const int32_t codes[2] = {0, 0};
    eval_root_prepare(home, codes, 0x800);
    eval_setup_stage(home, 0, codes);
  }
  static int32_t& root_square(int side, int file, int rank) {
    return eval_weight_block.root.root_square[side][square_of(file, rank) - board::kFirstSquare];
  }
};

TEST_F(PlacementGroups, RookLineReachAndWidth) {
  // Rook 2六, its file open to the wall: R 0 (10 - 1 + 6 steps), facing the wall
  // 0, width 5; it holds 2一 against no attacker: +100 to both fields with
  // sente to move, +50 with gote to move and the line uncovered, nothing when
  // a gote knight (3一) covers 2三.
  const struct {
    std::string_view text;
    int teban, material, attack;
  } rows[] = {{"K59 k51 R26", 0, 15 + 100 + 5, 100}, {"K59 k51 R26", 1, 15 + 50 + 5, 50},
              {"K59 k51 R26 n31", 1, 15 + 5, 0},
              // Hemmed in by its golds (w = -1); its line meets a gote pawn on
              // 5三 after 5 steps: 4 - 1 + 5, facing a pawn 1.
              {"K59 k51 R58 G48 G68 p53", 0, 8 + 1 - 1, 0}};
  for (const auto& row : rows) {
    Node n(row.text, row.teban);
    rook_placement_terms(n.t);
    EXPECT_EQ(n.t.material[0], row.material) << row.text << " teban " << row.teban;
    EXPECT_EQ(n.r.att[0].attack_extra, row.attack) << row.text << " teban " << row.teban;
  }
}

TEST_F(PlacementGroups, BishopDiagonals) {
  const struct {
    std::string_view text;
    int32_t value;
  } rows[] = {
      // Both forward diagonals end at once on own pawns of rank 7: curve entry 6;
      // less the length word with an own pawn behind the bishop.
      {"K59 k51 B88 P77 P97", eval_root_curve(6)},
      {"K59 k51 B88 P77 P97 P89", eval_root_curve(6) - eval_root_curve_length()},
      // A gote pawn on 3三 screens a gote silver: entry 2, + 5 x 800 >> 10.
      {"K59 k51 B88 p33 s22", eval_root_curve(2) + 3},
  };
  for (const auto& row : rows) {
    Node n(row.text);
    bishop_placement_terms(n.t);
    EXPECT_EQ(n.t.material[0], row.value) << row.text;
  }
}

TEST_F(PlacementGroups, PawnsOfTheMiddleFiles) {
  // Files 1 and 9 score nothing; a free undefended pawn on rank 4 scores 25,
  // halved without a general behind it; defended by a silver behind it, 65.
  for (const auto& [text, value] : {std::pair{"K59 k51 P14 P94 P24", 12}, std::pair{"K59 k51 P24 S25", 65}}) {
    Node n(text);
    pawn_placement_terms(n.t);
    EXPECT_EQ(n.t.material[0], value) << text;
  }
}

TEST_F(PlacementGroups, SingleSilverTakesTheLargerBase) {
  root_square(0, 4, 7) = -40;
  Node beside_king("K69 k51 S47");  // file-and-rank bonus: file 10 - 4, rank 7 -> -33
  working_silver_terms(beside_king.t);
  EXPECT_EQ(beside_king.t.material[0], -33);
  root_square(0, 4, 7) = 12;
  Node high("K69 k51 S47");
  working_silver_terms(high.t);
  EXPECT_EQ(high.t.material[0], 12);
  EXPECT_EQ(high.t.working_silver[0], square_of(4, 7));
}

TEST_F(PlacementGroups, PawnDropEscapeOnlyForTheExaminedWorkingSilver) {
  // Silvers 2九 (farther from the king: the working one) and 4九; a pawn dropped
  // on 2八 (held by gote's lance) would leave 2九 no escape: golds on 1八 and
  // 3八, the edge behind, -200 each.
  constexpr std::string_view kText = "K59 k51 S29 S49 G18 G38 l21 *p";
  root_square(0, 2, 9) = 10;
  ASSERT_GT(board::koma_put_value(Node(kText).p, 1, board::kPawn, square_of(2, 8), nullptr), -30);
  const std::pair<int, int> rows[] = {{0, 10}, {square_of(4, 9), 10}, {square_of(2, 9), -200}};
  for (const auto& [square, value] : rows) {
    Node n(kText, 0, square);
    working_silver_terms(n.t);
    EXPECT_EQ(n.t.material[0], value) << "square " << square;
  }
}

TEST_F(PlacementGroups, KnightOnRankFive) {
  // No own pawns beside it: +5 twice. A gote pawn in front, or one gote can
  // drop there on its turn: -100. Nothing when a jump square holds a gote gold.
  const struct {
    std::string_view text;
    int teban, value;
  } rows[] = {{"K59 k51 N55 p54", 0, -90}, {"K59 k51 N55 *p", 1, -90}, {"K59 k51 N55 *p g63", 1, 10}};
  for (const auto& row : rows) {
    Node n(row.text, row.teban);
    if (row.value < 0 && row.teban == 1) {
      ASSERT_GT(board::koma_put_value(n.p, 1, board::kPawn, square_of(5, 4), nullptr), -50);
    }
    knight_terms(n.t);
    EXPECT_EQ(n.t.material[0], row.value) << row.text;
  }
}

TEST_F(PlacementGroups, OverAdvance) {
  // Two silvers and two golds on rank 6: 2 x 54 + 2 x 90 = 288, (288 - 100) / 3
  // = 62, twice that when gote holds a bishop.
  for (const auto& [text, penalty] : {std::pair{"K59 k51 S46 S66 G36 G76", 62}, {"K59 k51 S46 S66 G36 G76 *b", 124}}) {
    Node n(text);
    working_silver_terms(n.t);
    gold_terms(n.t);
    EXPECT_EQ(n.t.advance[0], 288);
    const int32_t before = n.t.material[0];
    over_advance_terms(n.t);
    EXPECT_EQ(n.t.material[0] - before, -penalty) << text;
  }
}

}  // namespace
}  // namespace eval
