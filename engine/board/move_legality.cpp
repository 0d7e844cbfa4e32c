#include "engine/board/move_legality.h"

#include <bit>

#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/strategy_cells.h"

namespace board {

namespace {

// The square of the second rank from the mover's far side: rank 2 for sente,
// rank 8 for gote.
bool on_second_rank(int side, int sq) { return square_rank(sq) == (side == 0 ? 2 : 8); }

bool drop_is_legal(const KPosition& p, const KMove& m) {
  const int side = p.teban;
  const int kind = code_kind(m.code);
  if (m.code != (kind | side_bit(side)) || kind < kRook || kind > kPawn) return false;
  if (p.hand[side][kind] == 0 || !is_playing_square(m.to) || p.board[m.to] != kEmptyNumber) return false;
  if (kind == kPawn && p.pawn_file[side][square_file(m.to)] != 0) return false;
  return may_stay_unpromoted(m.code, m.to);
}

bool board_move_is_legal(const KPosition& p, const KMove& m) {
  const int side = p.teban;
  if (!is_playing_square(m.from) || !is_playing_square(m.to)) return false;
  const int target = p.board[m.to];
  if (p.piece[target].code != m.captured_code || holds_piece_of(p, side, m.to)) return false;
  for (uint64_t set = kiki_direct64(kiki_at(p, m.to), side); set != 0;) {
    const int n = 63 - std::countl_zero(set);
    set &= ~(uint64_t{1} << n);
    if (p.piece[n].sq == m.from && p.piece[n].code == m.code) return true;
  }
  return false;
}

}  // namespace

int sashite_is_legal(const KPosition& p, const KMove& m) {
  if (m.from == kPassSquare) return king_attacked(p, p.teban) ? 0 : 1;
  if (m.from == kInHand) return drop_is_legal(p, m) ? 1 : 0;
  return board_move_is_legal(p, m) ? 1 : 0;
}

int kyo_sashite_test(const KPosition& p, const KMove& m, int depth) {
  const int side = p.teban;
  if (m.from == kInHand) {
    if (m.code != (kLance | side_bit(side))) return 0;
    // The pawn drop stands for the lance drop, but not against a king right in
    // front: the pawn's check may be a mate, which a pawn drop must not give.
    if (on_second_rank(side, m.to) && p.hand[side][kPawn] > 0 && p.pawn_file[side][square_file(m.to)] == 0 &&
        p.piece[1 - side].sq != m.to + forward_step(side)) {
      return 1;
    }
    if (!king_attacked(p, side) && depth >= 7) {
      const int behind = m.to - forward_step(side);
      if (p.board[behind] == kEmptyNumber && kiki_at(p, behind).direct_count[1 - side] == 0) return 1;
    }
    return 0;
  }
  if (m.from == kPassSquare || code_class(m.code) != kLance) return 0;
  if (senkei_cell(side, m.code, m.from) < senkei_cell(side, m.code, m.to)) return 0;
  if (!m.promote && on_second_rank(side, m.to)) return 1;
  if (!m.promote && m.captured_code == 0 && kiki_at(p, m.from).direct_count[1 - side] == 0) return 1;
  return 0;
}

int sashite_list_filter_legal(KPosition& p, int count, KMove* moves, int depth) {
  const int side = p.teban;
  for (int i = 0; i < count;) {
    bool drop_it = depth != -1 && kyo_sashite_test(p, moves[i], depth);
    if (!drop_it) {
      do_move(p, moves[i], 0);
      drop_it = king_attacked(p, side);
      undo_move(p, moves[i], 0);
    }
    if (drop_it) {
      moves[i] = moves[--count];
    } else {
      ++i;
    }
  }
  return count;
}

}  // namespace board
