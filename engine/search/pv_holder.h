// The principal-variation holder that the think routine fills for its caller,
// and the packing of engine moves into the 32-bit move words that variations,
// the transposition table and the messages to the view carry.
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
  uint32_t moves[kMaxMoves];    // KMoveWords, the first move first
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

constexpr uint32_t kPassWord = board::kPassSquare;  // a pass, or no move

// The move word of an engine move: from | to << 8 | code << 16 | captured code
// << 23 | promote << 30; a drop is 252 | to << 8 | code << 16; a pass is 253.
constexpr uint32_t move_word(const board::KMove& m) {
  if (m.from == board::kPassSquare) return kPassWord;
  if (m.from == board::kInHand) return board::kInHand | uint32_t{m.to} << 8 | uint32_t{m.code} << 16;
  return m.from | uint32_t{m.to} << 8 | uint32_t{m.code} << 16 | uint32_t{m.captured_code} << 23 |
         (m.promote ? 1u : 0u) << 30;
}

// The engine move of a word on the position: piece numbers from the board, a
// drop taking the top hand slot of its kind. A pass, and a word that names no
// square of the board or no piece in hand, give the pass record.
inline board::KMove move_from_word(const board::KPosition& p, uint32_t w) {
  const int from = w & 255;
  const int to = (w >> 8) & 255;
  const int code = (w >> 16) & 127;
  board::KMove m = board::pass_move();
  if (!board::is_playing_square(to)) return m;
  if (from == board::kInHand) {
    const int kind = board::code_kind(code);
    if (kind < board::kRook || kind > board::kPawn || p.hand[0][kind] + p.hand[1][kind] == 0) return m;
    board::write_move(m, from, to, board::drop_piece(p, kind), board::kEmptyNumber, code, 0, 0);
    return m;
  }
  if (!board::is_playing_square(from)) return m;
  board::write_move(m, from, to, p.board[from], p.board[to], code, (w >> 23) & 127, w >> 30);
  return m;
}

}  // namespace search
