// The constant tables of the full evaluation: the rook-line and blocker weights
// of the king-line terms, the diagonal weights of the bishops, the file-and-rank
// table of the working silver, the two-thirds power curve, the placement tables
// of rooks, bishops, pawns and knights, and the Chebyshev and squared distances
// of two squares by their difference.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "engine/board/exchange_values.h"
#include "engine/board/position.h"

namespace eval {

// A rook approaching the enemy king, by 4 m + k: m from the rank distance, k the
// file distance of the rook's first piece to the king (0 when beyond it).
inline constexpr std::array<int32_t, 16> kRookLine = {355, 352, 230, 199, 173, 142, 117, 93,
                                                      69,  44,  20,  10,  5,   0,   0,   0};

// Weight of an enemy piece in a rook's line, by its type 1..8 (index 0 unused):
// on the rook's rank or behind it, and in front of it.
inline constexpr std::array<int32_t, 9> kRankBlocker = {0, 0, 173, 173, 128, 40, 36, 8, 0};
inline constexpr std::array<int32_t, 9> kFileBlocker = {0, 0, 216, 216, 160, 120, 120, 80, 0};

// How firmly a blocker is held, by the clamped balance 0..3 (256 = 1).
inline constexpr std::array<int32_t, 4> kBalance = {307, 256, 179, 128};

// Closeness of a rook's blocker to the king, by Chebyshev distance 0..6.
inline constexpr std::array<int32_t, 7> kRookDist = {0, 256, 220, 196, 102, 38, 0};

// The same for a bishop's diagonals: blocker weight by type 1..8, closeness by
// Chebyshev distance 0..8, and the bonus of the diagonal's nearest square by its
// squared distance 0..36 to the king.
inline constexpr std::array<int32_t, 9> kDiagBlocker = {0, 194, 144, 194, 144, 74, 72, 9, 0};
inline constexpr std::array<int32_t, 9> kDiagDist = {0, 256, 230, 205, 102, 38, 0, 0, 0};
inline constexpr int kDiagNearLimit = 36;
inline constexpr std::array<int32_t, kDiagNearLimit + 1> kDiagNear = {
    258, 252, 246, 231, 195, 189, 186, 183, 168, 138, 132, 126, 120, 96, 90, 84, 63, 57, 54,
    51,  48,  45,  42,  39,  36,  33,  30,  27,  24,  21,  18,  15,  12, 9,  6,  3,  0};

// The file-and-rank bonus of a square, by its file f 1..9 counted from the
// reference piece's side (row 0 unused) and its rank d - 4 from the centre
// (-4 = the side's own back rank).
using FileRankRow = std::array<int32_t, 9>;
inline constexpr FileRankRow kFileRankNear = {0, 0, 0, -1, -3, -5, -7, -9, -10};
inline constexpr std::array<FileRankRow, 10> kFileRank = {{
    {},
    kFileRankNear,
    kFileRankNear,
    kFileRankNear,
    kFileRankNear,
    {-15, -5, -3, -5, -3, -5, -7, -9, -10},
    {-54, -43, -33, -22, -7, 4, -10, -22, -37},
    {-58, -50, -40, -29, -16, -7, -27, -35, -52},
    {-66, -55, -48, -42, -27, -15, -37, -47, -61},
    {-78, -61, -57, -62, -48, -43, -50, -65, -75},
}};

// 1024 x 2^(k/3), rounded, for k = 0..7.
inline constexpr std::array<int32_t, 8> kTwoThirds = {1024, 1290, 1625, 2048, 2580, 3251, 4096, 5161};

// ---- Placement tables --------------------------------------------------------

// A rook's forward line by the relative rank of the cell it ends on (1 = the
// enemy's back rank, 0 = the wall beyond it).
inline constexpr std::array<int32_t, 10> kRookReach = {10, 9, 6, 4, 3, 2, 1, 0, 0, 0};

// Tables by a code without its side bits (the kind with the promotion bit; the
// wall reads 9); the codes not listed hold 0.
struct ClassValue {
  int cls;
  int32_t value;
};
constexpr std::array<int32_t, 24> class_table(std::initializer_list<ClassValue> values) {
  std::array<int32_t, 24> t{};
  for (const ClassValue& v : values) t[v.cls] = v.value;
  return t;
}

// What a rook's forward line facing an enemy piece (or the wall) is worth.
inline constexpr std::array<int32_t, 24> kRookFacing = class_table({
    {board::kBishop, 5}, {board::kGold, 3}, {board::kSilver, 2}, {board::kKnight, 4}, {board::kPawn, 1},
    {board::kKing, 3}, {board::kHorse, 4}, {board::kSilver | board::kPromotedBit, 2},
    {board::kKnight | board::kPromotedBit, 2}, {board::kLance | board::kPromotedBit, 1}, {board::kTokin, 1}});

// What an enemy piece at the end of a bishop's forward diagonal is worth.
inline constexpr std::array<int32_t, 24> kDiagTarget = class_table({
    {board::kRook, 10}, {board::kBishop, 6}, {board::kGold, 6}, {board::kSilver, 5}, {board::kKnight, 5},
    {board::kLance, 3}, {board::kKing, 10}, {board::kSilver | board::kPromotedBit, 3},
    {board::kKnight | board::kPromotedBit, 3}, {board::kLance | board::kPromotedBit, 2}, {board::kTokin, 2}});

// A pawn of files 2-8 by its class (0 free and undefended, 1 free and
// defended, 2 blocked and undefended, 3 blocked and defended) and sente's rank
// 0..9; gote reads the rank 10 - rank.
using PawnRankRow = std::array<int32_t, 10>;
inline constexpr std::array<PawnRankRow, 4> kPawnRankSente = {{
    {0, 0, 0, 16, 25, 4, 0, -1, -38, -44},
    {0, 0, 0, 58, 65, 15, 0, -1, -38, -44},
    {0, 0, 0, 13, 20, 2, 0, -1, -38, -44},
    {0, 0, 0, 28, 33, 3, 0, -1, -38, -44},
}};
inline constexpr auto kPawnRank = [] {
  std::array<std::array<PawnRankRow, 4>, 2> t{};
  for (int i = 0; i < 4; ++i) {
    for (int rank = 0; rank <= 9; ++rank) {
      t[0][i][rank] = kPawnRankSente[i][rank];
      t[1][i][rank] = rank == 0 ? 0 : kPawnRankSente[i][10 - rank];
    }
  }
  return t;
}();

// kPawnRank where a rank's four classes hold one value that needs no backing
// piece (at most kPawnFarValue), by side and rank: the pawn's value without
// looking at its square ahead or its defenders; kPawnByClass elsewhere.
inline constexpr int32_t kPawnFarValue = 19;  // larger pawn values need a piece behind them
inline constexpr int32_t kPawnByClass = INT32_MIN;
inline constexpr auto kPawnRankFlat = [] {
  std::array<std::array<int32_t, 10>, 2> t{};
  for (int side = 0; side < 2; ++side) {
    for (int rank = 0; rank <= 9; ++rank) {
      const int32_t v = kPawnRank[side][0][rank];
      bool flat = v <= kPawnFarValue;
      for (int i = 1; i < 4; ++i) flat = flat && kPawnRank[side][i][rank] == v;
      t[side][rank] = flat ? v : kPawnByClass;
    }
  }
  return t;
}();

// kPawnRankFlat by side and square of the pawn: the flat value of the square's
// rank, 0 on the ranks that need the pawn's class and for square 0 (no pawn on
// the file). The pawn group adds a row's seven entries without a test each.
inline constexpr auto kPawnFlatBySquare = [] {
  std::array<std::array<int8_t, board::kBoardCells>, 2> t{};
  for (int side = 0; side < 2; ++side) {
    for (int sq = board::kFirstSquare; sq <= board::kLastSquare; ++sq) {
      const int32_t v = kPawnRankFlat[side][board::square_rank(sq)];
      if (board::is_playing_square(sq) && v != kPawnByClass) t[side][sq] = static_cast<int8_t>(v);
    }
  }
  return t;
}();
// The ranks (sente's view) whose pawns need their class: one run of ranks, so
// that their squares are one run of square numbers for either side.
inline constexpr int kPawnClassFirstRank = [] {
  int r = 1;
  while (kPawnRankFlat[0][r] != kPawnByClass) ++r;
  return r;
}();
inline constexpr int kPawnClassLastRank = [] {
  int r = 9;
  while (kPawnRankFlat[0][r] != kPawnByClass) --r;
  return r;
}();
static_assert([] {
  for (int side = 0; side < 2; ++side) {
    for (int rank = 1; rank <= 9; ++rank) {
      const int sente_rank = side == 0 ? rank : 10 - rank;
      const bool by_class = sente_rank >= kPawnClassFirstRank && sente_rank <= kPawnClassLastRank;
      if ((kPawnRankFlat[side][rank] == kPawnByClass) != by_class) return false;
      if (!by_class && (kPawnRankFlat[side][rank] < INT8_MIN || kPawnRankFlat[side][rank] > INT8_MAX)) return false;
    }
  }
  return true;
}());

// A knight beside an own pawn, by where the pawn stands: 0 none (or three
// ranks ahead), 1 two ranks ahead, 2 one ahead, 3 level, 4 one behind.
inline constexpr std::array<int32_t, 5> kKnightPawn = {5, 0, 2, -1, -2};

// The rank and file difference of a square difference d = 16 x rank difference +
// file difference. A file difference of 8 and one of -8 on the next rank share a
// difference (only files 1 and 9 are that far apart); the smaller rank
// difference is taken, which leaves the Chebyshev distance exact and the squared
// distance at least 64 either way.
struct SquareDelta {
  int rank;
  int file;
};
constexpr SquareDelta square_delta(int d) {
  const int rank = d >= 0 ? (d + 7) / 16 : -((7 - d) / 16);
  return {rank, d - 16 * rank};
}

// Chebyshev and squared distances by square difference, index difference + 136.
constexpr int kDeltaBias = (board::kOffsetEntries - 1) / 2;  // 136
inline constexpr auto kChebyshev = [] {
  std::array<uint8_t, board::kOffsetEntries> t{};
  for (int d = -kDeltaBias; d <= kDeltaBias; ++d) {
    const SquareDelta sd = square_delta(d);
    t[d + kDeltaBias] = static_cast<uint8_t>(std::max(std::abs(sd.rank), std::abs(sd.file)));
  }
  return t;
}();
inline constexpr auto kSquaredDistance = [] {
  std::array<uint8_t, board::kOffsetEntries> t{};
  for (int d = -kDeltaBias; d <= kDeltaBias; ++d) {
    const SquareDelta sd = square_delta(d);
    t[d + kDeltaBias] = static_cast<uint8_t>(sd.rank * sd.rank + sd.file * sd.file);
  }
  return t;
}();

// Cheb(q1, q2) and Sq(q1, q2) of two board squares.
inline int cheb(int q1, int q2) { return kChebyshev[q2 - q1 + kDeltaBias]; }
inline int sq_distance(int q1, int q2) { return kSquaredDistance[q2 - q1 + kDeltaBias]; }

}  // namespace eval
