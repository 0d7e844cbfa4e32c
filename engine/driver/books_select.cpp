#include "engine/driver/books_select.h"

#include <algorithm>

#include "engine/board/engine_perft.h"
#include "engine/board/move_rules.h"
#include "engine/driver/book_key.h"

namespace driver {

namespace {

// The engine's kinds 1 rook .. 7 pawn are the book's hand kinds, and the
// engine's piece list has the slot grouping of BookPosition.
constexpr int book_kind_of_engine(int kind) { return kind == board::kKing ? kBookKing : kind - 1; }

// A BookPosition slot byte: 10 * y + x seen from the mover, bit 7 for the other
// side's piece.
uint8_t slot_byte(bool other_side, int x, int y) {
  return static_cast<uint8_t>((other_side ? kBookOtherSide : 0) | (10 * y + x));
}

}  // namespace

void book_position_from_kposition(model::BookPosition* out, const board::KPosition& p) {
  const bool gote = p.teban != 0;
  int hand[2][8];
  for (int side = 0; side < 2; ++side) {
    for (int kind = board::kRook; kind <= board::kPawn; ++kind) hand[side][kind] = p.hand[side][kind];
  }
  uint8_t slot[40];
  bool promoted[40] = {};
  for (int i = 0; i < board::kPieceCount; ++i) {
    const board::KPieceEntry& e = p.piece[i];
    const int kind = board::number_kind(i);
    if (board::is_playing_square(e.sq)) {
      int file = board::square_file(e.sq), rank = board::square_rank(e.sq);
      bool owner_gote = (e.code & board::kGoteBit) != 0;
      if (gote) {
        file = 10 - file;
        rank = 10 - rank;
      }
      slot[i] = slot_byte(owner_gote != gote, file - 1, rank - 1);
      promoted[i] = (e.code & board::kPromotedBit) != 0;
    } else if (e.sq == board::kInHand && kind != board::kKing) {
      // Hand pieces carry no owner of their own: sente's count first, then gote's.
      bool owner_gote;
      if (hand[0][kind] > 0) {
        --hand[0][kind];
        owner_gote = false;
      } else if (hand[1][kind] > 0) {
        --hand[1][kind];
        owner_gote = true;
      } else {
        owner_gote = (e.code & board::kGoteBit) != 0;
      }
      slot[i] = slot_byte(owner_gote != gote, kBookHandColumn, book_hand_kind(book_kind_of_engine(kind)));
    } else {
      slot[i] = kBookEmptySlot;
    }
  }
  // Each group ascending, flags moving along; for the kings this puts the
  // mover's first.
  for (const BookSlotRange& g : kBookSlots) {
    for (int i = g.first; i < g.first + g.count; ++i) {
      int best = i;
      for (int j = i + 1; j < g.first + g.count; ++j) {
        if (slot[j] < slot[best]) best = j;
      }
      std::swap(slot[i], slot[best]);
      std::swap(promoted[i], promoted[best]);
    }
  }
  if (slot[1] == kBookEmptySlot && (slot[0] & kBookOtherSide) && slot[0] != kBookEmptySlot) {
    std::swap(slot[0], slot[1]);
    std::swap(promoted[0], promoted[1]);
  }
  std::copy(slot, slot + 40, out->slot);
  std::fill(out->promoted, out->promoted + 5, 0);
  for (int s = 0; s < 40; ++s) {
    if (promoted[s]) out->promoted[s / 8] |= static_cast<uint8_t>(1 << (s % 8));
  }
}

int book_move_to_kmove(const BookMove& m, const board::KPosition& p, board::KMove* out) {
  if (book_move_id(m.code) == 0) return 0;
  int fx, fy, tx, ty, promote;
  if (book_code_decode(m.code, &fx, &fy, &tx, &ty, &promote) != 0) return 0;
  const bool drop = fx == kBookDropFile;
  if (p.teban != 0) {
    tx = 10 - tx;
    ty = 10 - ty;
    if (!drop) {
      fx = 10 - fx;
      fy = 10 - fy;
    }
  }
  const int to = board::square_of(tx, ty);
  board::KMove r = board::pass_move();
  if (drop) {
    const int kind = fy;  // the book's hand kinds are the engine's kinds
    if (kind < board::kRook || kind > board::kPawn || p.hand[p.teban][kind] == 0) return 0;
    board::write_drop(r, p, kind, to);
  } else {
    const int from = board::square_of(fx, fy);
    const int n = p.board[from];
    const int captured = p.board[to];
    board::write_move(r, from, to, n, captured, p.piece[n].code, p.piece[captured].code, promote);
  }
  *out = r;
  return 1;
}

int books_select(JosekiBooks& books, const board::KPosition& p, board::KMove* out, uint32_t* senkei, uint32_t mask,
                 int* count) {
  model::BookPosition pos;
  book_position_from_kposition(&pos, p);
  BookMove chosen;
  if (books.SelectMove(pos, &chosen, mask, count) != 0) return -1;
  board::KMove m;
  if (book_move_to_kmove(chosen, p, &m) == 0) return -1;
  // The book came from outside: its move is played only when the position's
  // own list of legal moves holds it.
  board::KPosition scratch = p;
  board::KMove legal[board::kMaxMoves];
  const int n = board::engine_legal_moves(scratch, legal);
  const bool found = std::any_of(legal, legal + n, [&m](const board::KMove& l) {
    return l.from == m.from && l.to == m.to && (l.promote != 0) == (m.promote != 0) && l.code == m.code;
  });
  if (!found) return -1;
  *out = m;
  if (senkei) *senkei = chosen.senkei;
  return 0;
}

}  // namespace driver
