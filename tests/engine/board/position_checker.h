// Checks of an engine position against what it must hold: the derived tables
// against a rebuild from scratch, the live fields of two positions, and two
// positions compared square by square whatever their piece numbering.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/board/position.h"
#include "engine/board/position_setup.h"

namespace board::testing {

inline std::string square_name(int sq) {
  std::ostringstream s;
  s << "square " << sq << " (file " << square_file(sq) << ", rank " << square_rank(sq) << ")";
  return s.str();
}

inline std::vector<uint32_t> sorted_tokins(const KTokinList& l) {
  std::vector<uint32_t> v(l.number, l.number + std::min<uint32_t>(l.count, 18));
  std::sort(v.begin(), v.end());
  return v;
}

// The attack record of one square, field by field; empty when equal.
inline bool same_kiki(const KKiki& a, const KKiki& b) {
  for (int side = 0; side < 2; ++side) {
    if (a.direct_count[side] != b.direct_count[side] || a.xray_count[side] != b.xray_count[side] ||
        kiki_direct64(a, side) != kiki_direct64(b, side) || a.xray[side] != b.xray[side] ||
        a.line[side] != b.line[side]) {
      return false;
    }
  }
  return true;
}

inline std::string kiki_difference(const KKiki& a, const KKiki& b) {
  if (same_kiki(a, b)) return {};
  std::ostringstream s;
  for (int side = 0; side < 2; ++side) {
    if (a.direct_count[side] != b.direct_count[side]) s << " direct count[" << side << "]";
    if (a.xray_count[side] != b.xray_count[side]) s << " x-ray count[" << side << "]";
    if (kiki_direct64(a, side) != kiki_direct64(b, side)) s << " direct set[" << side << "]";
    if (a.xray[side] != b.xray[side]) s << " x-ray set[" << side << "]";
    if (a.line[side] != b.line[side]) s << " line set[" << side << "]";
  }
  return s.str();
}

// Board and piece table agree, hands match the pieces in hand and their slots,
// every count is the size of its set, and the attack records, pawn files,
// promoted-pawn lists and non-pawn hand counts equal a rebuild from scratch.
inline ::testing::AssertionResult matches_rebuild(const KPosition& p) {
  auto fail = [](const std::string& what) { return ::testing::AssertionFailure() << what; };
  if (p.teban > 1) return fail("side to move is not 0 or 1");
  for (int n = 0; n < kPieceCount; ++n) {
    const int sq = p.piece[n].sq;
    if (is_playing_square(sq)) {
      if (p.board[sq] != n) return fail("piece " + std::to_string(n) + " is not on its " + square_name(sq));
    } else if (sq != kInHand && sq != kNotInPlay) {
      return fail("piece " + std::to_string(n) + " has square byte " + std::to_string(sq));
    }
  }
  for (int sq = 0; sq < kBoardCells; ++sq) {
    const int n = p.board[sq];
    if (!is_playing_square(sq)) {
      if (n < kFirstWall || p.piece[n].code != kWallCode) return fail("no wall on " + square_name(sq));
    } else if (n != kEmptyNumber && (n > kEmptyNumber || p.piece[n].sq != sq)) {
      return fail("board cell and piece table disagree on " + square_name(sq));
    }
  }
  for (int kind = kRook; kind <= kPawn; ++kind) {
    const KindRange r = kKindRange[kind];
    std::vector<int> in_hand, slots;
    for (int n = r.first; n < r.first + r.count; ++n) {
      if (p.piece[n].sq == kInHand) in_hand.push_back(n);
    }
    const int total = p.hand[0][kind] + p.hand[1][kind];
    if (static_cast<int>(in_hand.size()) != total) return fail("hand counts of kind " + std::to_string(kind));
    for (int i = 0; i < total; ++i) slots.push_back(p.hand_slot[r.first + i]);
    std::sort(slots.begin(), slots.end());
    if (slots != in_hand) return fail("hand slots of kind " + std::to_string(kind));
  }

  KPosition q;
  std::memcpy(&q, &p, sizeof q);
  pos_clear_tables(q);
  pos_build_tokin_lists(q);
  pos_hand_sums(q);
  pos_clear_kiki(q);
  if (std::memcmp(p.pawn_file, q.pawn_file, sizeof p.pawn_file) != 0) return fail("pawn files");
  for (int side = 0; side < 2; ++side) {
    if (sorted_tokins(p.tokin[side]) != sorted_tokins(q.tokin[side])) return fail("promoted-pawn lists");
    if (p.hand_sum[side] != q.hand_sum[side]) return fail("non-pawn hand counts");
  }
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
    if (!is_playing_square(sq)) continue;
    const KKiki& k = kiki_at(p, sq);
    for (int side = 0; side < 2; ++side) {
      if (k.direct_count[side] != std::popcount(kiki_direct64(k, side)) ||
          k.xray_count[side] != std::popcount(k.xray[side])) {
        return fail("a count differs from its set on " + square_name(sq));
      }
    }
    const std::string diff = kiki_difference(k, kiki_at(q, sq));
    if (!diff.empty()) return fail("attack record of " + square_name(sq) + " differs from a rebuild:" + diff);
  }
  return ::testing::AssertionSuccess();
}

// Every field that a position's meaning depends on is equal. Not compared: the
// codes of pieces in a hand, hand slots above the pieces in hand, the order of
// the promoted-pawn lists and their entries above the count.
inline ::testing::AssertionResult same_live_fields(const KPosition& a, const KPosition& b) {
  auto fail = [](const std::string& what) { return ::testing::AssertionFailure() << what; };
  if (a.teban != b.teban) return fail("side to move");
  for (int n = 0; n < kPieceEntries; ++n) {
    if (a.piece[n].sq != b.piece[n].sq) return fail("square of piece " + std::to_string(n));
    if (a.piece[n].sq != kInHand && a.piece[n].code != b.piece[n].code) {
      return fail("code of piece " + std::to_string(n));
    }
  }
  if (std::memcmp(a.hand, b.hand, sizeof a.hand) != 0) return fail("hand counts");
  for (int kind = kRook; kind <= kPawn; ++kind) {
    const int first = kKindRange[kind].first, total = a.hand[0][kind] + a.hand[1][kind];
    if (std::memcmp(a.hand_slot + first, b.hand_slot + first, total) != 0) return fail("hand slots");
  }
  if (std::memcmp(a.board, b.board, sizeof a.board) != 0) return fail("board");
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
    if (!is_playing_square(sq)) continue;
    const std::string diff = kiki_difference(kiki_at(a, sq), kiki_at(b, sq));
    if (!diff.empty()) return fail("attack record of " + square_name(sq) + ":" + diff);
  }
  for (int side = 0; side < 2; ++side) {
    if (sorted_tokins(a.tokin[side]) != sorted_tokins(b.tokin[side])) return fail("promoted-pawn lists");
  }
  if (std::memcmp(a.pawn_file, b.pawn_file, sizeof a.pawn_file) != 0) return fail("pawn files");
  if (std::memcmp(a.hand_sum, b.hand_sum, sizeof a.hand_sum) != 0) return fail("non-pawn hand counts");
  return ::testing::AssertionSuccess();
}

// The squares of the pieces in a set of piece numbers (bit n = piece n).
inline std::vector<int> squares_of(const KPosition& p, uint64_t set) {
  std::vector<int> v;
  for (; set != 0; set &= set - 1) v.push_back(p.piece[std::countr_zero(set)].sq);
  std::sort(v.begin(), v.end());
  return v;
}

// The same position whatever the piece numbering: side to move, the piece code
// on every square, hands, and every attack record with its attackers named by
// their squares; pawn files, promoted pawns and non-pawn hand counts.
inline ::testing::AssertionResult same_position(const KPosition& a, const KPosition& b) {
  auto fail = [](const std::string& what) { return ::testing::AssertionFailure() << what; };
  if (a.teban != b.teban) return fail("side to move");
  if (std::memcmp(a.hand, b.hand, sizeof a.hand) != 0) return fail("hand counts");
  if (std::memcmp(a.pawn_file, b.pawn_file, sizeof a.pawn_file) != 0) return fail("pawn files");
  if (std::memcmp(a.hand_sum, b.hand_sum, sizeof a.hand_sum) != 0) return fail("non-pawn hand counts");
  for (int side = 0; side < 2; ++side) {
    std::vector<int> ta, tb;
    for (uint32_t i = 0; i < a.tokin[side].count; ++i) ta.push_back(a.piece[a.tokin[side].number[i]].sq);
    for (uint32_t i = 0; i < b.tokin[side].count; ++i) tb.push_back(b.piece[b.tokin[side].number[i]].sq);
    std::sort(ta.begin(), ta.end());
    std::sort(tb.begin(), tb.end());
    if (ta != tb) return fail("promoted pawns");
  }
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
    if (!is_playing_square(sq)) continue;
    if (a.piece[a.board[sq]].code != b.piece[b.board[sq]].code) return fail("piece on " + square_name(sq));
    const KKiki& ka = kiki_at(a, sq);
    const KKiki& kb = kiki_at(b, sq);
    for (int side = 0; side < 2; ++side) {
      if (ka.direct_count[side] != kb.direct_count[side] || ka.xray_count[side] != kb.xray_count[side] ||
          squares_of(a, kiki_direct64(ka, side)) != squares_of(b, kiki_direct64(kb, side)) ||
          squares_of(a, ka.xray[side]) != squares_of(b, kb.xray[side]) ||
          squares_of(a, ka.line[side]) != squares_of(b, kb.line[side])) {
        return fail("attack record of " + square_name(sq));
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace board::testing
