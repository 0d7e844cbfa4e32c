// The base values are built by rule from a few telling values: the king gains
// heavily in the far camp and is kept home on ranks 7-9 around its castle
// square; the rook gains in the far camp and stays near its strategy's file
// elsewhere; edge pawns are held back except on rank 4. The other layers start
// at 0 and are shaped by the per-strategy builders. Variants 1 and 2 repeat
// variant 0 (only variant 0 is read).
#include "engine/eval/senkei_base_table.h"

namespace eval {

namespace {

enum Layer : int { kRookLayer = 0, kPawnLayer = 6, kKingLayer = 7 };

struct CastleCell {
  int square;  // file * 10 + rank
  int32_t value;
};

// Per base row: the king's castle square (0: none), the rook's file and the
// king cells the row fixes on ranks 7-9.
struct RowShape {
  int king_home;
  int rook_file;
  CastleCell fixed[4];
};

constexpr RowShape kRowShapes[kSenkeiBaseRows] = {
    {0, 2, {}},                                         // 0 undecided
    {88, 2, {{88, 18}, {89, 10}, {79, 10}}},            // 1 yagura
    {88, 2, {}},                                        // 2 bishop exchange
    {28, 6, {{28, 18}, {39, 9}, {38, 7}, {17, -140}}},  // 3 fourth-file rook with mino
    {0, 8, {}},                                         // 4
    {78, 2, {}},                                        // 5 boat castle
    {28, 7, {}},                                        // 6 mutual ranging rook
    {87, 2, {}},                                        // 7 left mino
    {99, 2, {}},                                        // 8 static-rook anaguma
    {19, 6, {}},                                        // 9 ranging-rook anaguma
    {58, 2, {}},                                        // 10 central residence
    {0, 6, {}},                                         // 11
    {0, 2, {}},                                         // 12 two-piece handicap, upper side
    {0, 2, {}},                                         // 13
    {0, 2, {}},                                         // 14 rook handicap, upper side
    {0, 2, {}},                                         // 15
    {0, 2, {}},                                         // 16 bishop handicap, upper side
    {0, 5, {}},                                         // 17
    {38, 2, {}},                                        // 18 right king
    {0, 6, {}},                                         // 19
    {0, 2, {}},                                         // 20
    {69, 2, {}},                                        // 21 Kadal king
};

// The king far from home: ranks 1-2, rank 3 (800 in the centre, 770 at the
// edges), ranks 4-6.
constexpr int32_t kKingFarCamp = 1000;
constexpr int32_t kKingRank4 = 200;
constexpr int32_t kKingRank5 = -250;
constexpr int32_t kKingRank6 = -150;
constexpr int32_t kKingHomePeak = 18;
constexpr int32_t kKingAwayFromCastle = -20;  // rank 7 of a row without a castle square

constexpr int distance(int a, int b) { return a > b ? a - b : b - a; }

constexpr int32_t king_value(const RowShape& row, int f, int r) {
  if (r <= 2) return kKingFarCamp;
  if (r == 3) return 800 - distance(f, 5) * 15 / 2;
  if (r == 4) return kKingRank4;
  if (r == 5) return kKingRank5;
  if (r == 6) return kKingRank6;
  for (const CastleCell& c : row.fixed) {
    if (c.square == f * 10 + r) return c.value;
  }
  if (row.king_home == 0) return r == 7 ? kKingAwayFromCastle : 0;
  const int home_f = row.king_home / 10;
  const int home_r = row.king_home % 10;
  const int d = distance(f, home_f) > distance(r, home_r) ? distance(f, home_f) : distance(r, home_r);
  return d == 0 ? kKingHomePeak : 10 - 6 * d;
}

constexpr int32_t rook_value(const RowShape& row, int f, int r) {
  if (r <= 3) return 190;
  const int32_t v = -12 - 4 * distance(f, row.rook_file) - 3 * distance(r, 8);
  return v < -49 ? -49 : v;
}

// Edge-file pawns by rank 2..9 (index rank - 1); the other files 0.
constexpr int32_t kEdgePawn[9] = {0, -45, -40, 7, -13, -18, -23, -30, -38};

constexpr int32_t pawn_value(int f, int r) { return f == 1 || f == 9 ? kEdgePawn[r - 1] : 0; }

constexpr KSenkeiBaseTable build() {
  KSenkeiBaseTable t{};
  for (int row = 0; row < kSenkeiBaseRows; ++row) {
    for (int r = 1; r <= 9; ++r) {
      for (int f = 1; f <= 9; ++f) {
        const int i = (r - 1) * 9 + (9 - f);
        for (int v = 0; v < kSenkeiVariants; ++v) {
          t.block[row][v][kRookLayer][i] = rook_value(kRowShapes[row], f, r);
          t.block[row][v][kPawnLayer][i] = pawn_value(f, r);
          t.block[row][v][kKingLayer][i] = king_value(kRowShapes[row], f, r);
        }
      }
    }
  }
  return t;
}

}  // namespace

constexpr KSenkeiBaseTable senkei_base_table = build();

}  // namespace eval
