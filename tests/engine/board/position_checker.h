// Checks of an engine position against what it must hold: the derived tables
// against a rebuild from scratch, and the live fields of two positions.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "engine/board/position.h"
#include "engine/board/position_setup.h"

namespace board::testing {

inline std::string square_name(int sq) {
  return "square " + std::to_string(sq) + " (" + std::to_string(square_file(sq)) + std::to_string(square_rank(sq)) + ")";
}

inline std::vector<uint32_t> sorted_tokins(const KTokinList& l) {
  std::vector<uint32_t> v(l.number, l.number + std::min<uint32_t>(l.count, 18));
  std::sort(v.begin(), v.end());
  return v;
}

// Two attack records are equal field by field (the record has no padding).
inline bool same_kiki(const KKiki& a, const KKiki& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every piece carries a code of its number's kind, board and piece table
// agree, hands match the pieces in hand and their slots, every count is the
// size of its set, and the attack records, pawn files, promoted-pawn lists and
// non-pawn hand counts equal a rebuild from scratch.
inline ::testing::AssertionResult matches_rebuild(const KPosition& p) {
  auto fail = [](const std::string& what) { return ::testing::AssertionFailure() << what; };
  if (p.teban > 1) return fail("side to move is not 0 or 1");
  for (int n = 0; n < kPieceCount; ++n) {
    const int sq = p.piece[n].sq;
    // Numbers are fixed by kind: a drop or a capture finds its piece by them.
    if (code_kind(p.piece[n].code) != number_kind(n)) {
      return fail("piece " + std::to_string(n) + " carries a code of another kind");
    }
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
    if (!same_kiki(k, kiki_at(q, sq))) return fail("attack record of " + square_name(sq) + " differs from a rebuild");
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
    if (!same_kiki(kiki_at(a, sq), kiki_at(b, sq))) return fail("attack record of " + square_name(sq));
  }
  for (int side = 0; side < 2; ++side) {
    if (sorted_tokins(a.tokin[side]) != sorted_tokins(b.tokin[side])) return fail("promoted-pawn lists");
  }
  if (std::memcmp(a.pawn_file, b.pawn_file, sizeof a.pawn_file) != 0) return fail("pawn files");
  if (std::memcmp(a.hand_sum, b.hand_sum, sizeof a.hand_sum) != 0) return fail("non-pawn hand counts");
  return ::testing::AssertionSuccess();
}

}  // namespace board::testing
