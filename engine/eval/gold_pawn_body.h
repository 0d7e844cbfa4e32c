// The bodies of the exposed-gold and pawn-threat groups (gold_pawn_terms.h says
// what each adds). They are written once here and inlined both into their entry
// points and into the full evaluation (eval_position; its gold pass takes the
// exposed-gold term gold by gold), which then runs them
// without a call and without saving and restoring registers once per group.
#pragma once

#include "engine/eval/gold_pawn_terms.h"

#include <algorithm>
#include <bit>
#include <type_traits>

#include "engine/eval/eval_access.h"
#include "engine/eval/static_eval_tables.h"

namespace eval {

// The helpers have internal linkage (the unnamed namespace), as they had when
// they lived in one source file, so that the compiler inlines them as before;
// the named namespace around it keeps their names apart from the other
// groups' helpers in eval_position.cpp.
namespace gold_pawn_detail {
namespace {

using board::KPosition;
using board::square_file;
using board::square_rank;

constexpr int kLoneGoldDivisor = 5;     // a gold nothing defends loses a fifth
constexpr int kSliderGoldDivisor = 10;  // one a rook or bishop defends, a tenth
constexpr int32_t kTokinThreat = 150;
constexpr int kPawnValueFloor = 7;      // an advanced pawn counts only above this value

// True for a rook or bishop number (promoted or not).
bool is_major(int n) { return n >= board::kKindRange[board::kRook].first && n < board::kKindRange[board::kGold].first; }

// From the gold on g toward `step` along the rank: the next square is empty, and
// beyond it an empty square that s does not defend, or an enemy rook or dragon
// as the first piece met.
template <int s>
bool open_side(const KPosition& p, int g, int step) {
  if (!is_empty_cell(p, g + step)) return false;
  for (int q = g + 2 * step;; q += step) {
    if (!is_empty_cell(p, q)) {
      const int code = code_on(p, q);
      return board::code_kind(code) == board::kRook && holds_piece_of(p, 1 - s, q);
    }
    if (dir(p, s, q) == 0) return true;
  }
}

template <int s>
bool exposed(const KPosition& p, int g) {
  if (open_side<s>(p, g, +1) || open_side<s>(p, g, -1)) return true;
  const int back = -forward_step(s);
  const int rank = own_rank(s, g);
  if (rank == 7 && is_empty_cell(p, g + back)) {
    const int q = g + 2 * back;
    if (holds(p, 1 - s, q, board::kRook) || (is_empty_cell(p, q) && dir(p, s, q) == 0)) return true;
  }
  if (rank == 8) {
    // Both squares diagonally behind: no enemy piece (a wall counts as one) and
    // no defender.
    for (int q : {g + back - 1, g + back + 1}) {
      if (blocked_for(p, 1 - s, q) || dir(p, s, q) != 0) return false;
    }
    return true;
  }
  return false;
}

// X(q): an enemy king, rook, bishop, gold or silver on q.
bool valuable_enemy(const KPosition& p, int e, int q) {
  return p.board[q] < board::kKindRange[board::kKnight].first && blocked_for(p, e, q);
}

// A promoted pawn of s could step to q (no own piece there, s holds it more
// firmly than e) and from there attack a valuable piece behind q or beside it
// toward the king's file.
bool safe_fork_square(const KPosition& p, int s, int q, int t) {
  const int e = 1 - s;
  if (blocked_for(p, s, q) || att(p, s, q) <= att(p, e, q)) return false;
  return valuable_enemy(p, e, q - forward_step(s)) || valuable_enemy(p, e, q + t);
}

void promoted_pawn_terms(PositionTerms& t, int s, int king) {
  const KPosition& p = t.p;
  const int e = 1 - s;
  for (uint32_t i = 0; i < p.tokin[s].count; ++i) {
    const int sq = p.piece[p.tokin[s].number[i]].sq;
    if (square_file(sq) == square_file(king)) continue;
    const int toward = square_file(king) > square_file(sq) ? 1 : -1;
    const int behind = sq - forward_step(s);
    const int side = sq + toward;
    if (valuable_enemy(p, e, behind) || safe_fork_square(p, s, behind, toward) || valuable_enemy(p, e, side) ||
        safe_fork_square(p, s, side, toward)) {
      t.attack[s] += kTokinThreat;
    }
  }
}

void advanced_pawn_terms(PositionTerms& t, int s, int king) {
  const KPosition& p = t.p;
  const int e = 1 - s;
  const int step = forward_step(s);
  // The squares of s's ranks 1-4 (own view) are one run of square numbers, and
  // 0 (no pawn on the file) lies outside it: one unsigned comparison per file.
  // The files that pass are found together, and only they are visited.
  const unsigned first = own_square(s, s == 0 ? 1 : 9, s == 0 ? 1 : 4);
  const unsigned span = own_square(s, s == 0 ? 9 : 1, s == 0 ? 4 : 1) - first;
  for (unsigned files = files_in_run(p.pawn_file[s], first, span); files != 0; files &= files - 1) {
    const int pawn = p.pawn_file[s][std::countr_zero(files)];
    const int q = pawn + step;
    if (!board::is_playing_square(q)) continue;  // a pawn on its last rank has no square ahead
    const int v = king_rel_value(kTokinEnemyClass, s, king, q);
    if (v <= kPawnValueFloor) continue;
    const int bal = std::clamp(att(p, s, q) - att(p, e, q) + 4, 0, 3);
    const bool blocked = !is_empty_cell(p, q) || board::code_class(code_on(p, pawn + 2 * step)) == board::kPawn;
    const int32_t d = kTwoThirds[bal] * v >> (blocked ? 16 : 14);
    t.defence[e] -= d;
    if (p.hand_sum[s] >= 1) t.attack[s] += d;
    if (p.hand_sum[s] >= 2) t.attack[s] += d;
    if (att(p, s, q) > 1) t.attack[s] += d;
  }
}

// One gold of side s on g: its share of the defence when it stands exposed in
// s's camp. The side is a template argument, so that the camp test, the
// attack-count fields and the steps are constants.
template <int s>
int32_t exposed_gold_value(const KPosition& p, int g, int king) {
  if (!in_own_camp(s, g)) return 0;
  const board::KKiki& k = board::kiki_at(p, g);
  int divisor = kLoneGoldDivisor;
  if (k.direct_count[s] >= 2) return 0;
  if (k.direct_count[s] == 1) {
    if (!is_major(std::countr_zero(board::kiki_direct64(k, s)))) return 0;
    divisor = kSliderGoldDivisor;
  }
  if (!exposed<s>(p, g)) return 0;
  return king_rel_value(kGoldClass, s, king, g) / divisor;
}

}  // namespace
}  // namespace gold_pawn_detail

// The exposed-gold term of side S's gold on `sq` (none without the king).
template <int S>
[[gnu::always_inline]] inline void add_exposed_gold(PositionTerms& t, int sq) {
  if (t.king[S] != 0) t.defence[S] -= gold_pawn_detail::exposed_gold_value<S>(t.p, sq, t.king[S]);
}

// Calls visit(side, sq) for each gold on the board, the side as a
// std::integral_constant so that the visit can pick its side's template.
// Not unrolled: the visit is then inlined once per side, not in each of four
// copies of the loop (the full evaluation's gold visit is large).
template <class Visit>
[[gnu::always_inline]] inline void for_each_gold_on_board(const board::KPosition& p, Visit&& visit) {
  const int first = board::kKindRange[board::kGold].first;
#pragma GCC unroll 1
  for (int n = first; n < first + board::kKindRange[board::kGold].count; ++n) {
    const board::KPieceEntry& gold = p.piece[n];
    if (!on_board(gold)) continue;
    if (board::code_side(gold.code) == 0) {
      visit(std::integral_constant<int, 0>{}, gold.sq);
    } else {
      visit(std::integral_constant<int, 1>{}, gold.sq);
    }
  }
}

[[gnu::always_inline]] inline void exposed_gold_body(PositionTerms& t) {
  for_each_gold_on_board(t.p, [&](auto side, int sq) { add_exposed_gold<side()>(t, sq); });
}

[[gnu::always_inline]] inline void pawn_threat_body(PositionTerms& t) {
  using namespace gold_pawn_detail;
  // Unrolled over the sides: each side's square range, forward step and table
  // rows are then constants in its file scan.
#pragma GCC unroll 2
  for (int s = 0; s < 2; ++s) {
    const int king = t.king[1 - s];
    if (king == 0) continue;
    promoted_pawn_terms(t, s, king);
    advanced_pawn_terms(t, s, king);
  }
}

}  // namespace eval
