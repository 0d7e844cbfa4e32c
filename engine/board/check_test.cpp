#include "engine/board/check_test.h"

#include <array>
#include <bit>

#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"

namespace board {

namespace {

// How a piece of each move class on a square reaches a square a difference d
// (as sente sees it) away: kStepReach when one of its steps lands there,
// kSlideLine when d lies along one of its slide directions (kDirByDiff, which
// does not compare files: a line that would wrap round the board meets a
// wall first). One read replaces the walk over every step and slide.
constexpr uint8_t kStepReach = 1;
constexpr uint8_t kSlideLine = 2;
inline constexpr auto kReachByDiff = [] {
  std::array<std::array<uint8_t, 2 * kMaxDifference + 1>, kMoveClasses> t{};
  for (int cls = 0; cls < kMoveClasses; ++cls) {
    const KomaMoves& km = kKomaMoveTable[cls];
    for (int i = 0; i < km.step_count; ++i) t[cls][kMaxDifference + km.step[i]] |= kStepReach;
    for (int d = -kMaxDifference; d <= kMaxDifference; ++d) {
      const int u = kDirByDiff[kMaxDifference + d];
      for (int i = 0; i < km.slide_count && u != 0; ++i) {
        if (km.slide[i] == u) t[cls][kMaxDifference + d] |= kSlideLine;
      }
    }
  }
  return t;
}();

// The discovered-check test's body, inlined into the check test.
[[gnu::always_inline]] inline int discovered(const KPosition& p, int side, int king_sq, int sq, int n) {
  if (king_sq >= kInHand) return 0;
  const KKiki& k = kiki_at(p, sq);
  uint32_t sliders = k.direct[side][0] & k.line[side];
  if (sliders == 0) return 0;
  const int d = line_direction(king_sq, sq);
  if (d == 0) return 0;
  int t = king_sq + d;
  while (p.board[t] == kEmptyNumber) t += d;
  if (p.board[t] != n) return 0;
  // Cheapest first: the first slider beyond the square on the same line.
  while (sliders != 0) {
    const int b = 31 - std::countl_zero(sliders);
    sliders &= ~(1u << b);
    if (line_direction(sq, p.piece[b].sq) == d) return d;
  }
  return 0;
}

}  // namespace

int is_discovered_oute(const KPosition& p, int side, int king_sq, int sq, int n) {
  return discovered(p, side, king_sq, sq, n);
}

int is_oute(const KPosition& p, const KMove& m) {
  const int side = p.teban;
  const int king = p.piece[1 - side].sq;
  if (king >= kInHand || m.from == kPassSquare) return 0;
  const int code = m.promote ? (m.code | kPromotedBit) : m.code;
  // The king as seen from the mover's square, in sente's direction of play.
  const int rel = side_offset(king - m.to, side);
  const uint8_t reach = kReachByDiff[code_class(code)][kMaxDifference + rel];
  if (reach & kStepReach) return 1;
  if (reach & kSlideLine) {
    const int u = side_offset(kDirByDiff[kMaxDifference + rel], side);
    int t = m.to + u;
    // The mover has left its origin, so the walk passes it.
    while (p.board[t] == kEmptyNumber || t == m.from) t += u;
    if (t == king) return 2;
  }
  if (m.from == kInHand) return 0;
  const int d = discovered(p, side, king, m.from, m.piece);
  if (d == 0) return 0;
  if (code_class(m.code) == kKnight) return 6;
  const int line = line_direction(m.from, m.to);
  return line == d || line == -d ? 0 : 6;
}

}  // namespace board
