// The bodies of the silver, knight, gold and advanced-king groups
// (silver_knight_gold_terms.h says what each adds). They are written once here
// and inlined into the full evaluation (eval_position), which then runs them
// without a call and without saving and restoring registers once per group,
// and into the entry points of the groups that have one.
#pragma once

#include "engine/eval/silver_knight_gold_terms.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <climits>

#include "engine/board/exchange_eval.h"
#include "engine/eval/eval_access.h"
#include "engine/eval/silver_choice.h"
#include "engine/eval/static_eval_tables.h"

namespace eval {

// The helpers have internal linkage (the unnamed namespace), as they had when
// they lived in one source file, so that the compiler inlines them as before;
// the named namespace around it keeps their names apart from the other
// groups' helpers in eval_position.cpp.
namespace silver_knight_gold_detail {
namespace {

using board::KPosition;
using board::kBishop;
using board::kGold;
using board::kKnight;
using board::kPawn;
using board::kRook;
using board::kSilver;
using board::square_file;
using board::square_rank;

constexpr int32_t kSilverAdvance = 54;  // over-advance count of a silver out of its camp
constexpr int32_t kGoldAdvance = 90;    // and of a gold on its sixth rank or beyond
constexpr int32_t kAdvanceLimit = 100;
constexpr int32_t kEscapeBlocked = -200;  // a silver's escape square that its own piece holds
constexpr int32_t kEscapeCost = 10;
constexpr int32_t kDropHarmless = -30;    // a pawn drop worth this or less for e is no threat
constexpr int32_t kKnightDropHarmless = -50;
constexpr int32_t kKnightAttacked = 100;
constexpr int32_t kKnightPawnExtra = 7;
constexpr int32_t kBishopDropChance = 100;
constexpr int32_t kSilverForkOpen = 20;
constexpr int32_t kThinCorner = 7;
constexpr int32_t kGoldDoubled = 9;
constexpr int32_t kGoldLeftBehind = 5;
constexpr int32_t kGoldUndefended = 3;

// Each group's body is written once below and inlined into silver_knight_gold_body
// (and into the group's own entry point where it has one): the full evaluation
// then runs the seven groups within its own function, without a call, a
// register save and a restore per group.
//
// The loops over a kind's four pieces below are unrolled (#pragma GCC unroll):
// many pieces end at the first tests (off the board, in a hand), next to which
// the loop's own count and jump showed. The loops over the two sides are
// unrolled too, so that each side's forward step and camp are constants.

// A gold's defenders that count: the king and the golds and silvers (promoted
// or not), pieces 0-1 and 6-13.
constexpr uint32_t kGeneralDefenders = 0x3u | (0xFFu << 6);

// Side u's turn comes after the opponent's: e is to move, or u is to move after
// a pass.
bool opponents_turn(const PositionTerms& t, int u) {
  const bool pass = t.last.from == board::kPassSquare;
  return (t.p.teban != u) != pass;
}

// B(q): side u's root placement value of q, less the side's pawn-behind row when
// its pawn of that file stands behind q.
int32_t silver_base(const KPosition& p, int u, int q) {
  int32_t v = eval_root_king_square(u, q);
  const int pawn = p.pawn_file[u][square_file(q)];
  if (pawn_behind(u, pawn, q)) v -= eval_root_row(u, square_rank(q));
  return v;
}

// The value of a working silver that a pawn dropped in front of it would
// chase: the best of its four diagonal escapes, when that is below v.
int32_t escape_value(const KPosition& p, int u, int silver, int32_t v) {
  const int e = 1 - u;
  const int fwd = forward_step(u);
  const int front = silver + fwd;
  if (p.pawn_file[e][square_file(silver)] != 0 || p.hand[e][kPawn] == 0 || !is_empty_cell(p, front)) return v;
  const int r = board::koma_put_value(p, e, kPawn, front, nullptr);
  if (r <= kDropHarmless) return v;
  int32_t best = INT32_MIN;
  for (int d : {silver + fwd - 1, silver + fwd + 1, silver - fwd - 1, silver - fwd + 1}) {
    // An own piece, or the edge, closes the escape.
    if (blocked_for(p, u, d)) {
      best = std::max(best, kEscapeBlocked);
      continue;
    }
    const int32_t exchange = board::exchange_eval_pos(p, u, code_on(p, d), d, p.board[silver], nullptr);
    best = std::max(best, exchange + silver_base(p, u, d) - kEscapeCost - r);
  }
  return std::min(v, best);
}

constexpr bool is_general(int code) {
  const int cls = board::code_class(code);
  return cls == kGold || cls == kSilver || cls == (kSilver | board::kPromotedBit);
}

// By side and piece code: true for the side's gold, silver and promoted
// silver. A wall's code carries both side bits but the wall kind, so it reads
// false: one read tells an own general on any cell.
constexpr std::array<std::array<bool, 256>, 2> kOwnGeneral = [] {
  std::array<std::array<bool, 256>, 2> t{};
  for (int side = 0; side < 2; ++side) {
    for (int code = 0; code < 256; ++code) t[side][code] = (code & board::side_bit(side)) && is_general(code);
  }
  return t;
}();
static_assert(!kOwnGeneral[0][board::kWallCode] && !kOwnGeneral[1][board::kWallCode]);

[[gnu::always_inline]] inline void add_working_silver(PositionTerms& t) {
  const KPosition& p = t.p;
  const SilverChoice choice = silver_choice_cached(p, t.king, t.rook_file);
#pragma GCC unroll 2
  for (int u = 0; u < 2; ++u) {
    t.silver_flags[u] |= choice.flags[u];
    t.advance[u] += kSilverAdvance * choice.advanced[u];
    const int chosen = choice.square[u];
    t.working_silver[u] = chosen;
    if (chosen == 0) continue;
    int32_t v = silver_base(p, u, chosen);
    if (choice.count[u] == 1) {
      v = std::max(v, eval_file_rank_bonus(u, square_file(t.king[u]), chosen));
    } else if (t.square == chosen) {
      v = escape_value(p, u, chosen, v);
    }
    t.material[u] += v;
  }
}

// By side, the knight's rank and the rank of the side's pawn on a
// neighbouring file (0 when that file has none): the entry of kKnightPawn, so
// that the knight reads each neighbour with one look-up instead of a clamp.
constexpr auto kKnightPawnIndex = [] {
  std::array<std::array<std::array<uint8_t, 10>, 10>, 2> t{};
  for (int u = 0; u < 2; ++u) {
    for (int rank = 0; rank <= 9; ++rank) {
      for (int pawn_rank = 1; pawn_rank <= 9; ++pawn_rank) {
        t[u][rank][pawn_rank] = static_cast<uint8_t>(std::clamp((rank - pawn_rank) * (2 * u - 1) + 3, 0, 4));
      }
    }
  }
  return t;
}();

// One knight of side u on sq; the side is a template argument, so that its
// forward step, ranks and the pawn files it reads are constants.
// Out of line, as gold_value below: called from four unrolled places each, a
// copy per place would cost more in code than the calls cost.
template <int u>
[[gnu::noinline]] int32_t knight_value(const KPosition& p, int sq, bool pass, bool& pass_matters) {
  constexpr int e = 1 - u;
  constexpr int fwd = forward_step(u);
  const int rank = square_rank(sq), file = square_file(sq);
  const bool third = own_rank(u, sq) == 7;
  int32_t v = 0;
  if (third && holds(p, e, sq + fwd, kPawn)) v -= kKnightAttacked;
  if (rank == 5 || third) {
    const auto& index = kKnightPawnIndex[u][rank];
    for (int f : {file - 1, file + 1}) {
      if (f < 1 || f > 9) continue;
      const int pawn = p.pawn_file[u][f];
      const int i = index[square_rank(pawn)];  // square 0 (no pawn) reads rank 0
      v += kKnightPawn[i];
      if (i == 1 && holds(p, e, pawn + fwd, kPawn)) v += kKnightPawnExtra;
    }
  }
  if (rank == 5) {
    // Only a knight that threatens nothing on its jump squares can be chased.
    bool threatens = false;
    for (int jump : {sq + 2 * fwd - 1, sq + 2 * fwd + 1}) {
      const int kind = board::code_kind(code_on(p, jump));
      threatens |= holds_piece_of(p, e, jump) && kind >= kRook && kind <= board::kLance;
    }
    const int front = sq + fwd;
    if (!threatens && is_empty_cell(p, front)) {
      const bool drop_possible = p.pawn_file[e][file] == 0 && p.hand[e][kPawn] > 0;
      // With u to move, only the pass flag gives e the drop.
      if (drop_possible && p.teban != e) pass_matters = true;
      if ((p.teban == e || pass) && drop_possible &&
          board::koma_put_value(p, e, kPawn, front, nullptr) > kKnightDropHarmless) {
        v -= kKnightAttacked;
      }
    } else if (!threatens && holds(p, e, front, kPawn)) {
      v -= kKnightAttacked;
    }
  }
  return v;
}

// By a piece entry's square byte: true for the board squares of ranks 3, 5
// and 7, false for the others, kInHand and kNotInPlay. A knight elsewhere
// scores nothing, and one read tells both that and whether it is on the board.
constexpr std::array<bool, 256> kKnightScoredSquare = [] {
  std::array<bool, 256> t{};
  for (int sq = 0; sq < 256; ++sq) {
    const int rank = square_rank(sq);
    t[sq] = board::is_playing_square(sq) && (rank == 3 || rank == 5 || rank == 7);
  }
  return t;
}();

[[gnu::always_inline]] inline void add_knights(PositionTerms& t) {
  const KPosition& p = t.p;
  const bool pass = t.last.from == board::kPassSquare;
  const int first = board::kKindRange[kKnight].first;
#pragma GCC unroll 4
  for (int n = first; n < first + board::kKindRange[kKnight].count; ++n) {
    const board::KPieceEntry& knight = p.piece[n];
    // Only a knight on the board on rank 5 or on its own third rank (own view
    // 7) scores.
    if (!kKnightScoredSquare[knight.sq]) continue;
    if (board::code_side(knight.code) == 0) {
      t.material[0] += knight_value<0>(p, knight.sq, pass, t.pass_matters);
    } else {
      t.material[1] += knight_value<1>(p, knight.sq, pass, t.pass_matters);
    }
  }
}

[[gnu::always_inline]] inline void add_bishop_drop(PositionTerms& t) {
  const KPosition& p = t.p;
  const int s = p.teban;
  const int target = own_square(s, 3, 3);
  if (p.hand[s][kBishop] > 0 && holds(p, 1 - s, target, kRook) && dir(p, s, target) == 0) {
    t.material[s] += kBishopDropChance;
  }
}

[[gnu::always_inline]] inline void add_silver_drops(PositionTerms& t) {
  const KPosition& p = t.p;
  if (p.hand[0][kSilver] == 0 && p.hand[1][kSilver] == 0) return;
  const int first = board::kKindRange[kGold].first;
#pragma GCC unroll 4
  for (int n = first; n < first + board::kKindRange[kGold].count; ++n) {
    const board::KPieceEntry& gold = p.piece[n];
    if (!on_board(gold)) continue;
    const int u = board::code_side(gold.code), e = 1 - u;
    if (p.hand[e][kSilver] == 0) continue;
    // The shape is tested on either turn: when it is there, the turn (and so
    // the pass flag) decides, and the record notes that it did.
    const bool applies = opponents_turn(t, u);
    const int g = gold.sq, back = -forward_step(u);
    for (int side : {-1, +1}) {
      // The drop square diagonally behind the gold; the rook it would fork.
      const int x = g + back + side;
      if (!is_empty_cell(p, x) || dir(p, u, x) != 0) continue;
      if (holds(p, u, g + 2 * back, kRook) || holds(p, u, g + 2 * side, kRook) ||
          holds(p, u, g + 2 * back + 2 * side, kRook)) {
        t.pass_matters = true;
        if (applies) t.material[u] -= kSilverForkOpen;
      }
    }
  }
}

// What the advanced-king group does with a king of the side on a square byte
// (0 for no king): kKingStays (nothing), kKingAdvanced (the king stands on its
// own rank 5 or beyond: the rank bonus) or, for a king on its second rank by
// the edge, the back-rank square toward the centre that it looks at.
constexpr int kKingStays = 0;
constexpr int kKingAdvanced = 1;
constexpr std::array<std::array<uint8_t, 256>, 2> kKingPlace = [] {
  std::array<std::array<uint8_t, 256>, 2> t{};
  for (int side = 0; side < 2; ++side) {
    for (int sq = 0; sq < 256; ++sq) {
      if (!board::is_playing_square(sq)) continue;
      const int rank = own_rank(side, sq), file = square_file(sq);
      const int toward = file <= 3 ? 1 : file >= 7 ? -1 : 0;
      if (rank < 6) {
        t[side][sq] = kKingAdvanced;
      } else if (rank == 8 && toward != 0) {
        t[side][sq] = static_cast<uint8_t>(sq - forward_step(side) + toward);
      }
    }
  }
  return t;
}();

[[gnu::always_inline]] inline void add_advanced_kings(PositionTerms& t) {
  const KPosition& p = t.p;
#pragma GCC unroll 2
  for (int i = 0; i < 2; ++i) {
    const int king = t.king[i];
    const int place = kKingPlace[i][king];
    if (place == kKingStays) continue;
    if (place != kKingAdvanced) {
      // On the second rank by the edge: the back-rank square toward the centre.
      if (is_empty_cell(p, place) && dir(p, i, place) == 1) t.material[i] -= kThinCorner;
      continue;
    }
    const int rank = own_rank(i, king);
    const int32_t bonus = eval_rank_bonus(i, king);
    int h = p.hand[i][kPawn];
    if (rank <= 4) {
      h += 4 * (p.hand[i][kRook] + p.hand[i][kBishop]);
      t.material[1 - i] -= bonus * eval_defender_count(p, 1 - i) >> 5;
    }
    t.material[i] += bonus * h >> 5;
  }
}

// By the king's square (0 when the king is not on the board), one word that
// the gold visit reads once per side and node instead of once per gold: bits
// 1-9, the gold files that count as beside a king by the edge (files 1-5 for a
// king on files 1-2, 5-9 for one on files 8-9); bits 16 and up, signed, the
// file step from a gold toward the king's file (0 for a king on file 5 or off
// the board).
constexpr std::array<uint32_t, 256> kGoldKingWord = [] {
  std::array<uint32_t, 256> t{};
  for (int sq = 0; sq < 256; ++sq) {
    if (!board::is_playing_square(sq)) continue;
    const int kf = square_file(sq);
    const int toward = kf < 5 ? 1 : kf > 5 ? -1 : 0;
    uint32_t edge = 0;
    for (int gf = 1; gf <= 9; ++gf) {
      if ((kf < 3 && gf < 6) || (kf > 7 && gf > 4)) edge |= 1u << gf;
    }
    t[sq] = static_cast<uint32_t>(toward) << 16 | edge;
  }
  return t;
}();

// Each side's word of kGoldKingWord.
struct GoldKingWords {
  explicit GoldKingWords(const PositionTerms& t) : word{kGoldKingWord[t.king[0]], kGoldKingWord[t.king[1]]} {}
  uint32_t word[2];
};

// One gold of side u on g, with u's king word of kGoldKingWord; the side is a
// template argument, so that its steps and ranks are constants. The body is
// inlined into gold_value below and into the full evaluation's visit of the
// golds, which takes both terms of a gold in one place.
template <int u>
[[gnu::always_inline]] inline void gold_value_body(PositionTerms& t, int g, uint32_t king_word) {
  const KPosition& p = t.p;
  const int toward = static_cast<int32_t>(king_word) >> 16;
  if (toward != 0) {
    const int x = g - forward_step(u) + toward;
    if (kOwnGeneral[u][code_on(p, x)]) t.material[u] -= kGoldDoubled;
  }
  const int rank = own_rank(u, g);
  if (rank == 9 && t.silver_flags[u] == kSilverAdvancedKingSide) {
    t.material[u] -= kGoldLeftBehind;
  } else if (rank <= 6) {
    t.advance[u] += kGoldAdvance;
  }
  // The file test first: it is the cheap one and rarely passes.
  if (((king_word >> square_file(g)) & 1u) && in_own_camp(u, g) &&
      (board::kiki_at(p, g).direct[u][0] & kGeneralDefenders) == 0) {
    t.material[u] -= kGoldUndefended;
  }
}

// Out of line, as knight_value above.
template <int u>
[[gnu::noinline]] void gold_value(PositionTerms& t, int g, uint32_t king_word) {
  gold_value_body<u>(t, g, king_word);
}

[[gnu::always_inline]] inline void add_golds(PositionTerms& t) {
  const KPosition& p = t.p;
  const GoldKingWords kings(t);
  const int first = board::kKindRange[kGold].first;
#pragma GCC unroll 4
  for (int n = first; n < first + board::kKindRange[kGold].count; ++n) {
    const board::KPieceEntry& gold = p.piece[n];
    if (!on_board(gold)) continue;
    if (board::code_side(gold.code) == 0) {
      gold_value<0>(t, gold.sq, kings.word[0]);
    } else {
      gold_value<1>(t, gold.sq, kings.word[1]);
    }
  }
}

[[gnu::always_inline]] inline void add_over_advance(PositionTerms& t) {
  for (int u = 0; u < 2; ++u) {
    if (t.advance[u] <= kAdvanceLimit) continue;
    const int32_t penalty = (t.advance[u] - kAdvanceLimit) / 3;
    t.material[u] -= t.p.hand[1 - u][kBishop] > 0 ? 2 * penalty : penalty;
  }
}

}  // namespace
}  // namespace silver_knight_gold_detail

// The groups before the golds: working silver, knights, bishop and silver
// drops, advanced kings.
[[gnu::always_inline]] inline void silver_knight_body(PositionTerms& t) {
  using namespace silver_knight_gold_detail;
  add_working_silver(t);
  add_knights(t);
  add_bishop_drop(t);
  add_silver_drops(t);
  add_advanced_kings(t);
}

[[gnu::always_inline]] inline void silver_knight_gold_body(PositionTerms& t) {
  using namespace silver_knight_gold_detail;
  silver_knight_body(t);
  add_golds(t);
  add_over_advance(t);
}

}  // namespace eval
