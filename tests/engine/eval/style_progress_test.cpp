// Playing styles and the coarse game stage.
#include <gtest/gtest.h>

#include <cstring>

#include "../board/model_positions.h"
#include "engine/eval/play_style.h"
#include "engine/eval/progress.h"

namespace eval {
namespace {

using model::kFu, model::kKin, model::kGin, model::kKaku, model::kHi, model::kRyu, model::kTo, model::kKei;
using model::testing::gote;

TEST(PlayStyle, NamesAndThresholds) {
  EXPECT_EQ(style_count(), 3);
  EXPECT_STREQ(style_name(0), "標準");
  EXPECT_STREQ(style_name(0x801), "強引");
  EXPECT_STREQ(style_name(2), "慎重");
  EXPECT_STREQ(style_name(15), "標準");  // indexes past the three rows read the first

  int32_t t[4];
  style_thresholds(0x800, t);  // a = 128 leaves the standard style as it is
  EXPECT_EQ(std::vector<int32_t>(t, t + 4), (std::vector<int32_t>{840, 1368, 1923, 3488}));
  style_thresholds(1, t);
  EXPECT_EQ(std::vector<int32_t>(t, t + 4), (std::vector<int32_t>{714, 1094, 1442, 2616}));
  style_thresholds(2, t);
  EXPECT_EQ(std::vector<int32_t>(t, t + 4), (std::vector<int32_t>{1092, 1778, 2499, 4534}));
  style_thresholds(0, t);  // a = 0: (100 x -128) / 256
  EXPECT_EQ(t[0], 840 - 50);
  style_thresholds(0x1001, t);  // a = 256: (50 x 256) / 256
  EXPECT_EQ(t[3], 2616 + 50);
  style_thresholds(0x302, t);  // a = 48: (-100 x 48) / 256 = -18.75, toward zero
  EXPECT_EQ(t[1], 1778 - 18);
  style_thresholds(-16, t);  // a = -1: (100 x -129) / 256 = -50.4, toward zero
  EXPECT_EQ(t[2], 1923 - 50);
  style_thresholds(5, t);
  EXPECT_EQ(t[0], 840 - 50);
}

int stage_of(const model::Kyokumen& k) {
  board::KPosition p;
  EXPECT_EQ(driver::position_load(p, k), 0);
  return progress_estimate(p);
}

TEST(Progress, StartsAtZeroAndCrossesFourAndEight) {
  for (const model::Kyokumen& k : board::testing::handicap_starts(
           {model::kHirate, model::kKyoOchi, model::kKakuOchi, model::kHishaOchi, model::kHiKyoOchi, model::kNimaiOchi,
            model::kYonmaiOchi, model::kRokumaiOchi, model::kHachimaiOchi, model::kJumaiOchi}))
    EXPECT_EQ(stage_of(k), 0);

  using board::testing::Hand;
  using board::testing::kings_and_hands;
  // Hands by model type (pawn .. rook): a rook 3, a gold or lance 1; bishops
  // and pawns half each.
  EXPECT_EQ(stage_of(kings_and_hands(Hand{0, 0, 0, 0, 0, 0, 0, 1})), 0);
  EXPECT_EQ(stage_of(kings_and_hands(Hand{0, 1, 0, 0, 0, 0, 0, 1})), 0);                                // 3 + 1/2
  EXPECT_EQ(stage_of(kings_and_hands(Hand{0, 1, 0, 0, 0, 0, 1, 1})), 1);                                // 3 + 2/2
  EXPECT_EQ(stage_of(kings_and_hands(Hand{0, 0, 0, 0, 0, 1, 0, 1})), 1);                                // 3 + 1
  EXPECT_EQ(stage_of(kings_and_hands(Hand{0, 0, 0, 0, 0, 1, 0, 1}, Hand{0, 0, 0, 0, 0, 0, 0, 1})), 1);  // 7
  EXPECT_EQ(stage_of(kings_and_hands(Hand{0, 0, 0, 0, 0, 1, 0, 1}, Hand{0, 0, 1, 0, 0, 0, 0, 1})), 2);  // 8

  // Board: a dragon 3, a promoted pawn 2, a pawn in the far camp half, a gold
  // there 1, a silver or knight on rank 5 or 4 half (gote: 5 or 6).
  board::testing::Scene s;
  s.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(9, 2, kRyu).Put(1, 8, gote(kTo));
  EXPECT_EQ(stage_of(s.k), 1);  // 5
  s.Put(2, 3, kFu).Put(8, 6, gote(kGin));
  EXPECT_EQ(stage_of(s.k), 1);  // 5 + 2/2
  s.Put(8, 3, kKin);
  EXPECT_EQ(stage_of(s.k), 1);  // 7
  s.Put(3, 4, kKei);
  EXPECT_EQ(stage_of(s.k), 1);  // 7 + 3/2
  s.Put(7, 5, kGin);
  EXPECT_EQ(stage_of(s.k), 2);  // 7 + 4/2
  s.Put(6, 7, gote(kHi)).Put(4, 4, gote(kKaku));
  EXPECT_EQ(stage_of(s.k), 2);  // an unpromoted rook in the far camp 2; the bishop outside 0
}

}  // namespace
}  // namespace eval
