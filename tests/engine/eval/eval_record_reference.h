// The evaluation record's kept terms computed from the position alone, for
// checking the move-by-move update and the record built from scratch.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "engine/board/eval_record.h"
#include "engine/board/strategy_cells.h"
#include "engine/eval/eval_weights.h"

namespace eval::testing {

using board::KEvalRecord;
using eval::KEvalWeights;
using board::KPosition;
using board::kPromotedBit;

// Classes by code class: around the own king, and around the enemy king as the
// update keeps them (no lance, no horse); -1 none.
inline int own_king_class(int cls) {
  switch (cls) {
    case board::kGold: case board::kSilver | kPromotedBit: case board::kKnight | kPromotedBit:
    case board::kLance | kPromotedBit: case board::kTokin: return 0;
    case board::kSilver: return 1;
    case board::kKnight: return 2;
    case board::kLance: return 3;
    case board::kPawn: return 4;
    case board::kHorse: return 5;
    default: return -1;
  }
}
inline int enemy_king_class(int cls) {
  switch (cls) {
    case board::kGold: case board::kSilver | kPromotedBit: return 6;
    case board::kTokin: return 7;
    case board::kSilver: return 8;
    case board::kKnight: return 9;
    case board::kPawn: return 10;
    case board::kKnight | kPromotedBit: case board::kLance | kPromotedBit: return 12;
    default: return -1;
  }
}

// king_rel as `side` reads it (gote: both ranks mirrored); 0 without the king.
inline int king_rel(const KEvalWeights& w, int side, int king, int cls, int sq) {
  if (!board::is_playing_square(king) || cls < 0) return 0;
  auto index = [side](int s) {
    return ((side == 0 ? board::square_rank(s) : 10 - board::square_rank(s)) - 1) * 9 + board::square_file(s) - 1;
  };
  return w.king_rel[index(king)][cls][index(sq)];
}

// The open files of `side` (no unpromoted pawn of it) weighted by their
// distance to the enemy king's file; 0 without that king.
inline int open_file_sum(const KEvalWeights& w, const KPosition& p, int side) {
  const int king = p.piece[1 - side].sq;
  if (!board::is_playing_square(king)) return 0;
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

// The open-file sum weighed by the pawns in hand: capped at 320, then
// count_curve[pawns] / 256.
inline int open_file_weighted(const KEvalWeights& w, int sum, int pawns) {
  return (std::min(sum, 320) * w.count_curve[pawns]) >> 8;
}

// The promoted-pawn penalty of n promoted pawns: 0, 100, 300, 500, then 600 each.
inline int tokin_penalty_of(int n) {
  constexpr int kEach[5] = {0, 100, 300, 500, 600};
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += kEach[std::min(i, 4)];
  return sum;
}

struct Terms {
  int attack[2] = {}, open_file[2] = {}, defence[2] = {}, hand_b[2] = {}, material[2] = {};
};

inline Terms terms_from_scratch(const KEvalWeights& w, const KPosition& p) {
  Terms t;
  for (int s = 0; s < 2; ++s) {
    int non_pawns = 0;
    for (int k = board::kRook; k <= board::kPawn; ++k) {
      for (int i = 0; i < p.hand[s][k]; ++i) {
        t.material[s] += w.count_value[k][i];
        t.attack[s] += w.count_split[k][i][0];
        t.hand_b[s] += w.count_split[k][i][1];
      }
      non_pawns += k == board::kPawn ? 0 : p.hand[s][k];
    }
    for (int i = 0; i < non_pawns; ++i) t.hand_b[s] -= w.count_curve_b[i];
    t.open_file[s] = eval::testing::open_file_sum(w, p, s);
    t.attack[s] += open_file_weighted(w, t.open_file[s], p.hand[s][board::kPawn]);
  }
  int tokins[2] = {0, 0};
  for (int n = 0; n < board::kPieceCount; ++n) {
    const int sq = p.piece[n].sq, code = p.piece[n].code, s = board::code_side(code), cls = code & 0x1F;
    if (!board::is_playing_square(sq)) continue;
    t.material[s] += board::senkei_cell(s, code, sq) + (cls == board::kKing ? 0 : w.piece_value[cls]);
    // Placement pairs (attack, hand_b); "inside" is the enemy camp.
    const bool inside = s == 0 ? board::square_rank(sq) <= 3 : board::square_rank(sq) >= 7;
    if (cls == board::kRook) t.attack[s] += inside ? 550 : 150, t.hand_b[s] += inside ? 200 : 400;
    if (cls == board::kDragon) t.attack[s] += 650, t.hand_b[s] += 235;
    if (cls == board::kBishop) t.attack[s] += inside ? 200 : 100, t.hand_b[s] += 400;
    if (cls == board::kHorse) t.attack[s] += 300;
    t.defence[s] += king_rel(w, s, p.piece[s].sq, own_king_class(cls), sq);
    t.attack[s] += king_rel(w, s, p.piece[1 - s].sq, enemy_king_class(cls), sq);
    tokins[s] += cls == board::kTokin;
    // Half the king's square value: the owner's defence, against the other's attack.
    if (cls == board::kKing) {
      const int half = w.rank_bonus[s][sq - board::kFirstSquare] / 2;
      t.defence[s] += half;
      t.attack[1 - s] -= half;
    }
  }
  for (int s = 0; s < 2; ++s) t.material[s] -= tokin_penalty_of(tokins[s]);
  return t;
}

// A record of the terms, its flags and extras set as a full evaluation leaves them.
inline KEvalRecord record_of(const Terms& t) {
  KEvalRecord r{0x30, {}, {}, {}, {}};
  for (int s = 0; s < 2; ++s) {
    r.att[s] = {static_cast<int16_t>(t.attack[s]), 11, t.open_file[s]};
    r.def[s] = {static_cast<int16_t>(t.defence[s]), 22};
    r.hand_b[s] = static_cast<int16_t>(t.hand_b[s]);
    r.mat[s] = {static_cast<int16_t>(t.material[s]), 33};
  }
  return r;
}

// The record equals the terms, with the flags and extras cleared.
inline ::testing::AssertionResult record_matches(const KEvalRecord& r, const Terms& t) {
  for (int s = 0; s < 2; ++s) {
    if (r.att[s].attack != t.attack[s] || r.att[s].open_file != t.open_file[s] || r.def[s].defence != t.defence[s] ||
        r.hand_b[s] != t.hand_b[s] || r.mat[s].material != t.material[s] || r.att[s].attack_extra ||
        r.def[s].defence_extra || r.mat[s].material_extra || r.flags) {
      return ::testing::AssertionFailure()
             << "side " << s << ": attack " << r.att[s].attack << "/" << t.attack[s] << " open_file "
             << r.att[s].open_file << "/" << t.open_file[s] << " defence " << r.def[s].defence << "/" << t.defence[s]
             << " hand_b " << r.hand_b[s] << "/" << t.hand_b[s] << " material " << r.mat[s].material << "/"
             << t.material[s] << " flags " << r.flags;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace eval::testing
