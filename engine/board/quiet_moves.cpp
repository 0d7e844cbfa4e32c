#include "engine/board/quiet_moves.h"

#include "engine/board/gen_all_moves.h"
#include "engine/board/stage_rules.h"
#include "engine/board/threat_kind.h"

namespace board {

namespace {

constexpr int kDropOrder[7] = {kRook, kBishop, kGold, kSilver, kKnight, kLance, kPawn};

// Drops are worth listing only with fewer than this many non-pawn kinds in
// hand: a full hand makes the drop list long and mostly idle.
constexpr int kFewKinds = 4;
constexpr int kDropDepth = 5;

}  // namespace

int gen_quiet_moves(const KPosition& p, const KMove* last, int depth, KMove* out) {
  const int side = p.teban;
  MoveOut w(p, out);
  int kinds = 0;
  for (int kind = kRook; kind <= kLance; ++kind) kinds += p.hand[side][kind] != 0;
  if (depth > kDropDepth && kinds < kFewKinds) {
    for (int kind : kDropOrder) {
      if (p.hand[side][kind] == 0) continue;
      for (int rank = 1; rank <= 9; ++rank) {
        for (int file = 1; file <= 9; ++file) {
          const int sq = square_of(file, rank);
          if (p.board[sq] != kEmptyNumber || !detail::drop_rank_allowed(side, kind, sq)) continue;
          if (kind == kPawn && p.pawn_file[side][file] != 0) continue;
          w.Drop(kind, sq);
        }
      }
    }
  }
  // Cheapest pieces first: pawns, lances, knights, silvers, golds; then
  // bishops, rooks and the king.
  int n = w.count();
  n += detail::quiet_board_moves(p, out + n);
  if (!threat_filter_on()) return n;
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    const KMove& m = out[i];
    if (sashite_threat_kind(p, last, m.piece, m.promote, m.from == kInHand, m.to, depth) != 0) out[kept++] = m;
  }
  return kept;
}

}  // namespace board
