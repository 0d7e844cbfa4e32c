#include "engine/eval/king_lines.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "engine/board/move_tables.h"
#include "engine/eval/eval_access.h"
#include "engine/eval/far_lines.h"
#include "engine/eval/static_eval_tables.h"

namespace eval {

namespace {

using board::KPosition;
using board::square_file;
using board::square_rank;

constexpr int kNearRanks = 4;     // a rook approaches along a rank from fewer ranks away than this
constexpr int kEdgeLineScale = 80;

// A rook's forward line ending at an own piece or the edge, by the Chebyshev
// distance of its last square to the king: the next distance's closeness,
// scaled. One read in the walk instead of a read and the scaling.
inline constexpr auto kRookLineEnd = [] {
  std::array<int32_t, kBlockerReach> t{};
  for (int c = 0; c < kBlockerReach; ++c) t[c] = kRookDist[c + 1] * kEdgeLineScale >> 8;
  return t;
}();

// How a blocker of side e on q stands: e's attacks on it less s's, plus one, plus
// one more (when asked) for a pawn of e defending it from behind; 0..3.
int blocker_balance(const KPosition& p, int s, int q, bool pawn_bonus) {
  const int e = 1 - s;
  int bal = att(p, e, q) - att(p, s, q) + 1;
  if (pawn_bonus && holds(p, e, q - forward_step(e), board::kPawn)) ++bal;
  return std::clamp(bal, 0, 3);
}

int blocker_term(int32_t weight, int bal, int32_t closeness) { return weight * kBalance[bal] * closeness >> 16; }

// The enemy king of each side, 0 when it is off the board, read by the code of
// a piece on the board: such a code carries one side bit, and gote's is the
// code's top bit, so the code shifted down is its side.
struct EnemyKings {
  explicit EnemyKings(const KPosition& p) : of_side{king_square(p, 1), king_square(p, 0)} {}
  int of(int code) const { return of_side[side(code)]; }
  // The side of a piece on the board, by the same shift: one value then
  // serves as the side and as the index of its enemy king.
  static int side(int code) { return code >> 6; }
  const int of_side[2];
};
static_assert((board::kSenteBit | board::kPromotedBit | 0xF) >> 6 == 0 &&
              (board::kGoteBit | board::kPromotedBit | 0xF) >> 6 == 1);

// One rook's sums toward the enemy king.
struct RookLines {
  bool active;  // still active after its approach: promoted or in the enemy camp, and not approaching
  int32_t file_sum;
  int32_t rank_sum;
};

// The rook's owner is a template argument: its forward step is then a
// constant.
template <int S>
class RookWalk {
 public:
  RookWalk(const KPosition& p, int rook, int king)
      : p_(p), sq_(p.piece[rook].sq), king_(king), far_(far_lines(sq_, king)) {}

  // `active`: the rook is promoted or stands in the enemy camp. It stops
  // counting as active once it approaches the king (or lies four ranks or more
  // away from it); what is left of it after the walk decides its quarter.
  RookLines Run(bool active) {
    RookLines out{false, 0, 0};
    approaching_ = active;
    FileApproach(out);
    RankLine(+1, out);
    RankLine(-1, out);
    BackwardFile(out);
    ForwardFile(out);
    out.active = approaching_;
    return out;
  }

 private:
  // An active rook on the king's file or next to it: 355 when it is next to the
  // king's rank too, else by how near its file line runs to the king's rank.
  // The rank distance is worked out here, for an active rook only: the
  // approach steps are the only readers of it.
  void FileApproach(RookLines& out) {
    if (!approaching_) return;
    rank_distance_ = std::abs(square_rank(king_) - square_rank(sq_));
    if (std::abs(square_file(king_) - square_file(sq_)) >= 2) return;
    if (rank_distance_ < 2) {
      out.file_sum += kRookLine[0];
      approaching_ = false;
      return;
    }
    const int step = square_rank(king_) > square_rank(sq_) ? 16 : -16;
    int d = rank_distance_;
    for (int q = sq_ + step; d > 1 && is_empty_cell(p_, q); q += step) --d;
    if (d <= 4) {
      out.file_sum += kRookLine[4 * (d - 1)];
      approaching_ = false;
    }
  }

  // Along the rank in direction `step` (+1 toward higher files).
  void RankLine(int step, RookLines& out) {
    const bool far = far_ & line_bit(step);
    if (far && !approaching_) return;
    const int q = ray_first_square(p_, sq_, step);
    if (approaching_) {
      const bool toward = step > 0 ? square_file(sq_) < square_file(king_) : square_file(king_) <= square_file(sq_);
      if (rank_distance_ >= kNearRanks) {
        approaching_ = false;
      } else if (toward) {
        const int m = rank_distance_ < 2 ? 0 : rank_distance_ - 1;
        const int k = (square_file(king_) - square_file(q)) * step;
        out.rank_sum += kRookLine[4 * m + std::max(k, 0)];
        approaching_ = false;
      }
    }
    if (far || is_wall_cell(p_, q)) return;
    const int code = code_on(p_, q);
    if (!(code & board::side_bit(e_))) return;
    const int c = cheb(q, king_);
    if (c >= kBlockerReach) return;
    int32_t v = blocker_term(kRankBlocker[board::code_kind(code)], blocker_balance(p_, s_, q, true), kRookDist[c]);
    // The blocker pinned against the king itself counts twice.
    if (square_rank(sq_) == square_rank(king_) && ray_first_piece(p_, q, step) == e_) v *= 2;
    out.rank_sum += v;
  }

  void BackwardFile(RookLines& out) {
    if (far_ & line_bit(-forward_step(s_))) return;
    const int q = ray_first_square(p_, sq_, -forward_step(s_));
    if (!holds_piece_of(p_, e_, q)) return;
    const int c = cheb(q, king_);
    if (c >= kBlockerReach) return;
    out.file_sum += blocker_term(kRankBlocker[board::code_kind(code_on(p_, q))], blocker_balance(p_, s_, q, false),
                                 kRookDist[c]);
  }

  // Forward: an enemy blocker by its weight; a line ending at an own piece or at
  // the edge by its last square (the board square before the wall).
  void ForwardFile(RookLines& out) {
    if (far_ & line_bit(forward_step(s_))) return;
    int q = ray_first_square(p_, sq_, forward_step(s_));
    const bool edge = is_wall_cell(p_, q);
    if (edge) q -= forward_step(s_);
    const int c = cheb(q, king_);
    if (c >= kBlockerReach) return;
    if (!edge && blocked_for(p_, e_, q)) {
      out.file_sum += blocker_term(kFileBlocker[board::code_kind(code_on(p_, q))], blocker_balance(p_, s_, q, false),
                                   kRookDist[c]);
    } else {
      out.file_sum += kRookLineEnd[c];
    }
  }

  static constexpr int s_ = S, e_ = 1 - S;
  const KPosition& p_;
  const int sq_, king_;
  const unsigned far_;  // the lines from the rook that come nowhere near the king
  bool approaching_ = false;
  int rank_distance_ = 0;
};

// Both rooks stand on the board for one side, the other side's king too, and
// they see each other along a rank.
bool rooks_connected(const KPosition& p, const EnemyKings& kings) {
  const int first = board::kKindRange[board::kRook].first;
  const board::KPieceEntry& a = p.piece[first];
  const board::KPieceEntry& b = p.piece[first + 1];
  if (!on_board(a) || !on_board(b) || square_rank(a.sq) != square_rank(b.sq)) return false;
  if (((a.code ^ b.code) & board::kGoteBit) || kings.of(a.code) == 0) return false;
  return ray_first_square(p, a.sq, a.sq < b.sq ? 1 : -1) == b.sq;
}

void rook_terms(const KPosition& p, const EnemyKings& kings, int32_t attack[2], int32_t material[2]) {
  // Two rooks that see each other count together (rarely): what the join needs
  // of their sums is kept over both walks. Otherwise each rook's sums go to its
  // owner as soon as its walk ends.
  const bool connected = rooks_connected(p, kings);
  int32_t files = 0, first_file = 0, ranks = 0;
  int active_rooks = 0;
  // Not unrolled: a copy of the walk for each rook cost more than the
  // constants it kept.
#pragma GCC unroll 1
  for (int n = board::kKindRange[board::kRook].first, i = 0; i < 2; ++i, ++n) {
    const board::KPieceEntry& rook = p.piece[n];
    if (!on_board(rook)) continue;
    const int s = EnemyKings::side(rook.code);
    const int king = kings.of_side[s];
    if (king == 0) continue;
    const bool active = (rook.code & board::kPromotedBit) || in_camp(s, rook.sq);
    const RookLines l = s == 0 ? RookWalk<0>(p, n, king).Run(active) : RookWalk<1>(p, n, king).Run(active);
    if (connected) {
      if (i == 0) first_file = l.file_sum;
      files += l.file_sum;
      ranks = i == 0 ? l.rank_sum : std::max(ranks, l.rank_sum);
      active_rooks += l.active ? 1 : 0;
      continue;
    }
    attack[s] += l.file_sum + l.rank_sum;
    if (l.active) material[s] += (l.file_sum + l.rank_sum) >> 2;
  }
  if (connected) {
    // Both rooks are one side's: both file sums and twice the larger rank sum,
    // and a quarter of the first rook's part for each active rook.
    const int s = board::code_side(p.piece[board::kKindRange[board::kRook].first].code);
    const int32_t both_ranks = 2 * ranks;
    attack[s] += files + both_ranks;
    material[s] += active_rooks * ((first_file + both_ranks) >> 2);
  }
}

// The steps from a square to the wall along a diagonal, at most: eight board
// squares, then the wall.
constexpr int kLongestDiagonal = 9;

// One bishop of side s toward the enemy king on `king`; the side is a template
// argument, so that the camp test and the blocker reads are constants.
template <int s>
int32_t bishop_line_value(const KPosition& p, const board::KPieceEntry& bishop, int king) {
  int32_t v = 0;
  int nearest = kDiagNearLimit;
  // The cells and Sq(q, king) both read by the offset of q from the bishop:
  // in the unrolled walks below each offset is a constant displacement.
  const uint8_t* const cells = p.board + bishop.sq;
  const uint8_t* const distance = kSquaredDistance.data() + kDeltaBias + (king - bishop.sq);
  const unsigned far = far_lines(bishop.sq, king);
  // Unrolled: each diagonal's step is then a constant.
#pragma GCC unroll 4
  for (int step : board::kDiagonalSteps) {
    if (far & line_bit(step)) continue;
    // Over the empty squares to the first piece (counted too) or the wall,
    // which a diagonal meets at its ninth step at the latest: the walk's
    // bound is a constant, so that it unrolls in full, each offset a constant
    // displacement.
    int i = 1;
    for (; i < kLongestDiagonal && cells[i * step] == board::kEmptyNumber; ++i) {
      nearest = std::min<int>(nearest, distance[-i * step]);
    }
    const int q = bishop.sq + i * step;
    if (is_wall_cell(p, q)) continue;
    nearest = std::min<int>(nearest, distance[-i * step]);
    if (!blocked_for(p, s, q)) {
      v += blocker_term(kDiagBlocker[board::code_kind(code_on(p, q))], blocker_balance(p, s, q, true),
                        kDiagDist[cheb(q, king)]);
    }
  }
  v += kDiagNear[nearest];
  if (!(bishop.code & board::kPromotedBit) && !in_camp(s, bishop.sq)) v >>= 1;
  return v;
}

void bishop_terms(const KPosition& p, const EnemyKings& kings, int32_t attack[2]) {
  const int first = board::kKindRange[board::kBishop].first;
#pragma GCC unroll 2
  for (int n = first; n < first + board::kKindRange[board::kBishop].count; ++n) {
    const board::KPieceEntry& bishop = p.piece[n];
    if (!on_board(bishop)) continue;
    const int s = EnemyKings::side(bishop.code);
    const int king = kings.of_side[s];
    if (king == 0) continue;
    attack[s] += s == 0 ? bishop_line_value<0>(p, bishop, king) : bishop_line_value<1>(p, bishop, king);
  }
}

// An unpromoted lance of side s on `sq` within four files of the enemy king;
// the side is a template argument, so that the step and ranks are constants.
template <int s>
int32_t lance_line_value(const KPosition& p, int sq, int king) {
  constexpr int step = forward_step(s);
  int q = sq + step;
  // The walk stops on the king's rank, or at once when the lance is past it:
  // in the lance's own view it goes on while q lies on a higher rank than the
  // king (one comparison per step). It stops on the board's last rank at the
  // latest, so it meets the wall only on its first cell: a lance on its last
  // rank has no line.
  const int king_rank = own_rank(s, king);
  while (is_empty_cell(p, q) && own_rank(s, q) > king_rank) q += step;
  if (is_wall_cell(p, q)) return 0;
  return king_rel_value(kPawnEnemyClass, s, king, q);
}

// The columns (square & 15) of the files within four files of a king, by the
// king's column; none for column 0, the square of a king off the board.
inline constexpr auto kLanceColumns = [] {
  std::array<uint16_t, 16> t{};
  for (int king = board::square_of(1, 1); king <= board::square_of(9, 1); ++king) {
    for (int sq = board::square_of(1, 1); sq <= board::square_of(9, 1); ++sq) {
      if (std::abs(square_file(king) - square_file(sq)) < 5) t[king & 15] |= static_cast<uint16_t>(1u << (sq & 15));
    }
  }
  return t;
}();

void lance_terms(const KPosition& p, const EnemyKings& kings, int32_t attack[2]) {
  // The columns where a lance of each side can score: one test per lance for
  // its file's distance to the king and for the king's presence.
  const unsigned columns[2] = {kLanceColumns[kings.of_side[0] & 15], kLanceColumns[kings.of_side[1] & 15]};
  const int first = board::kKindRange[board::kLance].first;
  // Unrolled: most lances fail the first tests, next to which the loop's own
  // count and jump showed.
#pragma GCC unroll 4
  for (int n = first; n < first + board::kKindRange[board::kLance].count; ++n) {
    const board::KPieceEntry& lance = p.piece[n];
    if (!on_board(lance) || (lance.code & board::kPromotedBit)) continue;
    const int s = EnemyKings::side(lance.code);
    if (!((columns[s] >> (lance.sq & 15)) & 1)) continue;
    const int king = kings.of_side[s];
    attack[s] += s == 0 ? lance_line_value<0>(p, lance.sq, king) : lance_line_value<1>(p, lance.sq, king);
  }
}

void add16(int16_t& field, int32_t v) { field = static_cast<int16_t>(field + v); }

}  // namespace

void eval_king_kiki(const KPosition& p, board::KEvalRecord& r) {
  if (r.flags & kKingLinesDone) return;
  r.flags |= kKingLinesDone;
  int32_t attack[2] = {0, 0}, material[2] = {0, 0};
  const EnemyKings kings(p);
  rook_terms(p, kings, attack, material);
  bishop_terms(p, kings, attack);
  lance_terms(p, kings, attack);
  for (int s = 0; s < 2; ++s) {
    add16(r.att[s].attack_extra, attack[s]);
    add16(r.mat[s].material_extra, material[s]);
  }
}

}  // namespace eval
