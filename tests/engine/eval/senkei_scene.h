// Positions written as short texts for the strategy-table tests, their turned
// twins, and runs of a builder on a freshly filled table.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "engine/driver/position_bridge.h"
#include "engine/eval/root_globals.h"
#include "engine/eval/senkei_table.h"
#include "model/position/kyokumen.h"
#include "tests/model/position/position_builder.h"

namespace eval::testing {

// A position written as tokens separated by blanks: a piece letter (K R B G S N L
// P; upper case sente's, lower case gote's; a leading '+' promotes it) with its
// square as file then rank, or '*' and a letter for a piece in that side's hand.
inline model::Kyokumen scene(std::string_view text, int teban = 0) {
  model::Kyokumen k = model::testing::empty_position();
  k.teban = teban;
  constexpr std::string_view kLetters = "PLNSGBRK";
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const bool hand = text[i] == '*';
    const bool promoted = text[i] == '+';
    if (hand || promoted) ++i;
    const char c = text[i++];
    const bool gote = c >= 'a' && c <= 'z';
    const int type = static_cast<int>(kLetters.find(gote ? static_cast<char>(c - 'a' + 'A') : c)) + 1;
    if (hand) {
      ++k.mochigoma[gote ? 1 : 0][type];
      continue;
    }
    const int file = text[i] - '0';
    const int rank = text[i + 1] - '0';
    i += 2;
    model::testing::put(k, file, rank, (promoted ? type + model::kPromoteBit : type) | (gote ? model::kGoteBit : 0));
  }
  return k;
}

// The position turned by 180 degrees with the sides swapped.
inline model::Kyokumen twin(const model::Kyokumen& k) {
  model::Kyokumen t = model::testing::empty_position();
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) {
      const model::Koma& c = k.At(x, y);
      if (!c.IsEmpty()) t.At(10 - x, 10 - y).Set(c.code ^ model::kGoteBit);
    }
  }
  for (int type = 1; type < 8; ++type) {
    t.mochigoma[0][type] = k.mochigoma[1][type];
    t.mochigoma[1][type] = k.mochigoma[0][type];
  }
  t.teban = 1 - k.teban;
  return t;
}

inline board::KPosition load(const model::Kyokumen& k) {
  board::KPosition p;
  EXPECT_EQ(driver::position_load(p, k), 0);
  return p;
}

// The board square of a square written file * 10 + rank in the side's own view.
constexpr int view_square(int side, int sq2) {
  return side == 0 ? board::square_of(sq2 / 10, sq2 % 10) : board::square_of(10 - sq2 / 10, 10 - sq2 % 10);
}

inline int32_t& table_cell(board::KSenkeiTable& t, int side, int layer, int sq) {
  return t.cell[side][layer][sq - board::kFirstSquare];
}

// Cells written as tokens: a layer's piece letter (upper case the side's own
// cell, lower case the opponent's) with the square of the side's view, then
// "=v" for a value, "+v" or "-v" for a change.
struct CellSpec {
  int layer;
  int sq;
  int amount;
  bool enemy;
  bool value;
};

inline std::vector<CellSpec> cell_specs(std::string_view text) {
  constexpr std::string_view kLetters = "RBGSNLPK";
  std::vector<CellSpec> out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const char c = text[i];
    const bool enemy = c >= 'a' && c <= 'z';
    CellSpec spec{static_cast<int>(kLetters.find(enemy ? static_cast<char>(c - 'a' + 'A') : c)),
                  (text[i + 1] - '0') * 10 + (text[i + 2] - '0'), 0, enemy, text[i + 3] == '='};
    i += 4;
    const bool negative = text[i - 1] == '-' || (i < text.size() && text[i] == '-');
    if (text[i] == '-') ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') spec.amount = spec.amount * 10 + (text[i++] - '0');
    if (negative) spec.amount = -spec.amount;
    out.push_back(spec);
  }
  return out;
}

// The cell of a spec for the side s.
inline int32_t& spec_cell(board::KSenkeiTable& t, int s, const CellSpec& c) {
  return table_cell(t, c.enemy ? 1 - s : s, c.layer, view_square(s, c.sq));
}
inline int32_t spec_cell(const board::KSenkeiTable& t, int s, const CellSpec& c) {
  return t.cell[c.enemy ? 1 - s : s][c.layer][view_square(s, c.sq) - board::kFirstSquare];
}

// Expects each cell of both sides to have changed by the sum of the specs that
// name it (squares of s's view) and every other cell to be unchanged.
inline void expect_changes(const board::KSenkeiTable& before, const board::KSenkeiTable& after, int s,
                           const std::vector<CellSpec>& specs) {
  for (int side = 0; side < 2; ++side) {
    for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
      for (int sq = 11; sq <= 99; ++sq) {
        if (sq % 10 == 0) continue;
        const int i = view_square(s, sq) - board::kFirstSquare;
        int expect = 0;
        for (const CellSpec& c : specs) {
          if ((c.enemy ? 1 - s : s) == side && c.layer == layer && c.sq == sq) expect += c.amount;
        }
        EXPECT_EQ(after.cell[side][layer][i] - before.cell[side][layer][i], expect)
            << "side " << side << " layer " << layer << " at " << sq;
      }
    }
  }
}

// Fills the table with the code for both sides (so a twin run reads the turned
// base), sets the preset cells ("=" specs) of side s, and makes the root codes
// s: code, the opponent: opp.
inline void fill_for(int s, int code, int opp, std::string_view presets = "") {
  const int32_t codes[2] = {code, code};
  senkei_tables_init(0, codes);
  for (const CellSpec& c : cell_specs(presets)) spec_cell(senkei_table, s, c) = c.amount;
  root_senkei[s] = code;
  root_senkei[1 - s] = opp;
}

// True when table b is table a turned by 180 degrees with the sides swapped.
inline bool tables_are_twins(const board::KSenkeiTable& a, const board::KSenkeiTable& b) {
  for (int side = 0; side < 2; ++side) {
    for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
      for (int r = 1; r <= 9; ++r) {
        for (int f = 1; f <= 9; ++f) {
          const int i = board::square_of(f, r) - board::kFirstSquare;
          const int j = board::square_of(10 - f, 10 - r) - board::kFirstSquare;
          if (a.cell[side][layer][i] != b.cell[1 - side][layer][j]) {
            ADD_FAILURE() << "side " << side << " layer " << layer << " square " << f * 10 + r << ": "
                          << a.cell[side][layer][i] << " against " << b.cell[1 - side][layer][j];
            return false;
          }
        }
      }
    }
  }
  return true;
}

}  // namespace eval::testing
