// The engine move that a packed move word names on a position, as the think's
// principal-variation holder (KPvHolder, node_records.h) keeps its lines.
#pragma once

#include <cstdint>

#include "engine/board/move_rules.h"
#include "engine/board/position.h"
#include "engine/search/node_records.h"

namespace search {

// The engine move of a word on the position: piece numbers from the board, a
// drop taking the top hand slot of its kind. A pass, and a word that names no
// square of the board or no piece in hand, give the pass record.
inline board::KMove move_from_word(const board::KPosition& p, board::KMoveWord w) {
  const int from = board::kmove_from(w);
  const int to = board::kmove_to(w);
  const int code = board::kmove_piece(w);
  board::KMove m = board::pass_move();
  if (!board::is_playing_square(to)) return m;
  if (from == board::kInHand) {
    const int kind = board::code_kind(code);
    if (kind < board::kRook || kind > board::kPawn || p.hand[0][kind] + p.hand[1][kind] == 0) return m;
    board::write_move(m, from, to, board::drop_piece(p, kind), board::kEmptyNumber, code, 0, 0);
    return m;
  }
  if (!board::is_playing_square(from)) return m;
  board::write_move(m, from, to, p.board[from], p.board[to], code, board::kmove_captured(w),
                    board::kmove_promotes(w) ? 1 : 0);
  return m;
}

}  // namespace search
