#include "engine/board/home_distance.h"

#include <algorithm>
#include <cstdlib>

namespace board {

namespace {

constexpr int kBackRank = 9;

// The king-move distance from (f, r) to (hf, hr).
int king_distance(int f, int r, int hf, int hr) { return std::max(std::abs(f - hf), std::abs(r - hr)); }

// The king-move distance to the nearer of two back-rank squares.
int nearer_home(int f, int r, int file_a, int file_b) {
  return std::min(king_distance(f, r, file_a, kBackRank), king_distance(f, r, file_b, kBackRank));
}

int knight_distance(int f, int r, int home_file) {
  return std::max(std::abs(f - home_file), std::abs(r - kBackRank) / 2);
}

}  // namespace

int shape_pattern_test(const KPosition& p, int side, int flag) {
  int sum = 0;
  for (int n = 0; n < kPieceCount; ++n) {
    const KPieceEntry e = p.piece[n];
    if (!is_playing_square(e.sq) || code_side(e.code) != side) continue;
    // The side's own view: gote reads the board turned by 180 degrees.
    const int f = side == 0 ? square_file(e.sq) : 10 - square_file(e.sq);
    const int r = side == 0 ? square_rank(e.sq) : 10 - square_rank(e.sq);
    switch (code_kind(e.code)) {
      case kRook:
        if (flag == 0) sum += 2 - (f == 2) - (r == 8);
        break;
      case kBishop: sum += (f == 8 && r == 8) ? 0 : 1; break;
      case kGold: sum += nearer_home(f, r, 4, 6); break;
      case kSilver: sum += nearer_home(f, r, 3, 7); break;
      case kKnight:
        if (flag == 0) sum += std::min(knight_distance(f, r, 2), knight_distance(f, r, 8));
        break;
      case kLance: sum += (r == kBackRank && (f == 1 || f == 9)) ? 0 : 1; break;
      case kPawn: sum += std::abs(r - 7); break;
      case kKing: sum += king_distance(f, r, 5, kBackRank); break;
      default: break;
    }
  }
  if (flag == 0) {
    for (int kind = kRook; kind <= kPawn; ++kind) sum += 2 * p.hand[side][kind];
  }
  return sum;
}

}  // namespace board
