// The far-line table the king-line terms use to skip walks: a line it marks far
// must keep every board cell on it, its first square included, at Chebyshev
// distance kBlockerReach or more from the king, for every king square, every
// square and every step.
#include "engine/eval/far_lines.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/board/move_tables.h"

namespace eval {
namespace {

TEST(FarLines, AFarLineKeepsEveryCellAwayFromTheKing) {
  long far = 0, near = 0;
  for (int king = board::kFirstSquare; king <= board::kLastSquare; ++king) {
    if (!board::is_playing_square(king)) continue;
    for (int sq = board::kFirstSquare; sq <= board::kLastSquare; ++sq) {
      if (!board::is_playing_square(sq)) continue;
      for (int step : board::kDirectionSteps) {
        int nearest = cheb(sq, king);
        for (int q = sq + step; board::is_playing_square(q); q += step) nearest = std::min(nearest, cheb(q, king));
        if (far_lines(sq, king) & line_bit(step)) {
          ++far;
          EXPECT_GE(nearest, kBlockerReach) << "square " << sq << " king " << king << " step " << step;
        } else {
          ++near;
        }
      }
    }
  }
  // Both kinds occur: the table neither marks nothing nor everything.
  EXPECT_GT(far, 0);
  EXPECT_GT(near, 0);
}

TEST(FarLines, NoLineFromTheKingOrItsNeighboursIsFar) {
  for (int king = board::kFirstSquare; king <= board::kLastSquare; ++king) {
    if (!board::is_playing_square(king)) continue;
    for (int d : board::kDirectionSteps) {
      for (int sq : {king, king + d}) {
        if (!board::is_playing_square(sq)) continue;
        EXPECT_EQ(far_lines(sq, king), 0u) << sq << " " << king;
      }
    }
  }
}

}  // namespace
}  // namespace eval
