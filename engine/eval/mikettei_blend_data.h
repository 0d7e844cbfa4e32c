// The undecided side's pawn and lance targets, as board diagrams seen by sente
// (rank 1 in the first row, file 9 in the first column), for a king gone to
// its left wing (files 6..9); a king on the right wing reads them mirrored.
// They are built by rule:
// - pawn target: on the castle files 7..9 the home pawns stay (rank 7 +4, the
//   bishop's pawn on 76 also +4) and every rank pushed beyond costs 6 (rank 6 of
//   files 8 and 9 -6, rank 5 -12, ... rank 1 -36); on the attack files 1..4 a
//   pawn gains 2 per rank pushed, up to 6 from rank 4 on; files 5 and 6 and the
//   ranks behind the pawns are 0.
// - lance target: the castle's lance stays on 99 (rank 8 -4, then 6 more per
//   rank up); the attacking lance on file 1 gains 3 from rank 5 up; 0 elsewhere.
// - pawn adjustment for the opponent's king on the castle side: the pawns of
//   files 6..9 gain 3 per rank pushed beyond 7, up to 9 from rank 4 on.
// - lance adjustment likewise: the lance of file 9 gains 2 per rank above 9.
#pragma once

#include <cstdint>

namespace eval {

namespace mikettei_rule {

constexpr int pawn_target(int f, int r) {
  if (f >= 7) {
    if (r >= 8) return 0;
    if (r == 7) return 4;
    if (r == 6 && f == 7) return 4;
    return -6 * (7 - r);
  }
  if (f <= 4 && r <= 6) return 2 * (7 - r < 3 ? 7 - r : 3);
  return 0;
}

constexpr int lance_target(int f, int r) {
  if (f == 9) return r == 9 ? 0 : -4 - 6 * (8 - r);
  if (f == 1 && r <= 5) return 3;
  return 0;
}

constexpr int pawn_enemy_king(int f, int r) { return f >= 6 && r <= 6 ? 3 * (7 - r < 3 ? 7 - r : 3) : 0; }

constexpr int lance_enemy_king(int f, int r) { return f == 9 ? 2 * (9 - r) : 0; }

struct Diagram {
  int16_t v[9][9];  // [rank - 1][9 - file]
  constexpr int at(int file, int rank) const { return v[rank - 1][9 - file]; }
};

constexpr Diagram diagram(int (*rule)(int, int)) {
  Diagram d{};
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) d.v[r - 1][9 - f] = static_cast<int16_t>(rule(f, r));
  }
  return d;
}

}  // namespace mikettei_rule

inline constexpr mikettei_rule::Diagram kMikketteiPawnTarget = mikettei_rule::diagram(mikettei_rule::pawn_target);
inline constexpr mikettei_rule::Diagram kMikketteiLanceTarget = mikettei_rule::diagram(mikettei_rule::lance_target);
inline constexpr mikettei_rule::Diagram kMikketteiPawnEnemyKing =
    mikettei_rule::diagram(mikettei_rule::pawn_enemy_king);
inline constexpr mikettei_rule::Diagram kMikketteiLanceEnemyKing =
    mikettei_rule::diagram(mikettei_rule::lance_enemy_king);

}  // namespace eval
