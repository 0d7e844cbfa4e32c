// The position that judges an interposing drop: the attacker's capture of the
// dropped piece made, and the piece taken out of the attacker's hand again.
//
// A drop is futile (left out of a mate's length) only when the attacker mates
// from there within the length the defender reaches without the drop: the
// mate after the capture must be one that does without the captured piece. A
// mate that needs it is a longer mate bought with the drop, and the drop is a
// real defence.
//
// The piece goes back to the defender's hand: a key names a position by its
// board and the attacker's hand, the defender holding every other piece, so
// the position has a key of its own and its results hold for it alone.
#pragma once

#include "engine/board/hash_key.h"
#include "engine/board/position.h"
#include "engine/tsume/tsume_engine.h"

namespace tsume {

// The kind the capture took from the board (a dropped piece: never promoted).
inline int captured_kind(const board::KMove& capture) { return board::code_kind(capture.captured_code); }

// The key of the position after `capture` (keyed with the attacker's hand)
// with the captured piece out of that hand.
inline board::KHashKey key_without_captured(board::KHashKey key, const board::KMove& capture) {
  key.word[2] -= board::hand_unit(captured_kind(capture));
  return key;
}

// Moves one piece of `kind` from the hand of side `from` to the other side's:
// the counts only (both hands share the kind's slots, and a piece in a hand
// gets its code when it is dropped).
inline void hand_over(board::KPosition& p, int from, int kind) {
  --p.hand[from][kind];
  ++p.hand[1 - from][kind];
  if (kind != board::kPawn) {
    --p.hand_sum[from];
    ++p.hand_sum[1 - from];
  }
}

// In position `p` just after the attacker's `capture` (the defender to move),
// gives the captured piece back to the defender; give_back_undo before the
// capture is taken back.
inline void give_back(board::KPosition& p, const board::KMove& capture) {
  hand_over(p, board::code_side(capture.code), captured_kind(capture));
}
inline void give_back_undo(board::KPosition& p, const board::KMove& capture) {
  hand_over(p, 1 - board::code_side(capture.code), captured_kind(capture));
}

// The same for a context whose last move is the capture: its position and key.
inline void give_back(TsumeContext& c) {
  give_back(c.pos, c.last_move);
  c.key = key_without_captured(c.key, c.last_move);
}
inline void give_back_undo(TsumeContext& c) {
  give_back_undo(c.pos, c.last_move);
  c.key.word[2] += board::hand_unit(captured_kind(c.last_move));
}

}  // namespace tsume
