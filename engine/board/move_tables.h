// The constant tables of piece movement: the step lists of lines and pieces, the
// move table by move class (with the reach column that decides how an attack
// passes a piece of its own side), the direction numbers of unit steps and the
// direction-by-difference table.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "engine/board/position.h"

namespace board {

constexpr int kMoveClasses = 32;

struct MoveStep {
  int32_t step;    // as gote makes it; sente uses the negation
  uint32_t slides; // 1 a sliding direction, 0 one step
  uint32_t reach;  // by direction number (not by move): 0 none, 1 one step, 2 slides
};

struct MoveRow {
  uint32_t count;
  MoveStep m[8];
};

// The step of a stored move for side s.
constexpr int side_step(int step, int side) { return side == 0 ? -step : step; }

// ---- Step lists -------------------------------------------------------------------
//
// The one set of step lists: the generators walk these (or their negations, the
// same lines taken from the other side), each in the order given here.

namespace detail {

template <size_t N>
constexpr std::array<int, N> negated(const std::array<int, N>& a) {
  std::array<int, N> t{};
  for (size_t i = 0; i < N; ++i) t[i] = -a[i];
  return t;
}

template <size_t N, size_t M>
constexpr std::array<int, N + M> joined(const std::array<int, N>& a, const std::array<int, M>& b) {
  std::array<int, N + M> t{};
  for (size_t i = 0; i < N; ++i) t[i] = a[i];
  for (size_t i = 0; i < M; ++i) t[N + i] = b[i];
  return t;
}

template <size_t N>
constexpr std::array<int, N> ascending(std::array<int, N> a) {
  for (size_t i = 1; i < N; ++i) {
    for (size_t j = i; j > 0 && a[j - 1] > a[j]; --j) std::swap(a[j - 1], a[j]);
  }
  return a;
}

}  // namespace detail

// The unit steps along ranks and files (the rook's lines) and along diagonals
// (the bishop's lines), in the first player's orientation.
inline constexpr std::array<int, 4> kOrthogonalSteps = {-1, 16, 1, -16};
inline constexpr std::array<int, 4> kDiagonalSteps = {15, 17, -15, -17};
// All eight, in the order of their direction numbers 0..7.
inline constexpr std::array<int, 8> kDirectionSteps = detail::joined(kOrthogonalSteps, kDiagonalSteps);
// The rook's and the bishop's lines each step negated: {1, -16, -1, 16} and
// {-15, -17, 15, 17}.
inline constexpr std::array<int, 4> kOrthogonalStepsNegated = detail::negated(kOrthogonalSteps);
inline constexpr std::array<int, 4> kDiagonalStepsNegated = detail::negated(kDiagonalSteps);
// The eight neighbours from the lowest square number to the highest.
inline constexpr std::array<int, 8> kNeighbourStepsAscending = detail::ascending(kDirectionSteps);

// The one-step moves of the gold, the silver and the king as gote makes them
// (the move table's rows); sente makes their negations.
inline constexpr std::array<int, 6> kGoldSteps = {16, 17, 1, -16, -1, 15};
inline constexpr std::array<int, 5> kSilverSteps = {16, 17, -15, -17, 15};
inline constexpr std::array<int, 8> kKingSteps = {16, 17, 1, -15, -16, -17, -1, 15};
inline constexpr std::array<int, 6> kSenteGoldSteps = detail::negated(kGoldSteps);
inline constexpr std::array<int, 5> kSenteSilverSteps = detail::negated(kSilverSteps);
inline constexpr std::array<int, 8> kSenteKingSteps = detail::negated(kKingSteps);
// The king's steps in the order the evasion generators try them: straight
// ahead of sente, its two forward diagonals, sideways, the backward diagonals,
// straight back.
inline constexpr std::array<int, 8> king_step_list = {-16, -15, -17, 1, -1, 17, 15, 16};

// Each list of the king's steps holds the eight directions once.
static_assert(std::is_permutation(kKingSteps.begin(), kKingSteps.end(), kDirectionSteps.begin()));
static_assert(std::is_permutation(king_step_list.begin(), king_step_list.end(), kDirectionSteps.begin()));

// ---- Directions ---------------------------------------------------------------

constexpr int direction_slot(int u) { return ((u + 1) & 15) * 3 + ((u + 17) >> 4); }

// Direction number by direction_slot() of a unit step (slot 4, the zero step, is unused).
inline constexpr std::array<uint8_t, 9> kDirectionNumber = [] {
  std::array<uint8_t, 9> t{};
  for (int d = 0; d < 8; ++d) t[direction_slot(kDirectionSteps[d])] = static_cast<uint8_t>(d);
  return t;
}();

// Direction number of an absolute unit step u taken by a piece of side s.
constexpr int direction_number(int u, int side) {
  return kDirectionNumber[direction_slot(side == 0 ? u : -u)];
}

// ---- Move table -------------------------------------------------------------------

namespace detail {

struct MoveList {
  int cls;
  int count;
  std::array<int, 8> step;
  std::array<int, 8> slides;
};

// A class's moves from a step list, with the slide flag of each step (one step
// where none is given).
template <size_t N>
constexpr MoveList move_list(int cls, const std::array<int, N>& steps, std::array<int, 8> slides = {}) {
  MoveList l{cls, static_cast<int>(N), {}, slides};
  for (size_t i = 0; i < N; ++i) l.step[i] = steps[i];
  return l;
}

// The moves of each class as gote makes them.
inline constexpr MoveList kMoveLists[] = {
    move_list(kRook, kOrthogonalSteps, {1, 1, 1, 1}),
    move_list(kBishop, kDiagonalSteps, {1, 1, 1, 1}),
    move_list(kGold, kGoldSteps),
    move_list(kSilver, kSilverSteps),
    move_list(kKnight, std::array<int, 2>{33, 31}),
    move_list(kLance, std::array<int, 1>{16}, {1}),
    move_list(kPawn, std::array<int, 1>{16}),
    move_list(kKing, kKingSteps),
    move_list(kDragon, kDirectionSteps, {1, 1, 1, 1}),
    move_list(kHorse, kDirectionSteps, {0, 0, 0, 0, 1, 1, 1, 1}),
};

constexpr bool is_unit_step(int u) {
  for (int d : kDirectionSteps) {
    if (d == u) return true;
  }
  return false;
}

constexpr MoveRow build_row(const MoveList& l) {
  MoveRow r{};
  r.count = static_cast<uint32_t>(l.count);
  for (int i = 0; i < l.count; ++i) {
    r.m[i].step = l.step[i];
    r.m[i].slides = static_cast<uint32_t>(l.slides[i]);
  }
  // The reach column: how far the piece moves in each direction of its own
  // orientation. A king lets no attack of its own side pass, so its column stays
  // empty; a knight's jumps are no unit steps.
  if (l.cls == kKing) return r;
  for (int i = 0; i < l.count; ++i) {
    const int u = side_step(l.step[i], 0);  // into the first player's orientation
    if (!is_unit_step(u)) continue;
    r.m[kDirectionNumber[direction_slot(u)]].reach = l.slides[i] ? 2 : 1;
  }
  return r;
}

constexpr std::array<MoveRow, kMoveClasses> build_move_table() {
  std::array<MoveRow, kMoveClasses> t{};
  for (const MoveList& l : kMoveLists) t[l.cls] = build_row(l);
  // Promoted silver, knight, lance and pawn move as a gold.
  for (int k : {kSilver, kKnight, kLance, kPawn}) t[k | kPromotedBit] = t[kGold];
  return t;
}

}  // namespace detail

inline constexpr std::array<MoveRow, kMoveClasses> koma_move_table = detail::build_move_table();

// Reach of a piece of class `cls` in direction number `dir`.
constexpr int class_reach(int cls, int dir) { return static_cast<int>(koma_move_table[cls].m[dir].reach); }

// ---- Direction by difference -----------------------------------------------------

constexpr int kMaxDifference = kLastSquare - kFirstSquare;  // 136

// For a difference t - f of two squares (-136..136), the unit step along a rank,
// file or diagonal that leads from f to t; 0 when no unit step does.
inline constexpr std::array<int8_t, 2 * kMaxDifference + 1> kDirByDiff = [] {
  std::array<int8_t, 2 * kMaxDifference + 1> t{};
  for (int u : kDirectionSteps) {
    for (int k = 1; k <= 8; ++k) t[kMaxDifference + k * u] = static_cast<int8_t>(u);
  }
  return t;
}();

// The unit step leading from square f to square t along a rank, file or
// diagonal, 0 when they are not on one line. The difference alone is ambiguous
// for two pairs of lines (a difference of 8 is also file 1 to file 9 one rank
// up, 120 also file 1 to file 9 seven ranks down), so the files are compared too.
constexpr int line_direction(int f, int t) {
  const int diff = t - f;
  if (diff < -kMaxDifference || diff > kMaxDifference) return 0;
  const int u = kDirByDiff[kMaxDifference + diff];
  if (u == 0) return 0;
  const int k = diff / u;  // steps along the line
  const int file_step = (u == 1 || u == 17 || u == -15) ? 1 : (u == -1 || u == -17 || u == 15) ? -1 : 0;
  return square_file(t) - square_file(f) == k * file_step ? u : 0;
}

}  // namespace board
