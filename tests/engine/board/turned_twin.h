// A position's twin: the board turned by 180 degrees with the sides
// exchanged (the same piece numbers, except that the kings swap theirs), and
// moves named by what they do so that a move and its twin compare.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/board/position.h"
#include "engine/board/position_setup.h"
#include "engine/board/stage_rules.h"

namespace board::testing {

// A move by what it does (piece numbers left out), and the same of its twin.
inline uint64_t name(const KMove& m) {
  return uint64_t{m.from} | uint64_t{m.to} << 8 | uint64_t{m.code} << 16 | uint64_t{m.captured_code} << 24 |
         uint64_t{m.promote != 0} << 32;
}
inline uint64_t turned_name(const KMove& m) {
  KMove t = m;
  t.from = static_cast<uint8_t>(m.from == kInHand ? m.from : turned_square(m.from));
  t.to = static_cast<uint8_t>(turned_square(m.to));
  t.code = static_cast<uint8_t>(m.code ^ (kSenteBit | kGoteBit));
  t.captured_code = static_cast<uint8_t>(m.captured_code ? m.captured_code ^ (kSenteBit | kGoteBit) : 0);
  return name(t);
}

inline int twin_number(int n) { return n < 2 ? 1 - n : n; }

// The position turned by 180 degrees with the sides exchanged; the same piece
// numbers except that the kings swap theirs (a king's number is its side).
inline KPosition turned(const KPosition& a) {
  KPosition q;
  std::memcpy(&q, &a, sizeof q);
  q.teban = static_cast<uint8_t>(1 - a.teban);
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
    if (!is_playing_square(sq)) continue;
    const int n = a.board[turned_square(sq)];
    q.board[sq] = static_cast<uint8_t>(n < kPieceCount ? twin_number(n) : n);
  }
  for (int n = 0; n < kPieceCount; ++n) {
    const KPieceEntry e = a.piece[twin_number(n)];
    const bool on = is_playing_square(e.sq);
    q.piece[n] = {static_cast<uint8_t>(on ? turned_square(e.sq) : e.sq),
                  static_cast<uint8_t>(on ? e.code ^ (kSenteBit | kGoteBit) : e.code)};
  }
  std::memcpy(q.hand[0], a.hand[1], sizeof q.hand[0]);
  std::memcpy(q.hand[1], a.hand[0], sizeof q.hand[1]);
  pos_rebuild(q);
  return q;
}
}  // namespace board::testing
