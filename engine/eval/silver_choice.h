// Which silver of each side is its working silver, and what its unpromoted
// silvers tell the later placement groups (their count, the silver flags and
// how many left the own camp). The answer depends only on the four silver
// entries, the two king squares and the two rook files, so the full
// evaluation keeps it in a small table by exactly those inputs
// (silver_choice_cached): between the nodes of a think they seldom change.
// The table is per thread; an entry holds its whole key and the answer depends
// on nothing else, so it never needs clearing.
//
// - silver_choice: works the answer out.
// - silver_choice_cached: the same answer, from the table when it holds these
//   inputs.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace eval {

// Silver flags: a silver outside its owner's three ranks (bit 1); such a silver
// on the king's side (bits 1 and 2 together); a silver inside them on the
// king's side (bit 4).
constexpr int kSilverAdvanced = 1;
constexpr int kSilverAdvancedKingSide = 1 | 2;
constexpr int kSilverHomeKingSide = 4;

// Per side: the working silver's square (0 none: no unpromoted silver on the
// board, or no king), the number of unpromoted silvers on the board, the
// silver flags and the number of those silvers outside the own camp.
struct SilverChoice {
  uint8_t square[2];
  uint8_t count[2];
  uint8_t flags[2];
  uint8_t advanced[2];
};

// `king`: each side's king square, 0 when not on the board; `rook_file`: the
// file of a rook of each side on the board, 0 none.
SilverChoice silver_choice(const board::KPosition& p, const int king[2], const int rook_file[2]);
SilverChoice silver_choice_cached(const board::KPosition& p, const int king[2], const int rook_file[2]);

}  // namespace eval
