// The principal-variation holder that the think routine fills for its caller,
// and the engine move that a packed move word names on a position.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/board/move_rules.h"
#include "engine/board/position.h"

namespace search {

// A principal variation as the think hands it back.
struct KPvHolder {
  static constexpr int kMaxMoves = 42;
  // In the think's result block the flag slot after the 41st move marks a move
  // found by the mate check at the root, so a result line holds at most 41 moves.
  static constexpr int kMateAtRootSlot = 41;
  static constexpr int32_t kResetState = 13;

  int32_t length;               // the number of moves of the line
  int32_t reserved;
  board::KMoveWord moves[kMaxMoves];  // the first move first
  uint32_t flags[kMaxMoves];    // per move; bit 0 tags the move in the trace log
  int32_t state;                // 13 after a reset
  int32_t threat;               // the first move threatens mate

  // An empty line: length 0, first move and flag 0, state 13.
  void Reset() {
    length = 0;
    moves[0] = 0;
    flags[0] = 0;
    state = kResetState;
  }
  bool mate_at_root() const { return flags[kMateAtRootSlot] != 0; }
};

static_assert(offsetof(KPvHolder, moves) == 8);
static_assert(offsetof(KPvHolder, flags) == 8 + 4 * KPvHolder::kMaxMoves);
static_assert(offsetof(KPvHolder, threat) == 12 + 8 * KPvHolder::kMaxMoves);

// The engine move of a word on the position: piece numbers from the board, a
// drop taking the top hand slot of its kind. A pass, and a word that names no
// square of the board or no piece in hand, give the pass record.
inline board::KMove move_from_word(const board::KPosition& p, board::KMoveWord w) {
  const int from = engine::kmove_from(w);
  const int to = engine::kmove_to(w);
  const int code = engine::kmove_piece(w);
  board::KMove m = board::pass_move();
  if (!board::is_playing_square(to)) return m;
  if (from == board::kInHand) {
    const int kind = board::code_kind(code);
    if (kind < board::kRook || kind > board::kPawn || p.hand[0][kind] + p.hand[1][kind] == 0) return m;
    board::write_move(m, from, to, board::drop_piece(p, kind), board::kEmptyNumber, code, 0, 0);
    return m;
  }
  if (!board::is_playing_square(from)) return m;
  board::write_move(m, from, to, p.board[from], p.board[to], code, engine::kmove_captured(w),
                    engine::kmove_promotes(w) ? 1 : 0);
  return m;
}

}  // namespace search
