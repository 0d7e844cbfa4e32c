#include "engine/board/gen_all_moves.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/board/move_tables.h"

namespace board {

namespace {

// Steps written with the first player's forward as -16 (mirrored for gote by
// side_offset): sente's steps of move_tables.h and the knight's below; rays
// are the same for both sides.
constexpr int kKnightSteps[2] = {-33, -31};

// Drop kinds in the order they are listed.
constexpr int kDropOrder[7] = {kRook, kBishop, kGold, kSilver, kKnight, kLance, kPawn};

// The first eight bytes of a move record, from `from` to `promote`, as one
// little-endian word: a board move is written with one store.
static_assert(std::endian::native == std::endian::little);
static_assert(offsetof(KMove, from) == 0 && offsetof(KMove, to) == 1 && offsetof(KMove, piece) == 2 &&
              offsetof(KMove, captured) == 3 && offsetof(KMove, code) == 4 && offsetof(KMove, captured_code) == 5 &&
              offsetof(KMove, flag) == 6 && offsetof(KMove, promote) == 7);

// Writes moves into the caller's array with the flag byte cleared.
struct Writer {
  const KPosition& p;
  KMove* out;
  int n = 0;

  // write_board_move with the flag byte cleared, the eight bytes at once.
  void board_move(int piece, int from, int to, int promote) {
    auto byte = [](int v, int index) { return static_cast<uint64_t>(static_cast<uint8_t>(v)) << (8 * index); };
    const int captured = p.board[to];
    const uint64_t bytes = byte(from, 0) | byte(to, 1) | byte(piece, 2) | byte(captured, 3) |
                           byte(p.piece[piece].code, 4) | byte(p.piece[captured].code, 5) | byte(promote, 7);
    std::memcpy(&out[n++], &bytes, sizeof bytes);
  }
  void drop(int kind, int to) {
    write_drop(out[n], p, kind, to);
    out[n++].flag = 0;
  }
};

// The rays of a slider: every square up to the first piece, that one included
// when it is the opponent's. `promote` gives the flag of each move.
template <class Promote>
[[gnu::always_inline]] inline void slide(Writer& w, int side, int piece, int from, const std::array<int, 4>& rays, Promote&& promote) {
  for (int u : rays) {
    for (int to = from + u; !blocked_for(w.p, side, to); to += u) {
      w.board_move(piece, from, to, promote(to));
      if (w.p.board[to] != kEmptyNumber) break;
    }
  }
}

// One-square steps onto cells without a piece of the side.
template <size_t N>
[[gnu::always_inline]] inline void steps(Writer& w, int side, int piece, int from, const std::array<int, N>& list) {
  for (int step : list) {
    const int to = from + side_offset(step, side);
    if (!blocked_for(w.p, side, to)) w.board_move(piece, from, to, 0);
  }
}

// The lance rule of the quiet-move list: outside the camp only captures (not
// promoting); inside it the promoting move, and the non-promoting one only on
// the camp's third rank from the far side.
[[gnu::always_inline]] inline void quiet_lance_moves(Writer& w, int side, int n, int from) {
  const int u = forward_step(side);
  for (int to = from + u; !blocked_for(w.p, side, to); to += u) {
    const bool empty = w.p.board[to] == kEmptyNumber;
    if (!in_camp(side, to)) {
      if (!empty) w.board_move(n, from, to, 0);
    } else {
      w.board_move(n, from, to, 1);
      if (square_rank(to) == (side == 0 ? 3 : 7)) w.board_move(n, from, to, 0);
    }
    if (!empty) break;
  }
}

// The pawn's step, promoting inside the camp.
[[gnu::always_inline]] inline void pawn_move(Writer& w, int side, int n, int from) {
  const int to = from + forward_step(side);
  if (!blocked_for(w.p, side, to)) w.board_move(n, from, to, in_camp(side, to) ? 1 : 0);
}

[[gnu::always_inline]] inline void piece_moves_into(Writer& w, int n, bool quiet_lance) {
  const KPosition& p = w.p;
  const int from = p.piece[n].sq;
  const int code = p.piece[n].code;
  const int side = code_side(code);
  const bool from_camp = in_camp(side, from);
  auto promote_in_camp = [&](int to) { return from_camp || in_camp(side, to) ? 1 : 0; };
  auto never = [](int) { return 0; };

  switch (code_class(code)) {
    case kRook:
      slide(w, side, n, from, kOrthogonalSteps, promote_in_camp);
      break;
    case kDragon:
      slide(w, side, n, from, kOrthogonalSteps, never);
      for (int u : kDiagonalSteps) {
        if (!blocked_for(p, side, from + u)) w.board_move(n, from, from + u, 0);
      }
      break;
    case kBishop:
      slide(w, side, n, from, kDiagonalSteps, promote_in_camp);
      break;
    case kHorse:
      slide(w, side, n, from, kDiagonalSteps, never);
      for (int u : kOrthogonalSteps) {
        if (!blocked_for(p, side, from + u)) w.board_move(n, from, from + u, 0);
      }
      break;
    case kSilver:
      for (int step : kSenteSilverSteps) {
        const int to = from + side_offset(step, side);
        if (blocked_for(p, side, to)) continue;
        if (from_camp || in_camp(side, to)) w.board_move(n, from, to, 1);
        w.board_move(n, from, to, 0);
      }
      break;
    case kKnight:
      for (int step : kKnightSteps) {
        const int to = from + side_offset(step, side);
        if (blocked_for(p, side, to)) continue;
        if (in_camp(side, to)) w.board_move(n, from, to, 1);
        if (!on_last_two_ranks(side, to)) w.board_move(n, from, to, 0);
      }
      break;
    case kLance: {
      const int u = forward_step(side);
      if (quiet_lance) {
        quiet_lance_moves(w, side, n, from);
        break;
      }
      for (int to = from + u; !blocked_for(p, side, to); to += u) {
        if (in_camp(side, to)) w.board_move(n, from, to, 1);
        if (!on_last_rank(side, to)) w.board_move(n, from, to, 0);
        if (p.board[to] != kEmptyNumber) break;
      }
      break;
    }
    case kPawn:
      pawn_move(w, side, n, from);
      break;
    case kKing:
      for (int step : kSenteKingSteps) {
        const int to = from + side_offset(step, side);
        if (!blocked_for(p, side, to) && kiki_at(p, to).direct_count[1 - side] == 0) {
          w.board_move(n, from, to, 0);
        }
      }
      break;
    case kGold:
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin:
      steps(w, side, n, from, kSenteGoldSteps);
      break;
    default:
      break;
  }
}

void piece_moves(Writer& out, int n, bool quiet_lance) {
  // A local writer, handed back at the end: the moves' stores cannot reach
  // it, so its count stays in a register.
  Writer w = out;
  piece_moves_into(w, n, quiet_lance);
  out.n = w.n;
}

// The list of gen_all_moves with the drops that `keep(kind, square)` refuses
// left out: one body for both drop rules.
template <class Keep>
int all_moves(const KPosition& p, KMove* out, Keep&& keep) {
  Writer w{p, out};
  const int side = p.teban;
  for (int kind : kDropOrder) {
    if (p.hand[side][kind] == 0) continue;
    for (int file = 1; file <= 9; ++file) {
      if (kind == kPawn && p.pawn_file[side][file] != 0) continue;
      for (int rank = 1; rank <= 9; ++rank) {
        const int sq = square_of(file, rank);
        if (p.board[sq] == kEmptyNumber && detail::drop_rank_allowed(side, kind, sq) && keep(kind, sq)) {
          w.drop(kind, sq);
        }
      }
    }
  }
  const int bit = side_bit(side);
  for (int n = 0; n < kPieceCount; ++n) {
    if (p.piece[n].sq < kInHand && (p.piece[n].code & bit)) piece_moves(w, n, false);
  }
  return w.n;
}

// The distance rule of gen_drops_near_king, by file and rank distance from the
// own king: rooks anywhere but far on both axes, bishops mostly within five
// files (not far down the rank close by on the file), other pieces within a
// 9 x 9 (pawns 11 x 11) box around the king.
bool near_king(int kind, int df, int dr) {
  switch (kind) {
    case kRook: return !(df >= 5 && dr >= 5);
    case kBishop: return df < 5 ? !(dr > 4 && df < 3) : dr > 2;
    case kPawn: return df < 6 && dr < 6;
    default: return df < 5 && dr < 5;
  }
}

}  // namespace

namespace detail {

bool drop_rank_allowed(int side, int kind, int sq) {
  if (kind == kKnight) return !on_last_two_ranks(side, sq);
  if (kind == kLance || kind == kPawn) return !on_last_rank(side, sq);
  return true;
}

int quiet_board_moves(const KPosition& p, KMove* out) {
  Writer w{p, out};
  const int side = p.teban;
  const int bit = side_bit(side);
  auto own = [&](int n) { return p.piece[n].sq < kInHand && (p.piece[n].code & bit); };
  // Unpromoted pawns, the most numerous pieces, step here without the call.
  for (int n = kPieceCount - 1; n >= 2; --n) {
    if (!own(n)) continue;
    if (p.piece[n].code == (kPawn | bit)) {
      pawn_move(w, side, n, p.piece[n].sq);
    } else {
      piece_moves(w, n, true);
    }
  }
  if (own(side)) piece_moves(w, side, true);
  return w.n;
}

}  // namespace detail

int gen_all_moves(const KPosition& p, KMove* out) {
  return all_moves(p, out, [](int, int) { return true; });
}

int gen_drops_near_king(const KPosition& p, KMove* out) {
  const int king = p.piece[p.teban].sq;
  const bool has_king = is_playing_square(king);
  return all_moves(p, out, [&](int kind, int sq) {
    if (!has_king) return false;  // without the king (a mate problem) no drop is near it
    const int df = std::abs(square_file(sq) - square_file(king));
    return near_king(kind, df, std::abs(square_rank(sq) - square_rank(king)));
  });
}

int gen_funari_moves(const KPosition& p, KMove* out) {
  Writer w{p, out};
  const int side = p.teban;
  const int bit = side_bit(side);
  auto unpromoted_on_board = [&](int n, int kind) {
    return p.piece[n].sq < kInHand && p.piece[n].code == (kind | bit);
  };
  for (int kind : {kRook, kBishop}) {
    const std::array<int, 4>& rays = kind == kRook ? kOrthogonalSteps : kDiagonalSteps;
    for (int n = kKindRange[kind].first; n < kKindRange[kind].first + kKindRange[kind].count; ++n) {
      if (!unpromoted_on_board(n, kind)) continue;
      const int from = p.piece[n].sq;
      for (int i = 0; i < 4; ++i) {
        for (int to = from + rays[i]; !blocked_for(p, side, to); to += rays[i]) {
          if (in_camp(side, from) || in_camp(side, to)) w.board_move(n, from, to, 0);
          if (p.board[to] != kEmptyNumber) break;
        }
      }
    }
  }
  // Pawns two and one ranks before the camp's far edge: sente's ranks 4 and 3.
  for (int n = kKindRange[kPawn].first; n < kKindRange[kPawn].first + kKindRange[kPawn].count; ++n) {
    if (!unpromoted_on_board(n, kPawn)) continue;
    const int from = p.piece[n].sq;
    const int rank = square_rank(from);
    const bool near_camp = side == 0 ? (rank == 3 || rank == 4) : (rank == 6 || rank == 7);
    const int to = from + forward_step(side);
    if (near_camp && !blocked_for(p, side, to)) w.board_move(n, from, to, 0);
  }
  return w.n;
}

int gen_piece_moves(const KPosition& p, int sq, KMove* out) {
  if (!is_playing_square(sq)) return 0;
  const int n = p.board[sq];
  if (n >= kPieceCount || !(p.piece[n].code & side_bit(p.teban))) return 0;
  Writer w{p, out};
  piece_moves(w, n, false);
  return w.n;
}

}  // namespace board
