// Start positions, handicaps, the constant tables and the random generator.
#include <gtest/gtest.h>

#include "engine/board/kiki.h"
#include "engine/board/move_tables.h"
#include "engine/board/position_setup.h"
#include "engine/board/random.h"
#include "engine/driver/position_bridge.h"
#include "model/kyokumen.h"
#include "position_checker.h"

namespace board {
namespace {

using testing::matches_rebuild;
using testing::same_position;

bool has_bit(uint32_t set, int n) { return (set >> n) & 1; }

TEST(StartPosition, EvenGameNumbersAndAttacks) {
  KPosition p;
  pos_set_handicap(p, 0);
  ASSERT_TRUE(matches_rebuild(p));
  EXPECT_EQ(p.teban, 0);
  // Numbers by value: kings, rooks, bishops, ... pawns, gote's on the far ranks.
  EXPECT_EQ(p.board[square_of(5, 9)], 0);
  EXPECT_EQ(p.board[square_of(5, 1)], 1);
  EXPECT_EQ(p.board[square_of(2, 8)], 2);
  EXPECT_EQ(p.board[square_of(8, 2)], 3);
  EXPECT_EQ(p.board[square_of(8, 8)], 4);
  EXPECT_EQ(p.board[square_of(2, 2)], 5);
  EXPECT_EQ(p.board[square_of(9, 9)], 18);
  EXPECT_EQ(p.board[square_of(1, 1)], 21);
  EXPECT_EQ(p.board[square_of(9, 7)], 22);
  EXPECT_EQ(p.board[square_of(1, 3)], 39);
  EXPECT_EQ(p.piece[0].code, kKing | kSenteBit);
  EXPECT_EQ(p.piece[3].code, kRook | kGoteBit);
  EXPECT_EQ(p.piece[31].code, kPawn | kGoteBit);
  EXPECT_EQ(p.piece[kEmptyNumber].sq, kInHand);
  EXPECT_EQ(p.piece[kEmptyNumber].code, 0);
  EXPECT_EQ(p.board[0], 80);
  EXPECT_EQ(p.piece[p.board[square_of(0, 5)]].code, kWallCode);
  for (int file = 1; file <= 9; ++file) {
    EXPECT_EQ(p.pawn_file[0][file], square_of(file, 7));
    EXPECT_EQ(p.pawn_file[1][file], square_of(file, 3));
  }
  EXPECT_EQ(p.tokin[0].count + p.tokin[1].count, 0u);
  EXPECT_EQ(p.hand_sum[0] + p.hand_sum[1], 0u);

  // Sente's 5h: king, both golds and the rook along rank 8, cheapest first.
  const int sq58 = square_of(5, 8);
  EXPECT_EQ(square_attack_count(p, 0, sq58), 4);
  EXPECT_EQ(kiki_nth64(p, 0, sq58, 0), 7);
  EXPECT_EQ(kiki_nth64(p, 0, sq58, 1), 6);
  EXPECT_EQ(kiki_nth64(p, 0, sq58, 2), 2);
  EXPECT_EQ(kiki_nth64(p, 0, sq58, 3), 0);
  EXPECT_EQ(kiki_nth64(p, 0, sq58, 4), kEmptyNumber);
  EXPECT_TRUE(has_bit(kiki_at(p, sq58).line[0], 2));
  // The rook stops at its own bishop (which has no sideways move) ...
  EXPECT_TRUE(kiki_has_direct(kiki_at(p, square_of(8, 8)), 0, 2));
  EXPECT_FALSE(kiki_has_direct(kiki_at(p, square_of(9, 8)), 0, 2));
  // ... and supports through its pawn the one square the pawn attacks, without a line bit.
  const KKiki& k26 = kiki_at(p, square_of(2, 6));
  EXPECT_TRUE(has_bit(k26.xray[0], 2));
  EXPECT_FALSE(has_bit(k26.line[0], 2));
  EXPECT_EQ(k26.xray_count[0], 1);
  EXPECT_EQ(kiki_nth64(p, 0, square_of(2, 6), 0), 29);
  EXPECT_TRUE(has_bit(kiki_at(p, square_of(1, 6)).xray[0], 19));  // lance behind its pawn
  // Gote's mirror image.
  EXPECT_EQ(square_attack_count(p, 1, square_of(5, 2)), 4);
  EXPECT_TRUE(has_bit(kiki_at(p, square_of(8, 4)).xray[1], 3));
  EXPECT_EQ(kiki_at(p, square_of(5, 5)).direct_count[0] + kiki_at(p, square_of(5, 5)).direct_count[1], 0);
  // Absent squares read as not attacked.
  EXPECT_EQ(square_attack_count(p, 0, kNotInPlay), 0);
  EXPECT_EQ(kiki_nth64(p, 0, kNotInPlay, 0), kEmptyNumber);
}

TEST(StartPosition, HandicapsTakeGotesPiecesAndMatchTheLoader) {
  // Engine handicap number -> game-model handicap bits, and the pieces removed.
  struct Case {
    int number;
    int32_t bits;
    std::vector<int> removed;
  };
  const Case cases[] = {
      {1, model::kKyoOchi, {21}},          {2, model::kKakuOchi, {5}},
      {3, model::kHishaOchi, {3}},         {4, model::kHiKyoOchi, {3, 21}},
      {5, model::kNimaiOchi, {3, 5}},      {6, model::kYonmaiOchi, {3, 5, 20, 21}},
      {7, model::kRokumaiOchi, {3, 5, 16, 17, 20, 21}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    KPosition p;
    pos_set_handicap(p, c.number);
    ASSERT_TRUE(matches_rebuild(p));
    EXPECT_EQ(p.teban, 1);
    int out = 0;
    for (int n = 0; n < kPieceCount; ++n) out += p.piece[n].sq == kNotInPlay;
    EXPECT_EQ(out, static_cast<int>(c.removed.size()));
    for (int n : c.removed) EXPECT_EQ(p.piece[n].sq, kNotInPlay);
    EXPECT_EQ(p.hand_sum[0] + p.hand_sum[1], 0u);

    model::Kyokumen k;
    k.Init(c.bits);
    KPosition loaded;
    ASSERT_EQ(driver::position_load(loaded, k), 0);
    EXPECT_TRUE(same_position(p, loaded));
  }
  // A number outside 0..7 keeps the template in force.
  KPosition p;
  pos_set_handicap(p, 5);
  pos_set_handicap(p, 9);
  EXPECT_EQ(p.piece[3].sq, kNotInPlay);
  EXPECT_EQ(p.teban, 1);
  // 0 restores all six cells.
  pos_set_handicap(p, 0);
  EXPECT_EQ(p.teban, 0);
  for (int n = 0; n < kPieceCount; ++n) EXPECT_NE(p.piece[n].sq, kNotInPlay);

  model::Kyokumen even;
  even.Init(model::kHirate);
  KPosition loaded;
  ASSERT_EQ(driver::position_load(loaded, even), 0);
  EXPECT_TRUE(same_position(p, loaded));
  EXPECT_TRUE(matches_rebuild(loaded));
}

TEST(Tables, MoveTableReachAndDirections) {
  const int expected_reach[][9] = {
      // class, reach 0..7
      {kRook, 2, 2, 2, 2, 0, 0, 0, 0},   {kBishop, 0, 0, 0, 0, 2, 2, 2, 2},
      {kGold, 1, 1, 1, 1, 0, 0, 1, 1},   {kSilver, 0, 0, 0, 1, 1, 1, 1, 1},
      {kKnight, 0, 0, 0, 0, 0, 0, 0, 0}, {kLance, 0, 0, 0, 2, 0, 0, 0, 0},
      {kPawn, 0, 0, 0, 1, 0, 0, 0, 0},   {kKing, 0, 0, 0, 0, 0, 0, 0, 0},
      {kDragon, 2, 2, 2, 2, 1, 1, 1, 1}, {kHorse, 1, 1, 1, 1, 2, 2, 2, 2},
      {20, 1, 1, 1, 1, 0, 0, 1, 1},      {21, 1, 1, 1, 1, 0, 0, 1, 1},
      {22, 1, 1, 1, 1, 0, 0, 1, 1},      {kTokin, 1, 1, 1, 1, 0, 0, 1, 1},
  };
  for (const auto& row : expected_reach) {
    for (int d = 0; d < 8; ++d) EXPECT_EQ(class_reach(row[0], d), row[d + 1]) << "class " << row[0];
  }
  const int counts[kMoveClasses] = {0, 4, 4, 6, 5, 2, 1, 1, 8, 0, 0, 0, 0, 0, 0, 0,
                                    0, 8, 8, 0, 6, 6, 6, 6, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int c = 0; c < kMoveClasses; ++c) EXPECT_EQ(kMoveTable[c].count, static_cast<uint32_t>(counts[c]));
  EXPECT_EQ(kMoveTable[kKnight].m[0].step, 33);
  EXPECT_EQ(kMoveTable[kHorse].m[4].slides, 1u);
  EXPECT_EQ(kMoveTable[kHorse].m[0].slides, 0u);
  EXPECT_EQ(side_step(16, 0), -16);  // sente's forward step

  const int steps[8] = {-1, 16, 1, -16, 15, 17, -15, -17};
  for (int d = 0; d < 8; ++d) {
    EXPECT_EQ(direction_number(steps[d], 0), d);
    EXPECT_EQ(direction_number(-steps[d], 1), d);  // gote's steps are turned first
  }

  EXPECT_EQ(dir_by_diff(square_of(5, 9), square_of(5, 1)), -16);
  EXPECT_EQ(dir_by_diff(square_of(9, 9), square_of(1, 1)), -17);
  EXPECT_EQ(dir_by_diff(square_of(1, 1), square_of(9, 9)), 17);
  EXPECT_EQ(dir_by_diff(square_of(9, 1), square_of(1, 9)), 15);
  EXPECT_EQ(dir_by_diff(square_of(1, 5), square_of(9, 5)), 1);
  EXPECT_EQ(dir_by_diff(square_of(9, 5), square_of(1, 5)), -1);
  EXPECT_EQ(dir_by_diff(square_of(2, 8), square_of(3, 6)), 0);  // a knight's distance
  // Differences that also fit a line, for squares that are not on one.
  EXPECT_EQ(dir_by_diff(square_of(1, 3), square_of(9, 2)), 0);
  EXPECT_EQ(dir_by_diff(square_of(1, 1), square_of(9, 8)), 0);
  EXPECT_EQ(kDirByDiff[kMaxDifference - 8], -1);
}

TEST(Random, LinearCongruentialSteps) {
  rand_seed(0);
  EXPECT_EQ(rand_next(), 65537u);
  EXPECT_EQ(rand_get(), 65537u);
  EXPECT_EQ(rand_next(), static_cast<uint32_t>(65537u * 1664525u + 65537u));
  rand_seed(0xFFFFFFFFu);
  EXPECT_EQ(rand_next(), static_cast<uint32_t>(0xFFFFFFFFu * 1664525u + 0x10001u));
}

}  // namespace
}  // namespace board
