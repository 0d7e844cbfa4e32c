// Reading and writing the attack records one piece or one ray at a time.
#pragma once

#include <bit>
#include <cstdint>

#include "engine/board/position.h"

namespace board {

// Adds every attack of piece n (the rule used by the full rebuild); nothing for a
// piece in a hand or out of play.
void kiki_add_piece(KPosition& p, int n);

// The three ray helpers below are those make and unmake run (kiki_update.h
// holds them, on an attack-record writer); these forms pick the writer by the
// per-ply flag, for callers outside make.

// The sliding walk of piece n of side `side` from square `sq` in unit step u,
// recording direct attacks at level 0 and x-ray attacks from level 1 on. With the
// flag set, every count it raises also raises the side's change counter of the
// current layer of the per-ply square table.
void kiki_ray_add(KPosition& p, int side, int sq, int u, int n, int level, int flag);

// Takes slider n's ray from square `sq` in unit step u off the records, square by
// square until n attacks nothing there, after an enemy piece other than the king,
// or at a wall. With the flag set the change counters follow.
void kiki_ray_remove_ply(KPosition& p, int side, int sq, int u, int n, int flag);

// Takes slider n's attack off one square (direct, else x-ray) with its line bit:
// 1 when n attacked nothing there (nothing changed), else 0.
int kiki_bit_remove(KPosition& p, int side, int sq, int n);

// The n-th (from 0) direct attacker of the square for the side, cheapest first
// (highest piece number first); 40 when there is no such attacker or the square
// is not a playing square. (Inline: the exchange evaluation and the move
// ordering ask it for the cheapest attacker of many squares.)
inline int kiki_nth64(const KPosition& p, int side, int sq, int n) {
  if (!is_playing_square(sq)) return kEmptyNumber;
  uint64_t set = kiki_direct64(kiki_at(p, sq), side);
  for (; set != 0; --n) {
    const int top = 63 - std::countl_zero(set);
    if (n == 0) return top;
    set &= ~(uint64_t{1} << top);
  }
  return kEmptyNumber;
}

// Takes the highest-numbered piece off an attacker set (kiki_direct64) and
// returns it; 40 once the set is empty. Taking a square's direct set apart
// this way meets its attackers in kiki_nth64's order, n = 0, 1, ..., without
// scanning the set from the top again for each.
inline int kiki_take_top(uint64_t& set) {
  if (set == 0) return kEmptyNumber;
  const int top = 63 - std::countl_zero(set);
  set &= ~(uint64_t{1} << top);
  return top;
}

// The n-th (from 0) piece of the side's x-ray set of the square, highest number
// first, for callers that go on past the direct attackers; 40 when there is no
// such piece or the square is not a playing square.
int kiki_nth32(const KPosition& p, int side, int sq, int n);

// The side's direct attacks on the square; 0 for anything but a playing square,
// so that an absent king (square 255) reads as not attacked.
int square_attack_count(const KPosition& p, int side, int sq);

}  // namespace board
