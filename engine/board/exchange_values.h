// The evaluation's values as the board's exchange evaluator and capture
// generators read them: the stage block (the values that depend on the game
// stage) and the king-relative square table. The evaluation in engine/eval builds
// both and points the board at them (eval_links.h); the board only reads them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/board/position.h"

namespace board {

constexpr int kKingSquares = 81;     // king and piece squares: (rank - 1) x 9 + (file - 1)
constexpr int kKingRelClasses = 13;  // 0-5 around the own king, 6-12 around the enemy king
constexpr int kCountRows = 8;        // king, rook, bishop, gold, silver, knight, lance, pawn
constexpr int kCountEntries = 18;    // by how many pieces of the kind are already counted
constexpr int kPieceCodes = 24;      // piece kind codes 0..23 (promoted = kind + 16)
constexpr int kOffsetClasses = 6;    // gold, silver, knight, lance, pawn, horse
constexpr int kOffsetEntries = 273;  // square offsets -136..136, index offset + 136

// The class of each code class around its own king: gold and the promoted
// minor pieces 0, silver 1, knight 2, lance 3, pawn 4, horse 5; -1 for the
// others. It is the first group of the king-relative classes and the row of the
// exchange's offset tables.
inline constexpr std::array<int8_t, 32> kOwnKingClass = [] {
  std::array<int8_t, 32> t{};
  t.fill(-1);
  t[kGold] = 0;
  t[kSilver] = 1;
  t[kKnight] = 2;
  t[kLance] = 3;
  t[kPawn] = 4;
  t[kHorse] = 5;
  for (int k : {kSilver, kKnight, kLance, kPawn}) t[k | kPromotedBit] = 0;
  return t;
}();

// [king square][class][square], both squares in sente's board coordinates:
// the value of a piece of the class at its offset from the king.
using KKingRelTable = int16_t[kKingSquares][kKingRelClasses][kKingSquares];

struct KExchangeWeights {
  uint16_t offset_value_a[kOffsetClasses][kOffsetEntries];  // around the own king
  uint16_t offset_value_b[kOffsetClasses][kOffsetEntries];  // around the other king
  int32_t count_value[kCountRows - 1][kCountEntries];       // rook .. pawn
  int32_t count_prefix[kCountRows - 1][kCountEntries];      // entry n: sum of entries 0..n-1
  int32_t piece_value[kPieceCodes];
};

static_assert(sizeof(KExchangeWeights) == 2 * 2 * 6 * 273 + 4 * (2 * 7 * 18 + 24));

}  // namespace board
