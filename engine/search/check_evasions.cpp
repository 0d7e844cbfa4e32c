#include "engine/search/check_evasions.h"

#include <bit>

#include "engine/board/check_test.h"
#include "engine/board/move_rules.h"
#include "engine/board/threat_kind.h"
#include "engine/search/move_list.h"

namespace search {

namespace {

using board::KMove;
using board::KPosition;

// The king's neighbours are taken in the order of board::king_step_list,
// the same for both sides: up, up-left (file + 1), up-right, left, right,
// down-left, down-right, down.
constexpr int kDropOrder[7] = {board::kPawn, board::kLance, board::kKnight, board::kSilver,
                               board::kGold, board::kBishop, board::kRook};
constexpr uint32_t kFilterBits = 0xffff;

struct Writer {
  const KPosition& p;
  const KMove* last;
  bool filtered;
  KMove* out;
  int n = 0;

  void Put(const KMove& m) {
    if (filtered) {
      const int drop = m.from == board::kInHand ? 1 : 0;
      if (board::sashite_threat_kind(p, last, m.piece, m.promote, drop, m.to, 0) == 0) return;
    }
    out[n++] = m;
  }
  void Board(int piece, int from, int to, int promote) {
    KMove m{};
    board::write_board_move(m, p, piece, from, to, promote);
    Put(m);
  }
};

// Piece n of the side to move goes to `to`: the promoting move when it may
// promote there, then the plain move unless the promotion makes it needless
// (rook, bishop, pawn; a lance onto rank 2 or 8) or the piece could not move
// on from there.
void move_onto(Writer& w, int n, int to) {
  const KPosition& p = w.p;
  const int side = p.teban;
  const int from = p.piece[n].sq;
  const int code = p.piece[n].code;
  const int cls = board::code_class(code);
  const bool promotes = board::can_promote(code) && (board::in_camp(side, from) || board::in_camp(side, to));
  if (promotes) {
    w.Board(n, from, to, 1);
    if (cls == board::kRook || cls == board::kBishop || cls == board::kPawn) return;
    const int rank = board::square_rank(to);
    if (cls == board::kLance && (rank == 2 || rank == 8)) return;
  }
  if (board::may_stay_unpromoted(code, to)) w.Board(n, from, to, 0);
}

// The unpinned attackers of `to` other than the king, cheapest first.
void moves_onto(Writer& w, int king, int to) {
  const KPosition& p = w.p;
  const int side = p.teban;
  for (uint64_t set = board::kiki_direct64(board::kiki_at(p, to), side); set != 0;) {
    const int n = 63 - std::countl_zero(set);
    set &= ~(uint64_t{1} << n);
    if (n == side) continue;
    if (board::is_discovered_oute(p, 1 - side, king, p.piece[n].sq, n) != 0) continue;
    move_onto(w, n, to);
  }
}

void drops_onto(Writer& w, int sq) {
  const KPosition& p = w.p;
  const int side = p.teban;
  for (int kind : kDropOrder) {
    if (p.hand[side][kind] == 0) continue;
    if (kind == board::kPawn && p.pawn_file[side][board::square_file(sq)] != 0) continue;
    if (!board::may_stay_unpromoted(kind | board::side_bit(side), sq)) continue;
    KMove m{};
    board::write_drop(m, p, kind, sq);
    w.Put(m);
  }
}

bool blocks_by_line(int cls) {
  return cls == board::kRook || cls == board::kBishop || cls == board::kDragon || cls == board::kHorse ||
         cls == board::kLance;
}

}  // namespace

int gen_check_evasions(const KPosition& p, const KMove* last, uint32_t filter, KMove* out) {
  const int s = p.teban;
  const int o = 1 - s;
  const int king = p.piece[s].sq;
  if (king >= board::kInHand) return 0;
  const board::KKiki& kk = board::kiki_at(p, king);
  const int checkers = kk.direct_count[o];
  if (checkers <= 0) return 0;
  Writer w{p, last, (filter & kFilterBits) != 0, out};
  if (checkers < 2) {
    const int checker = 63 - std::countl_zero(board::kiki_direct64(kk, o));
    const int q = p.piece[checker].sq;
    moves_onto(w, king, q);
    const int step = line_step(king, q);
    if (blocks_by_line(board::code_class(p.piece[checker].code)) && step != 0) {
      for (int sq = king + step; sq != q; sq += step) {
        if (board::kiki_at(p, sq).direct_count[s] == 0) continue;
        drops_onto(w, sq);
        moves_onto(w, king, sq);
      }
    }
  }
  for (int step : board::king_step_list) {
    const int to = king + step;
    if (board::blocked_for(p, s, to) || board::kiki_at(p, to).direct_count[o] > 0) continue;
    w.Board(s, king, to, 0);
  }
  return w.n;
}

}  // namespace search
