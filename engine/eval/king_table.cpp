#include "engine/eval/king_table.h"

#include <algorithm>
#include <cstdlib>

#include "engine/eval/king_table_data.h"

namespace eval {

namespace {

constexpr int kSecondGroup = 6;
enum : int { kGoldB, kTokinB, kSilverB, kKnightB, kPawnB, kHorseB };

constexpr int king_index(int file, int rank) { return (rank - 1) * 9 + (file - 1); }
constexpr bool edge_line(int x) { return x == 1 || x == 9; }
constexpr bool on_board(int x) { return x >= 1 && x <= 9; }

// ---- First group ----------------------------------------------------------

// How far the file distance weighs, by distance 0..8.
constexpr int32_t kDistanceScale[9] = {128, 128, 192, 256, 384, 410, 430, 430, 430};

// Lf[kf - 1][f - 1]: the file-layout column of Ck for a square's file seen from
// the king's file.
constexpr int kFileLayout[9][9] = {
    {2, 7, 6, 5, 4, 3, 2, 1, 0}, {0, 3, 6, 5, 4, 3, 2, 1, 0}, {0, 1, 3, 5, 4, 3, 2, 1, 0},
    {0, 1, 2, 3, 4, 3, 2, 1, 0}, {0, 1, 2, 3, 3, 3, 2, 1, 0}, {0, 1, 2, 3, 4, 3, 2, 1, 0},
    {0, 1, 2, 3, 4, 5, 3, 1, 0}, {0, 1, 2, 3, 4, 5, 6, 3, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 2},
};

// Ck[kind][layout column].
constexpr int32_t kLayoutCut[6][8] = {
    {38, 28, 18, 5, 0, 0, 0, 0}, {38, 28, 18, 5, 0, 0, 0, 0}, {38, 9, 5, 1, 0, 0, 0, 0},
    {9, 6, 4, 1, 0, 0, 0, 0},    {12, 9, 5, 1, 0, 0, 0, 0},   {12, 9, 5, 1, 0, 0, 0, 0},
};
constexpr int32_t kKnightEdgeCut = 38;

// D[kind][rank - 1] in hundredths: the share a piece loses on that rank.
constexpr int32_t kRankLoss[6][9] = {
    {60, 22, 10, 0, 0, 0, 0, 0, 1}, {45, 18, 8, 0, 0, 0, 0, 0, 18}, {0, 0, 11, 0, 0, 0, 0, 0, 0},
    {0, 55, 20, 0, 0, 0, 0, 0, 0},  {0, 0, 0, 0, 0, 0, 0, 0, 0},    {10, 1, 0, 0, 0, 0, 0, 1, 10},
};

int first_group_value(int k, int kf, int kr, int f, int r) {
  int d = std::abs(f - kf);
  if (d > 0 && edge_line(kf)) --d;  // a king on the edge sees other files one nearer
  int32_t b = kKingTableA[k][r - kr + 8][d];
  if (kr == 9) {
    const int32_t next = kKingTableA[k][r - kr + 9][d];
    if (next > b) b = (b + next) / 2;
  }
  int32_t c = kLayoutCut[k][kFileLayout[kf - 1][f - 1]];
  if (k == detail::kKnightA && edge_line(f)) c = kKnightEdgeCut;
  const int32_t value = ((16384 - kDistanceScale[d] * c) * b) >> 14;
  return value * (100 - kRankLoss[k][r - 1]) / 100;
}

// ---- Second group -----------------------------------------------------------

// Edge terms of the file and rank distances, thousandths.
constexpr int kFileEdge[9] = {0, 200, 300, 400, 450, 500, 500, 500, 500};
constexpr int kRankEdge[9] = {0, 200, 250, 300, 325, 350, 350, 350, 350};
constexpr int kPlainBias = 200;  // 0.2 of a square

// Boost in hundredths of gold and silver two files from a king in an edge
// corner, by rank 1..3.
constexpr int32_t kCornerBoost[3] = {125, 110, 105};

// The knight's values are built from the pawn's full values. `Pawn` gives the
// pawn's value for (kf, kr, x, y): the formula itself, or the pawn rows already
// written into the table while the table is built.

// A pawn value used by the knight: 0 off the board, x 1.2 (truncated) on ranks 1-4.
template <class Pawn>
int32_t knight_source(const Pawn& pawn, int kf, int kr, int x, int y) {
  if (!on_board(x)) return 0;
  const int32_t v = pawn(kf, kr, x, y);
  return y < 5 ? v * 12 / 10 : v;
}

template <class Pawn>
int32_t knight_base(const Pawn& pawn, int kf, int kr, int f, int r) {
  if (r < 3) return 0;
  const int32_t s = knight_source(pawn, kf, kr, f - 1, r - 1) + knight_source(pawn, kf, kr, f + 1, r - 1);
  if (r < 5) return s;
  // Two jumps back: the files two to either side and the knight's own file.
  // Off the board (files below 1 or above 9) a term is 0.
  const int32_t far = knight_source(pawn, kf, kr, f - 2, r - 3) + knight_source(pawn, kf, kr, f + 2, r - 3) +
                      knight_source(pawn, kf, kr, f, r - 3);
  return s + far / 4;
}

template <class Pawn>
int32_t knight_edge(const Pawn& pawn, int kf, int kr, int f, int r, int32_t base) {
  int32_t v = base;
  if (edge_line(kf) && f != kf) {
    const int32_t nearer = knight_base(pawn, kf + (f > kf ? 1 : -1), kr, f, r);
    if (nearer > v) v = (v + nearer) / 2;
  }
  if (edge_line(kr) && r != kr) {
    const int32_t nearer = knight_base(pawn, kf, kr + (r > kr ? 1 : -1), f, r);
    if (nearer > v) v = (v + nearer) / 2;
  }
  return v;
}

int32_t pawn_formula(int kf, int kr, int x, int y) { return king_table_value_b(kPawnB, kf, kr, x, y); }

}  // namespace

int axis_distance(int a, int b, const int (&e)[9]) {
  const int edge = a > b ? e[9 - a] : a < b ? e[a - 1] : std::max(e[a - 1], e[9 - a]);
  return std::abs(a - b) * 1000 + edge;
}

int file_edge_distance(int a, int b) { return axis_distance(a, b, kFileEdge); }
int rank_edge_distance(int a, int b) { return axis_distance(a, b, kRankEdge); }

int64_t plain_distance_sq(int kf, int kr, int f, int r) {
  const int64_t x = std::abs(kf - f) * 1000 + kPlainBias;
  const int64_t y = std::abs(kr - r) * 1000 + kPlainBias;
  return x * x + y * y;
}

int64_t edge_distance_sq(int kf, int kr, int f, int r) {
  const int64_t x = file_edge_distance(kf, f);
  const int64_t y = rank_edge_distance(kr, r);
  return x * x + y * y;
}

int king_table_kind_b(int kf, int kr, int f, int r) { return knight_base(pawn_formula, kf, kr, f, r); }

int king_table_base_b(int n, int kf, int kr, int f, int r) {
  if (n == kKnightB) return king_table_kind_b(kf, kr, f, r);
  return kKingTableG[n][kr - r + 8][std::abs(kf - f)] * 80 / 100;
}

int king_table_edge_b(int kf, int kr, int f, int r, int base) { return knight_edge(pawn_formula, kf, kr, f, r, base); }

int king_table_shape_b(int n, int kf, int kr, int f, int r, int base) {
  switch (n) {
    case kGoldB:
    case kTokinB:
    case kSilverB: {
      int64_t b = base;
      if (edge_line(kf) && (kr == 1 || kr == 2) && std::abs(f - kf) == 2 && r <= 3) b = b * kCornerBoost[r - 1] / 100;
      return static_cast<int>(b * plain_distance_sq(kf, kr, f, r) / edge_distance_sq(kf, kr, f, r));
    }
    case kPawnB: {
      int32_t v = base;
      if (r >= 6) v = v * 85 / 100;
      if (edge_line(f) && f != kf) v = v * 85 / 100;
      return v;
    }
    case kKnightB:
      return king_table_edge_b(kf, kr, f, r, base);
    default:
      return base;
  }
}

int king_table_adjust_b(int n, int r, int value) { return n == kPawnB && r >= 5 ? value * 8 / 10 : value; }

int king_table_value_b(int n, int kf, int kr, int f, int r) {
  return king_table_adjust_b(n, r, king_table_shape_b(n, kf, kr, f, r, king_table_base_b(n, kf, kr, f, r)));
}

void king_table_build_a(KEvalWeights& w) {
  for (int kr = 1; kr <= 9; ++kr) {
    for (int kf = 1; kf <= 9; ++kf) {
      auto& rows = w.king_rel[king_index(kf, kr)];
      for (int k = 0; k < kSecondGroup; ++k) {
        for (int r = 1; r <= 9; ++r) {
          for (int f = 1; f <= 9; ++f)
            rows[k][king_index(f, r)] = static_cast<int16_t>(first_group_value(k, kf, kr, f, r));
        }
      }
    }
  }
}

void king_table_build_b(KEvalWeights& w) {
  // Every class but the knight first; then the knight from the pawn rows just
  // written (the same values as the formula, read once each instead of
  // recomputed), and the mean class.
  constexpr int kPawnClass = kSecondGroup + kPawnB;
  constexpr int kKnightClass = kSecondGroup + kKnightB;
  constexpr int kMeanClass = kSecondGroup + 6;
  for (int kr = 1; kr <= 9; ++kr) {
    for (int kf = 1; kf <= 9; ++kf) {
      auto& rows = w.king_rel[king_index(kf, kr)];
      for (int r = 1; r <= 9; ++r) {
        for (int f = 1; f <= 9; ++f) {
          for (int n = 0; n < 6; ++n) {
            if (n != kKnightB)
              rows[kSecondGroup + n][king_index(f, r)] = static_cast<int16_t>(king_table_value_b(n, kf, kr, f, r));
          }
        }
      }
    }
  }
  const auto pawn_rows = [&w](int kf, int kr, int x, int y) -> int32_t {
    return w.king_rel[king_index(kf, kr)][kPawnClass][king_index(x, y)];
  };
  for (int kr = 1; kr <= 9; ++kr) {
    for (int kf = 1; kf <= 9; ++kf) {
      auto& rows = w.king_rel[king_index(kf, kr)];
      for (int r = 1; r <= 9; ++r) {
        for (int f = 1; f <= 9; ++f) {
          const int q = king_index(f, r);
          const int32_t knight = knight_edge(pawn_rows, kf, kr, f, r, knight_base(pawn_rows, kf, kr, f, r));
          rows[kKnightClass][q] = static_cast<int16_t>(king_table_adjust_b(kKnightB, r, knight));
          rows[kMeanClass][q] = static_cast<int16_t>((rows[kSecondGroup][q] + rows[kSecondGroup + 1][q]) / 2);
        }
      }
    }
  }
}

}  // namespace eval
