// The bodies of the rook, bishop and pawn placement groups
// (rook_bishop_pawn_terms.h says what each adds). They are written once here
// and inlined both into their entry points and into the full evaluation
// (eval_position), which then runs them without a call and without saving and
// restoring registers once per group.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "engine/eval/eval_access.h"
#include "engine/eval/position_terms.h"
#include "engine/eval/static_eval_tables.h"

namespace eval {

// The helpers have internal linkage (the unnamed namespace), as they had when
// they lived in one source file: the compiler then inlines each into the one
// body that calls it. The named namespace around it keeps their names apart
// from the other groups' helpers in eval_position.cpp.
namespace rook_bishop_pawn_detail {
namespace {

using board::KPosition;
using board::kBishop;
using board::kGold;
using board::kKnight;
using board::kLance;
using board::kPawn;
using board::kRook;
using board::kSilver;
using board::square_file;
using board::square_rank;

constexpr int32_t kReachAttack = 100;        // the side to move breaks through at once
constexpr int32_t kReachQuietAttack = 50;    // the other side, with the line not contested
constexpr int32_t kBishopStacked = 10;       // own bishop ahead of the rook, a rook beyond it
constexpr int32_t kBishopStackedDefended = 5;
constexpr int32_t kPawnPinned = 8;           // the rook's pawn cannot advance: the other rook x-rays it
constexpr int32_t kPawnCrowded = 5;
constexpr int32_t kLanceBattery = 15;        // an enemy pawn backed by its lance in the rook's line
constexpr int32_t kEnemyPawnHeld = 15;       // an enemy pawn on the rook's sixth rank holding the line
constexpr int32_t kEnemyPawnHeldWithHand = 75;
constexpr int kWidthLimit = 5;
constexpr int32_t kPawnBehindRook = 90;
constexpr int32_t kRookBesideKing = 15;
constexpr int32_t kPawnPushReady = 50;

// The relative rank of a cell for side s: the rank for sente, 10 - rank for
// gote (1 = the enemy's back rank, 0 = the wall beyond it).
int relative_rank(int s, int cell) { return own_rank(s, cell); }

// By the king's square (0 when the king is not on the board): the rook files
// (bit f) that put the rook on the king's side when the king stands one or two
// files off the centre, counting the king's own file; 0 for the other king
// files and for no king.
constexpr std::array<uint16_t, 256> kRookBesideKingFiles = [] {
  std::array<uint16_t, 256> t{};
  for (int sq = 0; sq < 256; ++sq) {
    if (!board::is_playing_square(sq)) continue;
    const int k = square_file(sq);
    const int off = k > 5 ? k - 5 : 5 - k;
    if (off != 1 && off != 2) continue;
    for (int f = 1; f <= 9; ++f) {
      if ((f - k) * (k - 5) >= 0) t[sq] = static_cast<uint16_t>(t[sq] | 1u << f);
    }
  }
  return t;
}();

// The rook's owner is a template argument: its forward step, camps and the
// rows it reads are then constants.
template <int S>
class RookPlacement {
 public:
  RookPlacement(PositionTerms& t, int n)
      : t_(t), p_(t.p), n_(n), r_(t.p.piece[n].sq), file_(square_file(r_)), pawn_(t.p.pawn_file[S][file_]) {}

  int32_t Run() {
    ForwardLine();
    // An enemy piece or the wall (walls carry both side bits).
    if (blocked_for(p_, e_, q_)) {
      FacingBlocker();
    } else {
      OwnBlocker();
    }
    Width();
    RangingInCamp();
    KingDistance();
    PawnPushReady();
    return v_;
  }

 private:
  // Steps 1-2: the line ahead, ending on q_ after n steps, and the reach bonus.
  void ForwardLine() {
    // The walk on a cell pointer (ray_first_square); the steps follow from
    // the distance walked.
    q_ = ray_first_square(p_, r_, fwd_);
    const int n = (S == 0 ? r_ - q_ : q_ - r_) >> 4;
    steps_ = n;
    reach_ = relative_rank(s_, q_);
    v_ += kRookReach[reach_] - 1 + n;
    const int before = q_ - fwd_;
    if (reach_ > 2 || att(p_, e_, before) >= att(p_, s_, before)) return;
    int32_t bonus = kReachAttack;
    if (s_ != p_.teban) {
      // Outside the rook's square and the last square, e must not cover the line.
      for (int x = q_ - 2 * fwd_; x != r_; x -= fwd_) {
        if (dir(p_, e_, x) > 0) return;
      }
      bonus = kReachQuietAttack;
    }
    add_attack_extra(bonus);
    v_ += bonus;
  }

  void add_attack_extra(int32_t v) {
    int16_t& field = t_.record.att[s_].attack_extra;
    field = static_cast<int16_t>(field + v);
  }

  // Step 3: the line ends on an own piece (never the wall).
  void OwnBlocker() {
    const int cls = board::code_class(code_on(p_, q_));
    const int beyond = ray_first_square(p_, q_, fwd_);
    if (cls == kBishop && board::code_kind(code_on(p_, beyond)) == kRook) {
      v_ -= dir(p_, s_, r_) == 0 ? kBishopStacked : kBishopStackedDefended;
    }
    if (cls == kBishop || cls == kSilver) {
      v_ += kRookReach[relative_rank(s_, beyond)] - kRookReach[reach_];
    } else if (cls == kPawn) {
      const int rank = own_rank(s_, q_);
      const int ahead = q_ + fwd_;
      if (rank == 7 && att(p_, s_, ahead) <= att(p_, e_, ahead) && holds(p_, e_, ahead + fwd_, kPawn) &&
          ((board::kiki_at(p_, ahead).xray[e_] >> (5 - n_)) & 1u)) {
        v_ -= kPawnPinned;
      }
      if ((rank == 7 || rank == 6) && holds_piece_of(p_, s_, ahead)) v_ -= kPawnCrowded;
    }
    if (holds(p_, e_, beyond, kPawn) && holds(p_, e_, ray_first_square(p_, beyond, fwd_), kLance)) {
      v_ -= kLanceBattery;
    }
  }

  // Step 4: an enemy piece or the wall.
  void FacingBlocker() {
    const int32_t v = kRookFacing[board::code_class(code_on(p_, q_))];
    v_ += steps_ < 4 ? 2 * v : v;
    if (holds(p_, e_, q_, kPawn) && reach_ == 6 && att(p_, s_, q_) <= att(p_, e_, q_)) {
      v_ -= p_.hand_sum[e_] > 0 ? kEnemyPawnHeldWithHand : kEnemyPawnHeld;
    }
  }

  // Step 5: the room along the rank (-1 when hemmed in on both sides), and an own
  // pawn left behind on the rook's file.
  void Width() {
    v_ += std::min(ray_first_square(p_, r_, +1) - ray_first_square(p_, r_, -1) - 3, kWidthLimit);
    if (pawn_behind(S, pawn_, r_)) v_ -= kPawnBehindRook;
  }

  // Step 6: a rook ranged to the left in the own camp while e holds a bishop,
  // by how well a gold covers the bishop's entry squares.
  void RangingInCamp() {
    if (p_.hand[e_][kBishop] == 0 || own_file(s_, r_) < 6 || !in_own_camp(s_, r_) || pawn_ == 0) return;
    const int pawn_rank = own_rank(s_, pawn_);
    if (pawn_rank != 6 && pawn_rank != 7) return;
    if (own_on(p_, s_, kGold, 7, 8)) return;
    v_ -= own_on(p_, s_, kGold, 7, 7) ? 1 : own_on(p_, s_, kGold, 6, 8) ? 3 : own_on(p_, s_, kGold, 6, 9) ? 5 : 7;
  }

  // Step 7: the king one or two files off the centre with the rook on its side.
  void KingDistance() {
    if ((kRookBesideKingFiles[t_.king[s_]] >> file_) & 1u) v_ -= kRookBesideKing;
  }

  // Step 8: the rook's pawn on rank 5 is ready to push against an undefended
  // enemy pawn, on the turn that lets s move next. The shape is tested first:
  // when it is there, the pass flag decides, and the record notes that it did.
  void PawnPushReady() {
    // The pawn's rank first: it rarely passes, and needs no attack record.
    if (pawn_ == 0 || square_rank(pawn_) != 5 || own_rank(s_, q_) > 5) return;
    if (dir(p_, e_, r_) != 0) return;
    const int enemy = p_.pawn_file[e_][file_];
    if (enemy == 0 || own_rank(s_, enemy) != 3 || dir(p_, e_, enemy) != 0) return;
    if (att(p_, e_, pawn_ + fwd_) >= 2) return;
    t_.pass_matters = true;
    const bool pass = t_.last.from == board::kPassSquare;
    if ((s_ == p_.teban) != pass) v_ += kPawnPushReady;
  }

  static constexpr int s_ = S, e_ = 1 - S, fwd_ = forward_step(S);
  PositionTerms& t_;
  const KPosition& p_;
  const int n_, r_, file_, pawn_;
  int q_ = 0, steps_ = 0, reach_ = 0;
  int32_t v_ = 0;
};

// By side and cell: the entry of the blended curve that a bishop's diagonal
// ending on the cell reads, the cell's relative rank less one, or its relative
// rank for a wall cell (the walk ran off the board).
constexpr std::array<std::array<uint8_t, board::kBoardCells>, 2> kDiagCurveIndex = [] {
  std::array<std::array<uint8_t, board::kBoardCells>, 2> t{};
  for (int s = 0; s < 2; ++s) {
    for (int cell = 0; cell < board::kBoardCells; ++cell) {
      const int rank = own_rank(s, cell);
      t[s][cell] = static_cast<uint8_t>(board::is_playing_square(cell) ? rank - 1 : rank);
    }
  }
  return t;
}();

// By side s and piece code (walls included): what the code's piece at the end
// of s's bishop diagonal is worth, 0 for s's own pieces and walls (which carry
// both side bits).
constexpr std::array<std::array<int32_t, 256>, 2> kDiagTargetFor = [] {
  std::array<std::array<int32_t, 256>, 2> t{};
  for (int s = 0; s < 2; ++s) {
    for (int code = 0; code < 256; ++code) {
      const int cls = board::code_class(code);
      if (!(code & board::side_bit(s)) && cls < static_cast<int>(kDiagTarget.size())) t[s][code] = kDiagTarget[cls];
    }
  }
  return t;
}();
static_assert(kDiagTargetFor[0][board::kWallCode] == 0 && kDiagTargetFor[1][board::kWallCode] == 0);

// The better forward diagonal of side s's bishop on square b. The two
// diagonals are read unrolled, each walk with its own step; the side is a
// template argument, so that the steps and ranks are constants.
template <int s>
int32_t bishop_value(const KPosition& p, int b) {
  constexpr int fwd = forward_step(s);
  int32_t best = -10000;
#pragma GCC unroll 2
  for (int step : {fwd - 1, fwd + 1}) {
    const int q = ray_first_square(p, b, step);
    const int code = code_on(p, q);
    int32_t v = eval_root_curve(kDiagCurveIndex[s][q]);
    // A pawn in the way counts for what it screens.
    if (board::code_class(code) == kPawn && own_rank(s, q) <= 6) {
      int q2 = ray_first_square(p, q, step);
      if (is_wall_cell(p, q2)) q2 -= step;
      v += kDiagTargetFor[s][code_on(p, q2)] * 800 >> 10;
    }
    v += kDiagTargetFor[s][code];
    best = std::max(best, v);
  }
  const int pawn = p.pawn_file[s][square_file(b)];
  if (pawn_behind(s, pawn, b)) best -= eval_root_curve_length();
  return best;
}

// True for an unpromoted silver, gold or knight of side u on the cell.
bool backs_pawn(const KPosition& p, int u, int cell) {
  return holds(p, u, cell, kSilver) || holds(p, u, cell, kGold) || holds(p, u, cell, kKnight);
}

}  // namespace
}  // namespace rook_bishop_pawn_detail

[[gnu::always_inline]] inline void rook_placement_body(PositionTerms& t) {
  using namespace rook_bishop_pawn_detail;
  const KPosition& p = t.p;
  const int first = board::kKindRange[kRook].first;
  // Unrolled, as the bishops below: the loop's count and jump showed beside
  // the two pieces' first tests.
#pragma GCC unroll 2
  for (int n = first; n < first + board::kKindRange[kRook].count; ++n) {
    const board::KPieceEntry& rook = p.piece[n];
    if (!on_board(rook)) continue;
    const int s = board::code_side(rook.code);
    t.rook_file[s] = square_file(rook.sq);
    if ((rook.code & board::kPromotedBit) || in_camp(s, rook.sq)) {
      t.active_rook = true;
      continue;
    }
    t.material[s] += s == 0 ? RookPlacement<0>(t, n).Run() : RookPlacement<1>(t, n).Run();
  }
}

[[gnu::always_inline]] inline void bishop_placement_body(PositionTerms& t) {
  using namespace rook_bishop_pawn_detail;
  const KPosition& p = t.p;
  const int first = board::kKindRange[kBishop].first;
#pragma GCC unroll 2
  for (int n = first; n < first + board::kKindRange[kBishop].count; ++n) {
    const board::KPieceEntry& bishop = p.piece[n];
    if (!on_board(bishop)) continue;
    const int s = board::code_side(bishop.code);
    t.material[s] += s == 0 ? bishop_value<0>(p, bishop.sq) : bishop_value<1>(p, bishop.sq);
  }
}

[[gnu::always_inline]] inline void pawn_placement_body(PositionTerms& t) {
  using namespace rook_bishop_pawn_detail;
  const KPosition& p = t.p;
  // The files scored, 2-8, as bits of a pawn-file row.
  constexpr unsigned kScoredFiles = 0x1FCu;
  // Unrolled over the sides: each side's forward step, square run and tables
  // are then constants.
#pragma GCC unroll 2
  for (int u = 0; u < 2; ++u) {
    const uint8_t(&row)[10] = p.pawn_file[u];
    // Most pawns stand on ranks whose value needs no look around them: the
    // seven entries are added as they are (0 for no pawn and for the other
    // ranks), and only the files whose pawn stands on the other ranks are
    // visited.
    int32_t v = 0;
#pragma GCC unroll 7
    for (int f = 2; f <= 8; ++f) v += kPawnFlatBySquare[u][row[f]];
    const int low_rank = u == 0 ? kPawnClassFirstRank : 10 - kPawnClassLastRank;
    const int high_rank = u == 0 ? kPawnClassLastRank : 10 - kPawnClassFirstRank;
    const unsigned first = board::square_of(1, low_rank);
    const unsigned span = board::square_of(9, high_rank) - first;
    const int fwd = forward_step(u);
    for (unsigned files = files_in_run(row, first, span) & kScoredFiles; files != 0; files &= files - 1) {
      const int f = std::countr_zero(files);
      const int pawn = row[f];
      const int rank = square_rank(pawn);
      // Blocked: the square ahead is taken (a wall too) or a pawn stands two
      // ahead. That pawn can only be the enemy's (one own pawn per file), so
      // the enemy's pawn square of the file tells it in one read.
      const int ahead = pawn + fwd;
      int i = !is_empty_cell(p, ahead) || p.pawn_file[1 - u][f] == ahead + fwd ? 2 : 0;
      if (dir(p, u, pawn) > 0) ++i;
      int32_t w = kPawnRank[u][i][rank];
      if (w > kPawnFarValue && !backs_pawn(p, u, pawn - fwd)) w >>= 1;
      v += w;
    }
    t.material[u] += v;
  }
}

}  // namespace eval
