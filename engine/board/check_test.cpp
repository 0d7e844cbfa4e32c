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

// The discovered-check test past its first look, once a slider of the side
// is known to bear on the square along its line: the line from the king, the
// first piece on it, and a slider beyond on the same line. Most squares carry
// no such slider, so the callers ask this behind the first look.
[[gnu::always_inline]] inline int discovered_line(const KPosition& p, int king_sq, int sq, int n, uint32_t sliders) {
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

// The sliders of the side on lines through the square (the first look).
[[gnu::always_inline]] inline uint32_t sliders_through(const KPosition& p, int side, int sq) {
  const KKiki& k = kiki_at(p, sq);
  return k.direct[side][0] & k.line[side];
}

// Whether the moved piece's slide from its destination along u reaches the
// king: the walk passes the origin, which the mover has left.
[[gnu::noinline]] bool slide_reaches(const KPosition& p, const KMove& m, int u, int king) {
  int t = m.to + u;
  while (p.board[t] == kEmptyNumber || t == m.from) t += u;
  return t == king;
}

// The check a board move uncovers (6) or not (0), given the sliders through
// its origin: none when it moves along the uncovered line (a knight never does).
[[gnu::noinline]] int uncovered_check(const KPosition& p, const KMove& m, int king, uint32_t sliders) {
  const int d = discovered_line(p, king, m.from, m.piece, sliders);
  if (d == 0) return 0;
  if (code_class(m.code) == kKnight) return 6;
  const int line = line_direction(m.from, m.to);
  return line == d || line == -d ? 0 : 6;
}

}  // namespace

int is_discovered_oute(const KPosition& p, int side, int king_sq, int sq, int n) {
  if (king_sq >= kInHand) return 0;
  const uint32_t sliders = sliders_through(p, side, sq);
  return sliders == 0 ? 0 : discovered_line(p, king_sq, sq, n, sliders);
}

// The frequent answers (a step check, no check by a drop, no slider through
// the origin) take no call; the walks are out of line.
int is_oute(const KPosition& p, const KMove& m) {
  const int side = p.teban;
  const int king = p.piece[1 - side].sq;
  if (king >= kInHand || m.from == kPassSquare) return 0;
  const int code = m.promote ? (m.code | kPromotedBit) : m.code;
  // The king as seen from the mover's square, in sente's direction of play.
  const int rel = side_offset(king - m.to, side);
  const uint8_t reach = kReachByDiff[code_class(code)][kMaxDifference + rel];
  if (reach & kStepReach) return 1;
  if ((reach & kSlideLine) && slide_reaches(p, m, side_offset(kDirByDiff[kMaxDifference + rel], side), king)) {
    return 2;
  }
  if (m.from == kInHand) return 0;
  const uint32_t sliders = sliders_through(p, side, m.from);
  return sliders == 0 ? 0 : uncovered_check(p, m, king, sliders);
}

}  // namespace board
