// The first term groups of the full evaluation on constructed positions, each
// group run alone with the values worked by hand: exposed golds, promoted and
// advanced pawns, the king-neighbourhood examiner and the escape squares.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "engine/eval/eval_access.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/gold_pawn_terms.h"
#include "engine/eval/king_safety.h"
#include "engine/eval/static_eval_tables.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/eval/eval_record_reference.h"

namespace eval {
namespace {

using board::KEvalRecord;
using board::KPosition;
using board::square_of;
using board::testing::Scene;
using model::kFu, model::kGin, model::kHi, model::kKaku, model::kKei, model::kKin, model::kKyo, model::kOu,
    model::kTo;
using model::testing::gote;

struct Sums {
  int attack[2], defence[2];
};

class PositionGroups : public ::testing::Test {
 protected:
  void SetUp() override {
    eval_tables_init(eval_weight_block, 0x800);
    board::eval_weights = &eval_weight_block;
  }

  // One group's per-side sums on the scene.
  template <typename Group>
  static Sums Run(const Scene& scene, Group group) {
    const KPosition p = scene.Load();
    KEvalRecord r{};
    PositionTerms t(p, 0, board::pass_move(), r);
    group(t);
    EXPECT_EQ(t.material[0] | t.material[1], 0);
    return {{t.attack[0], t.attack[1]}, {t.defence[0], t.defence[1]}};
  }

  static int Rel(int side, int king, int cls, int sq) {
    return testing::king_rel(eval_weight_block, side, square_of(king / 10, king % 10), cls,
                             square_of(sq / 10, sq % 10));
  }
};

// ---- Distances and accessors -----------------------------------------------------

TEST_F(PositionGroups, DistancesAndAccessors) {
  EXPECT_EQ(cheb(square_of(9, 2), square_of(1, 1)), 8);  // file difference 8 on the next rank
  EXPECT_EQ(sq_distance(square_of(5, 1), square_of(2, 3)), 13);
  // The reference on files 1-4 counts q's file as it is, on 6-9 from the other
  // edge; d = -4 is the side's own back rank.
  EXPECT_EQ(eval_file_rank_bonus(0, 3, square_of(7, 9)), -58);
  EXPECT_EQ(eval_file_rank_bonus(1, 8, square_of(2, 1)), -66);
  EXPECT_EQ(eval_file_rank_bonus(1, 8, square_of(4, 7)), -10);
  EXPECT_EQ(eval_file_rank_bonus(0, 5, square_of(9, 9)), 0);
  // Gold 2, silver 2, knight 1, promoted lance 2 on the board, gold 2 and knight
  // 1 in hand; gote's lance 1.
  Scene s;
  s.Put(5, 9, kOu).Put(5, 1, gote(kOu)).Put(4, 8, kKin).Put(6, 8, kGin).Put(2, 9, kKei).Put(1, 5, model::kNariKyo);
  s.Put(9, 1, gote(kKyo)).Hand(kKin).Hand(kKei);
  EXPECT_EQ(eval_defender_count(s.Load(), 0), 10);
  EXPECT_EQ(eval_defender_count(s.Load(), 1), 1);
  EXPECT_EQ(eval_king_table(1, board::kHorse, square_of(5, 9), square_of(4, 7)), Rel(1, 59, 11, 47));
  EXPECT_EQ(eval_king_table(0, board::kRook, square_of(5, 1), square_of(5, 3)), 0);
}

// ---- Exposed golds ----------------------------------------------------------------

TEST_F(PositionGroups, ExposedGoldByItsDefenders) {
  // Gold 5七 with 6七 and 7七 empty and 7七 undefended: exposed.
  Scene s;
  s.Put(4, 9, kOu).Put(5, 1, gote(kOu)).Put(5, 7, kKin);
  const int value = Rel(0, 49, 0, 57);
  ASSERT_NE(value / 10, 0);
  EXPECT_EQ(Run(s, exposed_gold_terms).defence[0], -(value / 5));
  // Defended only by a bishop (3九): half the charge.
  Scene bishop = Scene(s).Put(3, 9, kKaku);
  EXPECT_EQ(Run(bishop, exposed_gold_terms).defence[0], -(value / 10));
  // Defended by a silver, or twice: never.
  EXPECT_EQ(Run(Scene(s).Put(5, 8, kGin), exposed_gold_terms).defence[0], 0);
  EXPECT_EQ(Run(bishop.Put(5, 8, kGin), exposed_gold_terms).defence[0], 0);
  // Closed on both sides and from behind, on the third rank: not exposed.
  EXPECT_EQ(Run(Scene(s).Put(6, 7, kFu).Put(4, 7, kFu).Put(5, 8, kKei), exposed_gold_terms).defence[0], 0);
}

// ---- Promoted and advanced pawns --------------------------------------------------

TEST_F(PositionGroups, PromotedPawnThreats) {
  // Promoted pawn 3三, gote king 5一: nothing to attack.
  Scene s;
  s.Put(5, 9, kOu).Put(5, 1, gote(kOu)).Put(3, 3, kTo);
  EXPECT_EQ(Run(s, pawn_threat_terms).attack[0], 0);
  // A gote silver on 5三, beside the square it can step to (4三): 150.
  EXPECT_EQ(Run(Scene(s).Put(5, 3, gote(kGin)), pawn_threat_terms).attack[0], 150);
  // A gote gold right behind it: 150.
  EXPECT_EQ(Run(Scene(s).Put(3, 4, gote(kKin)), pawn_threat_terms).attack[0], 150);
}

TEST_F(PositionGroups, AdvancedPawnNearTheKing) {
  // Pawn 5四, gote king 5一: v = KR(7) of 5三; bal 1 - 0 + 4 -> 3 (2048); shift
  // 14: d = v / 8; twice to the attack for two pieces in hand.
  Scene s;
  s.Put(5, 9, kOu).Put(5, 1, gote(kOu)).Put(5, 4, kFu).Hand(kKin).Hand(kGin);
  const int v = Rel(0, 51, 7, 53);
  ASSERT_GT(v, 7);
  const Sums sums = Run(s, pawn_threat_terms);
  EXPECT_EQ(sums.defence[1], -(2048 * v >> 14));
  EXPECT_EQ(sums.attack[0], 2 * (2048 * v >> 14));
  // A gote pawn on 5二 blocks it: shift 16, and it holds the square (bal 4 -> 3).
  EXPECT_EQ(Run(Scene(s).Put(5, 2, gote(kFu)), pawn_threat_terms).defence[1], -(2048 * v >> 16));
}

// ---- King neighbourhood -----------------------------------------------------------

// Sente king in the 1九 corner, gote king in the 9一 corner: each of a corner's
// three squares that only the king defends costs 30.
TEST_F(PositionGroups, CornerSquareDefendedOnceCosts30) {
  // A gote lance on 1五 attacks 1八 once: -30, then x = -3 + 4 = 1 -> Scale 151,
  // half each way. 2八 and 2九 cost 30 each; gote's corner 90.
  Scene s;
  s.Put(1, 9, kOu).Put(9, 1, gote(kOu)).Put(1, 5, gote(kKyo));
  const Sums sums = Run(s, king_safety_terms);
  EXPECT_EQ(sums.defence[0], -30 - 75 - 30 - 30);
  EXPECT_EQ(sums.attack[1], 75);
  EXPECT_EQ(sums.defence[1], -90);
  EXPECT_EQ(sums.attack[0], 0);
}

TEST_F(PositionGroups, OutnumberedEmptySquarePaysHalfTheCapWhateverTheHand) {
  // Gote knights 3六 and 1六 both attack 2八, which only the king defends: the
  // flat 750 / 2, with or without every other piece in gote's hand.
  Scene s;
  s.Put(1, 9, kOu).Put(9, 1, gote(kOu)).Put(3, 6, gote(kKei)).Put(1, 6, gote(kKei));
  Scene full = s;
  const int rest[8] = {0, 18, 4, 2, 4, 4, 2, 2};  // by model type: all pieces not on the board
  for (int type = kFu; type <= kHi; ++type) full.k.mochigoma[1][type] = static_cast<int8_t>(rest[type]);
  for (const Scene* scene : {&s, &full}) {
    const Sums sums = Run(*scene, king_safety_terms);
    EXPECT_EQ(sums.defence[0], -30 - (30 + 375) - 30);
    EXPECT_EQ(sums.attack[1], 375);
  }
}

TEST_F(PositionGroups, NegativeHandExpressionHalvesTheWeightAndSpaceBluntsTheAttack) {
  // 1八 is defended three times (king, gold 2八, silver 2九) and attacked once
  // by a lance; gote holds a knight: x = 2 (H) - 9 + 4 = -3 -> M / 2 = 60, 30
  // each way. Space: 1八 bal 1 (25), 2八 and 2九 bal 2 (100 each), 3八 and 2七
  // held (80 each): 385, so gote's attack loses 155.
  Scene s;
  s.Put(1, 9, kOu).Put(2, 8, kKin).Put(2, 9, kGin).Put(9, 1, gote(kOu)).Put(1, 5, gote(kKyo));
  s.k.mochigoma[1][kKei] = 1;
  const Sums sums = Run(s, king_safety_terms);
  EXPECT_EQ(sums.defence[0], -30);
  EXPECT_EQ(sums.attack[1], 30 - 155);
}

TEST_F(PositionGroups, ReducedAttackCount) {
  // King 5五, outside its camp, with a gote silver on 4四: seven empty squares
  // around it, each defended by the king alone (-30 each). 4五 is attacked by
  // the silver and by a gote knight (3三): the unpromoted knight lowers a = 2 to
  // 1, so a <= c: x = 3 (0 - 1) + 4 = 1 -> Scale(1, 40) = 50, 25 each way.
  Scene s;
  s.Put(5, 5, kOu).Put(5, 1, gote(kOu)).Put(4, 4, gote(kGin));
  Sums sums = Run(Scene(s).Put(3, 3, gote(kKei)), king_safety_terms);
  EXPECT_EQ(sums.defence[0], -7 * 30 - 25);
  EXPECT_EQ(sums.attack[1], 25);
  // A promoted silver (3四) as the second attacker lowers nothing: a = 2 > c, the
  // flat 125 / 2.
  sums = Run(Scene(s).Put(3, 4, gote(model::kNariGin)), king_safety_terms);
  EXPECT_EQ(sums.defence[0], -7 * 30 - 62);
  EXPECT_EQ(sums.attack[1], 62);
}

// ---- Escape squares ---------------------------------------------------------------

struct EscapeRow {
  int king;                  // file * 10 + rank, sente
  std::vector<int> squares;  // the squares that must be taken
  int all_taken;             // the charge with all of them taken
  int last_free;             // with the last one free
};

TEST_F(PositionGroups, EveryEscapeRow) {
  const EscapeRow rows[] = {
      {17, {26, 16}, -150, 0},      {97, {86, 96}, -150, 0},       {39, {28, 29}, -150, 0},
      {49, {38, 39}, -150, 0},      {69, {78, 79}, -150, 0},       {79, {88, 89}, -150, 0},
      {28, {17, 18}, -100, -50},    {38, {27, 28, 29}, -150, 0},   {48, {37, 38, 39}, -150, 0},
      {68, {77, 78, 79}, -150, 0},  {78, {87, 88, 89}, -150, 0},   {88, {97, 98}, -100, -50},
      {59, {48, 49, 68, 69}, 0, 0}, {27, {16, 17, 18, 36}, 0, 0},
  };
  for (const EscapeRow& row : rows) {
    Scene s;
    s.Put(row.king / 10, row.king % 10, kOu).Put(5, 1, gote(kOu));
    for (size_t i = 0; i + 1 < row.squares.size(); ++i) s.Put(row.squares[i] / 10, row.squares[i] % 10, kKin);
    EXPECT_EQ(king_escape_terms(s.Load(), 0), row.last_free) << "king " << row.king;
    const int last = row.squares.back();
    s.Put(last / 10, last % 10, kKin);
    EXPECT_EQ(king_escape_terms(s.Load(), 0), row.all_taken) << "king " << row.king;
  }
  // A square the enemy attacks directly is taken too: a gote pawn on 1六 covers
  // 1七 of a king on 2八.
  Scene s;
  s.Put(2, 8, kOu).Put(5, 1, gote(kOu)).Put(1, 6, gote(kFu));
  EXPECT_EQ(king_escape_terms(s.Load(), 0), -50);
}

}  // namespace
}  // namespace eval
