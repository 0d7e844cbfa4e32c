// The evaluation record's terms that depend on more than one piece: the
// promoted-pawn penalty, half of each king's square value and the open-file
// term. The record built from scratch (search::position_features) and the
// move-by-move update (eval_sashite_diff) both take them from here, so that
// the update keeps the record equal to a fresh build.
//
// - tokin_penalty(n): what a side's n promoted pawns cost its piece word, the
//   sum of the first n entries of 0, 100, 300, 500, then 600 for each further;
// - king_half_bonus: half the king's square value (rank_bonus), truncated
//   toward zero; it is added to the owner's defence and taken from the other
//   side's attack;
// - open_file_sum: over the files without an unpromoted pawn of the side,
//   distance_weight by the file distance to the enemy king (0 without it);
//   open_file_term weighs it, capped at 320, by count_curve of the side's pawns
//   in hand: (min(sum, 320) x count_curve[pawns]) >> 8, added to attack.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "engine/board/position.h"
#include "engine/eval/eval_weights.h"

namespace eval {

// The cost of a side's i-th promoted pawn (i from 0).
inline int tokin_penalty_entry(int i) {
  constexpr int kTable[5] = {0, 100, 300, 500, 600};  // the last holds for every further one
  return kTable[std::min(i, 4)];
}

inline int tokin_penalty(int n) {
  int sum = 0;
  for (int i = 0; i < n; ++i) sum += tokin_penalty_entry(i);
  return sum;
}

// Half the square value of side s's king on `king`; 0 when it is off the board.
inline int king_half_bonus(const KEvalWeights& w, int s, int king) {
  return board::is_playing_square(king) ? w.rank_bonus[s][king - board::kFirstSquare] / 2 : 0;
}

inline int32_t open_file_sum(const KEvalWeights& w, const board::KPosition& p, int s) {
  const int enemy_king = p.piece[1 - s].sq;
  if (!board::is_playing_square(enemy_king)) return 0;
  const int king_file = board::square_file(enemy_king);
  int32_t sum = 0;
  for (int f = 1; f <= 9; ++f) {
    if (p.pawn_file[s][f] == 0) sum += w.distance_weight[std::abs(f - king_file)];
  }
  return sum;
}

inline int open_file_term(const KEvalWeights& w, int32_t sum, int pawns_in_hand) {
  constexpr int32_t kOpenFileCap = 320;
  return (std::min(sum, kOpenFileCap) * w.count_curve[pawns_in_hand]) >> 8;
}

}  // namespace eval
