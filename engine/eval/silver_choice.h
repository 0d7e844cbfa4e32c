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
#include <cstring>

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

namespace silver_choice_detail {

// The table: direct-mapped by a hash of the key; an entry holds its whole key,
// so a hit is an exact match. The silver entries are never all zero (a piece's
// square byte is never 0), so the zero-filled table starts empty. As the answer
// is a function of the key alone, an entry never goes stale. Each thread that
// evaluates keeps its own table, so no evaluation ever reads an entry another
// thread is writing.
struct Entry {
  uint64_t silvers;  // the four silver entries (square and code bytes) as stored
  uint32_t rest;     // king squares and rook files
  SilverChoice choice;
};
constexpr int kIndexBits = 10;
// constinit: the table needs no initialisation at run time, so its readers
// reach it directly, without the call that guards a thread's first access.
extern thread_local constinit Entry cache[1 << kIndexBits];

// A miss: works the answer out and keeps it in the entry.
SilverChoice fill(Entry& e, uint64_t silvers, uint32_t rest, const board::KPosition& p, const int king[2],
                  const int rook_file[2]);

}  // namespace silver_choice_detail

// The lookup is inline: the full evaluation asks it once per position, and
// nearly always finds its answer in the table.
inline SilverChoice silver_choice_cached(const board::KPosition& p, const int king[2], const int rook_file[2]) {
  using namespace silver_choice_detail;
  static_assert(sizeof(board::KPieceEntry) == 2 && board::kKindRange[board::kSilver].count == 4);
  uint64_t silvers;
  std::memcpy(&silvers, &p.piece[board::kKindRange[board::kSilver].first], sizeof silvers);
  const uint32_t rest = static_cast<uint32_t>(king[0] | king[1] << 8 | rook_file[0] << 16 | rook_file[1] << 24);
  const uint64_t mixed = (silvers ^ (static_cast<uint64_t>(rest) << 17)) * 0x9E3779B97F4A7C15ull;
  Entry& e = cache[mixed >> (64 - kIndexBits)];
  if (e.silvers != silvers || e.rest != rest) [[unlikely]] return fill(e, silvers, rest, p, king, rook_file);
  return e.choice;
}

}  // namespace eval
