// The per-node evaluation record computed from the position alone, for checking
// the move-by-move update: every term the update keeps, summed over the board
// and the hands with the weight object and the current strategy square table.
// The open-file sums are the exception: the update refreshes a side's sum and
// its weighted term only when the enemy king changes file, weighting it with
// the pawns in hand of that moment, so OpenFileReplay replays that rule.
#pragma once

#include <algorithm>
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/board/eval_weights.h"
#include "engine/board/position.h"
#include "engine/board/search_words.h"
#include "engine/board/strategy_cells.h"

namespace eval::testing {

using board::KEvalRecord;
using board::KEvalWeights;
using board::KPosition;

inline bool on_board(int sq) { return board::is_playing_square(sq); }

// Class around the own king (gold 0, silver 1, knight 2, lance 3, pawn 4, horse
// 5, the promoted minor pieces 0), -1 none.
inline int own_king_class(int cls) {
  switch (cls) {
    case board::kGold: return 0;
    case board::kSilver: return 1;
    case board::kKnight: return 2;
    case board::kLance: return 3;
    case board::kPawn: return 4;
    case board::kHorse: return 5;
    case board::kSilver | board::kPromotedBit:
    case board::kKnight | board::kPromotedBit:
    case board::kLance | board::kPromotedBit:
    case board::kTokin: return 0;
    default: return -1;
  }
}

// Class around the enemy king as the update keeps it (no lance, no horse).
inline int enemy_king_class(int cls) {
  switch (cls) {
    case board::kGold:
    case board::kSilver | board::kPromotedBit: return 6;
    case board::kTokin: return 7;
    case board::kSilver: return 8;
    case board::kKnight: return 9;
    case board::kPawn: return 10;
    case board::kKnight | board::kPromotedBit:
    case board::kLance | board::kPromotedBit: return 12;
    default: return -1;
  }
}

// king_rel as `side` reads it (gote: both ranks mirrored); 0 without the king.
inline int king_rel(const KEvalWeights& w, int side, int king, int cls, int sq) {
  if (!on_board(king) || cls < 0) return 0;
  auto index = [side](int s) {
    const int rank = side == 0 ? board::square_rank(s) : 10 - board::square_rank(s);
    return (rank - 1) * 9 + board::square_file(s) - 1;
  };
  return w.king_rel[index(king)][cls][index(sq)];
}

// (attack part, hand_b part) of a rook, dragon, bishop or horse.
inline void placement_pair(int cls, int side, int sq, int& attack, int& hand_b) {
  const int rank = board::square_rank(sq);
  const bool inside = side == 0 ? rank <= 3 : rank >= 7;
  attack = hand_b = 0;
  if (cls == board::kRook) attack = inside ? 550 : 150, hand_b = inside ? 200 : 400;
  if (cls == board::kDragon) attack = 650, hand_b = 235;
  if (cls == board::kBishop) attack = inside ? 200 : 100, hand_b = 400;
  if (cls == board::kHorse) attack = 300, hand_b = 0;
}

// The sum over the files without an unpromoted pawn of `side` of
// distance_weight by the file distance to the enemy king; 0 without that king.
inline int open_file_sum(const KEvalWeights& w, const KPosition& p, int side) {
  const int king = p.piece[1 - side].sq;
  if (!on_board(king)) return 0;
  int sum = 0;
  for (int f = 1; f <= 9; ++f) {
    bool pawn = false;
    for (int r = 1; r <= 9; ++r) {
      const int n = p.board[board::square_of(f, r)];
      pawn = pawn || (n < board::kPieceCount && p.piece[n].code == (board::kPawn | board::side_bit(side)));
    }
    if (!pawn) sum += w.distance_weight[std::abs(f - board::square_file(king))];
  }
  return sum;
}

inline int open_file_weighted(const KEvalWeights& w, int sum, int pawns_in_hand) {
  return (std::min(sum, 320) * w.count_curve[pawns_in_hand]) >> 8;
}

// The open-file sums and their weighted terms as the update keeps them: taken
// from scratch at the root, then refreshed for a side only after a move of the
// enemy king to another file (old term out and new term in, both weighted with
// the side's pawns in hand after that move).
struct OpenFileReplay {
  int sum[2];
  int weighted[2];

  void Start(const KEvalWeights& w, const KPosition& p) {
    for (int s = 0; s < 2; ++s) {
      sum[s] = open_file_sum(w, p, s);
      weighted[s] = open_file_weighted(w, sum[s], p.hand[s][board::kPawn]);
    }
  }
  // After a move of side `mover` whose king went from `from` to `to`.
  void KingMoved(const KEvalWeights& w, const KPosition& p, int mover, int from, int to) {
    if (board::square_file(from) == board::square_file(to)) return;
    const int o = 1 - mover;
    const int pawns = p.hand[o][board::kPawn];
    weighted[o] -= open_file_weighted(w, sum[o], pawns);
    sum[o] = open_file_sum(w, p, o);
    weighted[o] += open_file_weighted(w, sum[o], pawns);
  }
};

// The kept terms of both sides from scratch (the open-file part from `open`).
struct Terms {
  int attack[2] = {}, open_file[2] = {}, defence[2] = {}, hand_b[2] = {}, material[2] = {};
};

inline Terms terms_from_scratch(const KEvalWeights& w, const KPosition& p, const OpenFileReplay& open) {
  Terms t;
  for (int s = 0; s < 2; ++s) {
    int non_pawns = 0;
    for (int k = board::kRook; k <= board::kPawn; ++k) {
      for (int i = 0; i < p.hand[s][k]; ++i) {
        t.material[s] += w.count_value[k][i];
        t.attack[s] += w.count_split[k][i][0];
        t.hand_b[s] += w.count_split[k][i][1];
      }
      if (k != board::kPawn) non_pawns += p.hand[s][k];
    }
    for (int i = 0; i < non_pawns; ++i) t.hand_b[s] -= w.count_curve_b[i];
    t.attack[s] += open.weighted[s];
    t.open_file[s] = open.sum[s];
  }
  for (int n = 0; n < board::kPieceCount; ++n) {
    const int sq = p.piece[n].sq, code = p.piece[n].code;
    if (!on_board(sq)) continue;
    const int s = board::code_side(code), cls = code & 0x1F;
    t.material[s] += board::senkei_cell(s, code, sq);
    if (cls == board::kKing) continue;
    t.material[s] += w.piece_value[cls];
    int pa, ph;
    placement_pair(cls, s, sq, pa, ph);
    t.attack[s] += pa;
    t.hand_b[s] += ph;
    t.defence[s] += king_rel(w, s, p.piece[s].sq, own_king_class(cls), sq);
    t.attack[s] += king_rel(w, s, p.piece[1 - s].sq, enemy_king_class(cls), sq);
  }
  return t;
}

// A record holding the terms, with flags and extras set as a full evaluation
// would leave them.
inline KEvalRecord record_of(const Terms& t) {
  KEvalRecord r{};
  r.flags = 0x30;
  for (int s = 0; s < 2; ++s) {
    r.att[s] = {static_cast<int16_t>(t.attack[s]), 11, t.open_file[s]};
    r.def[s] = {static_cast<int16_t>(t.defence[s]), 22};
    r.hand_b[s] = static_cast<int16_t>(t.hand_b[s]);
    r.mat[s] = {static_cast<int16_t>(t.material[s]), 33};
  }
  return r;
}

// Each field of the record against the terms; the flags and extras cleared.
inline ::testing::AssertionResult record_matches(const KEvalRecord& r, const Terms& t) {
  ::testing::AssertionResult bad = ::testing::AssertionFailure();
  bool ok = r.flags == 0;
  if (!ok) bad << " flags " << r.flags;
  for (int s = 0; s < 2; ++s) {
    auto check = [&](const char* name, int got, int want) {
      if (got == want) return;
      ok = false;
      bad << " " << name << "[" << s << "] " << got << " != " << want;
    };
    check("attack", r.att[s].attack, t.attack[s]);
    check("attack_extra", r.att[s].attack_extra, 0);
    check("open_file", r.att[s].open_file, t.open_file[s]);
    check("defence", r.def[s].defence, t.defence[s]);
    check("defence_extra", r.def[s].defence_extra, 0);
    check("hand_b", r.hand_b[s], t.hand_b[s]);
    check("material", r.mat[s].material, t.material[s]);
    check("material_extra", r.mat[s].material_extra, 0);
  }
  return ok ? ::testing::AssertionSuccess() : bad;
}

}  // namespace eval::testing
