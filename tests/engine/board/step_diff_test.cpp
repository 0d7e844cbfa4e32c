// The step-change table that make and unmake use for a piece that only steps:
// for every such code and each of its own steps, the squares it loses and gains
// are exactly the difference of its attack sets before and after; a promotion,
// or a move by a difference the table has no slot for, changes every step (and
// only then may a square be both lost and gained).
#include <gtest/gtest.h>

#include <set>

#include "engine/board/position.h"
#include "engine/board/step_diff.h"

namespace board::detail {
namespace {

std::set<int> squares(int q, const int8_t* step, int count) {
  std::set<int> out;
  for (int i = 0; i < count; ++i) out.insert(q + step[i]);
  return out;
}

std::set<int> minus(const std::set<int>& a, const std::set<int>& b) {
  std::set<int> out;
  for (int x : a) {
    if (!b.count(x)) out.insert(x);
  }
  return out;
}

TEST(StepDiff, LosesAndGainsExactlyTheDifferenceOfTheAttackSets) {
  const int from = square_of(5, 5);
  int checked = 0;
  for (int code = kSenteBit; code < kPieceCodes; ++code) {
    const PieceSteps& e = kPieceSteps[code];
    if (e.slide_count != 0 || e.step_count == 0) continue;
    const std::set<int> before = squares(from, e.step, e.step_count);
    for (int i = 0; i < e.step_count; ++i) {
      const int to = from + e.step[i];
      const std::set<int> after = squares(to, e.step, e.step_count);
      const StepDiff& d = step_diff(code, from, to, false);
      EXPECT_EQ(squares(from, d.lose, d.lose_count), minus(before, after)) << "code " << code << " step " << i;
      EXPECT_EQ(squares(to, d.gain, d.gain_count), minus(after, before)) << "code " << code << " step " << i;
      // A capture's list leaves the gained squares alone only when none was lost.
      EXPECT_FALSE(d.whole);
      const std::set<int> lost = squares(from, d.lose, d.lose_count);
      EXPECT_EQ(minus(lost, squares(to, d.gain, d.gain_count)), lost) << "code " << code << " step " << i;
      ++checked;
    }
  }
  // Gold, silver, knight, pawn, king and the promoted steppers of both sides.
  EXPECT_GT(checked, 50);
}

TEST(StepDiff, PromotionsAndUncoveredMovesChangeEveryStep) {
  const int from = square_of(5, 5);
  const int silver = kSilver | kGoteBit;
  const PieceSteps& plain = kPieceSteps[silver];
  const PieceSteps& promoted = kPieceSteps[silver | kPromotedBit];

  const StepDiff& promoting = step_diff(silver, from, from + plain.step[0], true);
  EXPECT_EQ(squares(0, promoting.lose, promoting.lose_count), squares(0, plain.step, plain.step_count));
  EXPECT_EQ(squares(0, promoting.gain, promoting.gain_count), squares(0, promoted.step, promoted.step_count));
  EXPECT_TRUE(promoting.whole);

  // Two files over is no move of any piece that only steps.
  for (int to : {from + 2, from - 40}) {
    const StepDiff& whole = step_diff(silver, from, to, false);
    EXPECT_EQ(squares(0, whole.lose, whole.lose_count), squares(0, plain.step, plain.step_count));
    EXPECT_EQ(squares(0, whole.gain, whole.gain_count), squares(0, plain.step, plain.step_count));
    EXPECT_TRUE(whole.whole);
  }
}

// The direction words name the same steps as the lists, lost ones in the low
// half and gained ones in the high half, for every code and slot.
TEST(StepDiff, DirectionWordsHoldTheListedSteps) {
  auto offsets = [](uint32_t half) {
    std::set<int> out;
    for (int i = 0; i < static_cast<int>(kStepMoveDiffs.size()); ++i) {
      if ((half >> i) & 1) out.insert(kStepMoveDiffs[i]);
    }
    return out;
  };
  for (int i = 0; i < kStepDiffCodes; ++i) {
    for (int slot = 0; slot < kStepSlots; ++slot) {
      const StepDiff& d = kStepDiffs[i][slot];
      const uint32_t w = kStepDiffDirections[i][slot];
      EXPECT_EQ(offsets(w & 0xFFFF), squares(0, d.lose, d.lose_count)) << "code " << i << " slot " << slot;
      EXPECT_EQ(offsets(w >> kGainShift), squares(0, d.gain, d.gain_count)) << "code " << i << " slot " << slot;
    }
  }
  const int silver = kSilver | kSenteBit, from = square_of(5, 5);
  EXPECT_EQ(step_diff_directions(silver, from, from + 2, false), kStepDiffDirections[silver - kSenteBit][kWholeSlot]);
}

// A square's on-board directions are exactly the steps that land on a playing
// square: at the edges and corners some are cut, in the middle none.
TEST(StepDiff, OnBoardDirectionsStopAtTheEdges) {
  int cut = 0;
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
    if (!is_playing_square(sq)) {
      EXPECT_EQ(kStepsOnBoard[sq], 0) << sq;
      continue;
    }
    for (int i = 0; i < static_cast<int>(kStepMoveDiffs.size()); ++i) {
      const bool on = (kStepsOnBoard[sq] >> i) & 1;
      EXPECT_EQ(on, is_playing_square(sq + kStepMoveDiffs[i])) << "square " << sq << " direction " << i;
      cut += on ? 0 : 1;
    }
  }
  EXPECT_GT(cut, 0);
  EXPECT_EQ(kStepsOnBoard[square_of(5, 5)], (1u << kStepMoveDiffs.size()) - 1);
}

}  // namespace
}  // namespace board::detail
