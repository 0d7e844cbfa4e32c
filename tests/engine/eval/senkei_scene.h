// Strategy-table cells written as short texts, runs of a builder on a freshly
// filled table, and the turned-twin comparison of two tables. Positions are the
// board tests' texts (tests/engine/board/model_positions.h).
#pragma once

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "engine/eval/eval_setup.h"
#include "engine/eval/senkei_table.h"
#include "tests/engine/board/model_positions.h"

namespace eval::testing {

using board::testing::load;
using board::testing::scene;
using board::testing::twin;

// The board square of a square written file * 10 + rank in the side's own view.
constexpr int view_square(int side, int sq2) {
  return side == 0 ? board::square_of(sq2 / 10, sq2 % 10) : board::square_of(10 - sq2 / 10, 10 - sq2 % 10);
}

// Cells written as tokens: a layer's piece letter (upper case the side's own
// cell, lower case the opponent's) with the square of the side's view, then
// "=v" for a value, "+v" or "-v" for a change.
struct CellNote {
  int layer, sq, amount;
  bool enemy, value;
};

inline std::vector<CellNote> cell_notes(std::string_view text) {
  constexpr std::string_view kLetters = "RBGSNLPK";
  std::vector<CellNote> out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    const char c = text[i];
    const bool enemy = c >= 'a' && c <= 'z';
    CellNote note{static_cast<int>(kLetters.find(enemy ? static_cast<char>(c - 'a' + 'A') : c)),
                  (text[i + 1] - '0') * 10 + (text[i + 2] - '0'), 0, enemy, text[i + 3] == '='};
    i += 4;
    const bool negative = text[i - 1] == '-' || (i < text.size() && text[i] == '-');
    if (text[i] == '-') ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') note.amount = note.amount * 10 + (text[i++] - '0');
    if (negative) note.amount = -note.amount;
    out.push_back(note);
  }
  return out;
}

// The cell of a note for the side s.
inline int32_t& note_cell(board::KSenkeiTable& t, int s, const CellNote& c) {
  return t.cell[c.enemy ? 1 - s : s][c.layer][view_square(s, c.sq) - board::kFirstSquare];
}
inline int32_t note_cell(const board::KSenkeiTable& t, int s, const CellNote& c) {
  return note_cell(const_cast<board::KSenkeiTable&>(t), s, c);
}

// Expects each cell of both sides to have changed by the sum of the notes that
// name it (squares of s's view) and every other cell to be unchanged.
inline void expect_changes(const board::KSenkeiTable& before, const board::KSenkeiTable& after, int s,
                           const std::vector<CellNote>& notes) {
  for (int side = 0; side < 2; ++side) {
    for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
      for (int sq = 11; sq <= 99; ++sq) {
        if (sq % 10 == 0) continue;
        const int i = view_square(s, sq) - board::kFirstSquare;
        int expect = 0;
        for (const CellNote& c : notes) {
          if ((c.enemy ? 1 - s : s) == side && c.layer == layer && c.sq == sq) expect += c.amount;
        }
        EXPECT_EQ(after.cell[side][layer][i] - before.cell[side][layer][i], expect)
            << "side " << side << " layer " << layer << " at " << sq;
      }
    }
  }
}

// Fills the table with the code for both sides (so a twin run reads the turned
// base), sets the preset cells ("=" notes) of side s, and makes the root codes
// s: code, the opponent: opp.
inline void fill_for(int s, int code, int opp, std::string_view presets = "") {
  const int32_t codes[2] = {code, code};
  senkei_tables_init(0, codes);
  for (const CellNote& c : cell_notes(presets)) note_cell(eval_setup.senkei_table, s, c) = c.amount;
  eval_setup.root_senkei[s] = code;
  eval_setup.root_senkei[1 - s] = opp;
}

// True when table b is table a turned by 180 degrees with the sides swapped.
inline bool tables_are_twins(const board::KSenkeiTable& a, const board::KSenkeiTable& b) {
  for (int side = 0; side < 2; ++side) {
    for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
      for (int sq = 11; sq <= 99; ++sq) {
        if (sq % 10 == 0) continue;
        const int32_t x = note_cell(a, side, {layer, sq, 0, false, false});
        const int32_t y = note_cell(b, 1 - side, {layer, sq, 0, false, false});
        if (x != y) {
          ADD_FAILURE() << "side " << side << " layer " << layer << " square " << sq << ": " << x << " against " << y;
          return false;
        }
      }
    }
  }
  return true;
}

}  // namespace eval::testing
