#include "engine/eval/silver_choice.h"

#include "engine/eval/eval_access.h"

namespace eval {

namespace {

using board::kSilver;
using board::square_file;
using board::square_rank;

// The best silver so far: by class (0 on the far side of the king from the
// rook, 1 between, 2 on or beyond the rook's file), then by squared distance
// from the king, then farther back.
struct Best {
  int square = 0;
  int cls = -1;
  int distance = -1;

  void Consider(int u, int sq, int king, int rook_file) {
    const int df = square_file(sq) - square_file(king), dr = square_rank(sq) - square_rank(king);
    const int distance_sq = df * df + dr * dr;  // exact, unlike the table by square difference
    int c = 0;
    if (rook_file != 0) {
      const int kf = square_file(king), sf = square_file(sq);
      c = (kf - sf) * (rook_file - kf) >= 1 ? 0 : (sf - rook_file) * (rook_file - kf) >= 0 ? 2 : 1;
    }
    const bool better = c > cls || (c == cls && (distance_sq > distance ||
                                                 (distance_sq == distance && own_rank(u, sq) > own_rank(u, square))));
    if (better) *this = {sq, c, distance_sq};
  }
};

}  // namespace

SilverChoice silver_choice(const board::KPosition& p, const int king[2], const int rook_file[2]) {
  SilverChoice out{};
  Best best[2];
  const int first = board::kKindRange[kSilver].first;
  // Unrolled: many silvers end at the first test (in a hand, promoted).
#pragma GCC unroll 4
  for (int n = first; n < first + board::kKindRange[kSilver].count; ++n) {
    const board::KPieceEntry& silver = p.piece[n];
    if (!on_board(silver) || board::code_class(silver.code) != kSilver) continue;
    const int u = board::code_side(silver.code);
    const int k = king[u];
    ++out.count[u];
    const bool king_side = k != 0 && (square_file(silver.sq) - 5) * (square_file(k) - 5) > 0;
    if (!in_own_camp(u, silver.sq)) {
      out.flags[u] |= king_side ? kSilverAdvancedKingSide : kSilverAdvanced;
      ++out.advanced[u];
    } else if (king_side) {
      out.flags[u] |= kSilverHomeKingSide;
    }
    if (k != 0) best[u].Consider(u, silver.sq, k, rook_file[u]);
  }
  for (int u = 0; u < 2; ++u) out.square[u] = static_cast<uint8_t>(best[u].square);
  return out;
}

namespace silver_choice_detail {

thread_local constinit Entry cache[1 << kIndexBits];

SilverChoice fill(Entry& e, uint64_t silvers, uint32_t rest, const board::KPosition& p, const int king[2],
                  const int rook_file[2]) {
  e = {silvers, rest, silver_choice(p, king, rook_file)};
  return e.choice;
}

}  // namespace silver_choice_detail

}  // namespace eval
