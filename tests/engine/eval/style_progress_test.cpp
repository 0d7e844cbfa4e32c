// Playing styles and the coarse game stage.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "engine/eval/play_style.h"
#include "engine/eval/progress.h"
#include "tests/engine/board/model_positions.h"

namespace eval {
namespace {

using board::testing::scene;

TEST(PlayStyle, NamesAndThresholds) {
  EXPECT_EQ(style_count(), 3);
  EXPECT_STREQ(style_name(0), "標準");
  EXPECT_STREQ(style_name(0x801), "強引");
  EXPECT_STREQ(style_name(2), "慎重");
  EXPECT_STREQ(style_name(15), "標準");  // indexes past the three rows read the first

  int32_t t[4];
  const std::pair<int32_t, std::vector<int32_t>> rows[] = {
      {0x800, {840, 1368, 1923, 3488}}, {1, {714, 1094, 1442, 2616}}, {2, {1092, 1778, 2499, 4534}}};
  for (const auto& [word, row] : rows) {
    style_thresholds(word, t);
    EXPECT_EQ(std::vector<int32_t>(t, t + 4), row);
  }
  // a = word / 16 moves the rows by 100 (a - 128), 50 a and -100 a, / 256
  // toward zero (-18.75 and -50.4 to -18 and -50); a style past the rows is 0.
  const int32_t moved[][3] = {{0, 0, 840 - 50}, {0x1001, 3, 2616 + 50}, {0x302, 1, 1778 - 18}, {-16, 2, 1923 - 50},
                              {5, 0, 840 - 50}};
  for (const auto& [word, i, v] : moved) {
    style_thresholds(word, t);
    EXPECT_EQ(t[i], v) << word;
  }
}

int stage_of(const model::Kyokumen& k) { return progress_estimate(board::testing::load(k)); }

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
  // there 1, a silver or knight on rank 5 or 4 half (gote: 5 or 6); an
  // unpromoted rook in the far camp 2, a bishop outside it 0.
  const std::pair<const char*, int> boards[] = {
      {"K59 k51 +R92 +p18", 1},                          // 5
      {"K59 k51 +R92 +p18 P23 s86", 1},                  // 5 + 2/2
      {"K59 k51 +R92 +p18 P23 s86 G83", 1},              // 7
      {"K59 k51 +R92 +p18 P23 s86 G83 N34", 1},          // 7 + 3/2
      {"K59 k51 +R92 +p18 P23 s86 G83 N34 S75", 2},      // 7 + 4/2
      {"K59 k51 +R92 +p18 P23 s86 G83 N34 S75 r67 b44", 2}};
  for (const auto& [text, stage] : boards) EXPECT_EQ(stage_of(scene(text)), stage) << text;
}

}  // namespace
}  // namespace eval
