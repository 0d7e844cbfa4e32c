#include "engine/board/check_test.h"

#include <bit>

#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"

namespace board {

int is_discovered_oute(const KPosition& p, int side, int king_sq, int sq, int n) {
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

int is_oute(const KPosition& p, const KMove& m) {
  const int side = p.teban;
  const int king = p.piece[1 - side].sq;
  if (king >= kInHand || m.from == kPassSquare) return 0;
  const int code = m.promote ? (m.code | kPromotedBit) : m.code;
  const KomaMoves& km = kKomaMoveTable[code_class(code)];
  for (int i = 0; i < km.step_count; ++i) {
    if (m.to + side_offset(km.step[i], side) == king) return 1;
  }
  for (int i = 0; i < km.slide_count; ++i) {
    const int u = side_offset(km.slide[i], side);
    int t = m.to + u;
    // The mover has left its origin, so the walk passes it.
    while (p.board[t] == kEmptyNumber || t == m.from) t += u;
    if (t == king) return 2;
  }
  if (m.from == kInHand) return 0;
  const int d = is_discovered_oute(p, side, king, m.from, m.piece);
  if (d == 0) return 0;
  if (code_class(m.code) == kKnight) return 6;
  const int line = line_direction(m.from, m.to);
  return line == d || line == -d ? 0 : 6;
}

}  // namespace board
