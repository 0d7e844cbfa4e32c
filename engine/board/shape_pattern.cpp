#include "engine/board/shape_pattern.h"

#include <algorithm>
#include <cstdlib>

namespace board {

namespace {

// File and rank of a square in the side's own view (gote's turned by 180 degrees).
int view_file(int side, int sq) { return side == 0 ? square_file(sq) : 10 - square_file(sq); }
int view_rank(int side, int sq) { return side == 0 ? square_rank(sq) : 10 - square_rank(sq); }

int king_distance(int f, int r, int hf, int hr) { return std::max(std::abs(f - hf), std::abs(r - hr)); }

// The nearer of two back-rank home squares on files a and b.
int nearer_home(int f, int r, int a, int b) { return std::min(king_distance(f, r, a, 9), king_distance(f, r, b, 9)); }

int knight_distance(int f, int r, int hf) { return std::max(std::abs(f - hf), std::abs(r - 9) / 2); }

}  // namespace

int32_t shape_pattern_test(const KPosition& p, int side, int flag) {
  int32_t sum = 0;
  for (int n = 0; n < kPieceCount; ++n) {
    const KPieceEntry& e = p.piece[n];
    if (!is_playing_square(e.sq) || code_side(e.code) != side) continue;
    const int f = view_file(side, e.sq), r = view_rank(side, e.sq);
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
      case kLance: sum += (r == 9 && (f == 1 || f == 9)) ? 0 : 1; break;
      case kPawn: sum += std::abs(r - 7); break;
      case kKing: sum += king_distance(f, r, 5, 9); break;
      default: break;
    }
  }
  if (flag == 0) {
    for (int k = kRook; k <= kPawn; ++k) sum += 2 * p.hand[side][k];
  }
  return sum;
}

}  // namespace board
