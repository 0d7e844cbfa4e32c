#include "engine/eval/root_weights.h"

#include <algorithm>

#include "engine/board/home_distance.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/own_view.h"
#include "engine/eval/root_table_data.h"
#include "engine/eval/senkei_set.h"

namespace eval {

namespace {

using board::kGold;
using board::kKikiSquares;
using board::kPawn;
using board::kRook;

constexpr int32_t kFillValue = -30;

int32_t& root_cell(KEvalWeights& w, int side, int file, int rank) {
  return w.root.root_square[side][own_square(side, file, rank) - board::kFirstSquare];
}

// Both sides' placement tables from the stored table: gote reads it as is,
// sente turned by 180 degrees; the cells between the ranks hold 0.
void root_table_load(KEvalWeights& w, const int32_t codes[2]) {
  for (int side = 0; side < 2; ++side) {
    std::fill_n(w.root.root_square[side], kKikiSquares, 0);
    const auto& stored = kRootPlacement[root_uses_second_variant(codes[side]) ? 1 : 0];
    for (int r = 1; r <= 9; ++r) {
      for (int f = 1; f <= 9; ++f) {
        const int sq = board::square_of(f, r);
        w.root.root_square[side][sq - board::kFirstSquare] =
            side == 1 ? stored[r - 1][f - 1] : stored[9 - r][9 - f];
      }
    }
  }
}

bool rook_on_right_home_rank(const board::KPosition& p, int side) {
  for (int f = 1; f <= 4; ++f) {
    if (own_on(p, side, kRook, f, 8)) return true;
  }
  return false;
}

}  // namespace

void root_curve_blend(KEvalRootBlock& root, int32_t d) {
  d = std::clamp(d, 0, kRootCurveSpan);
  const int32_t home = kRootCurveSpan - d;
  for (int i = 0; i < 9; ++i) root.curve[i] = (kRootCurveHome[i] * home + kRootCurveDeveloped[i] * d) / kRootCurveSpan;
  root.curve_length = (kRootCurveHomeLength * home + kRootCurveDevelopedLength * d) / kRootCurveSpan;
}

void root_table_scale(KEvalWeights& w, int side, int num, int den) {
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f) {
      int32_t& v = root_cell(w, side, f, r);
      v = v * num / den;
    }
  }
}

void root_table_fill(KEvalWeights& w, int side, int limit_rank) {
  for (int r = 1; r <= std::min(limit_rank, 9); ++r) {
    for (int f = 1; f <= 9; ++f) root_cell(w, side, f, r) = kFillValue;
  }
}

bool piece_square_test(const board::KPosition& p, int v) {
  const int kf = own_king_file(p, v);
  return (kf == 6 || kf == 7) && own_on(p, v, kPawn, 3, 6);
}

void eval_root_table_adjust(KEvalWeights& w, const board::KPosition& p, const int32_t codes[2]) {
  for (int side = 0; side < 2; ++side) {
    const int code = codes[side];
    // Golds that have left the back ranks make the silver squares matter less.
    for (int n = board::kKindRange[kGold].first; n < board::kKindRange[kGold].first + 4; ++n) {
      const board::KPieceEntry& e = p.piece[n];
      if (!board::is_playing_square(e.sq) || e.code != (kGold | board::side_bit(side))) continue;
      const int rank = own_rank(side, e.sq);
      if (rank == 6) {
        root_table_scale(w, side, 1, 2);
      } else if (rank <= 5) {
        root_table_scale(w, side, 12, 100);
      }
    }
    if (senkei_has(kRootRangingCodes, code)) {
      if (!rook_on_right_home_rank(p, side)) {
        if (own_king_on(p, side, 5, 9) || (own_on(p, side, kGold, 6, 9) && own_on(p, side, kGold, 4, 9)) ||
            piece_square_test(p, 1 - side)) {
          root_table_scale(w, side, 1, 4);
        }
      } else {
        root_table_fill(w, side, 9);
      }
      root_table_scale(w, side, 4, 5);
    }
    if (code == kRootDampedCastleCode) root_table_scale(w, side, 33, 100);
    for (const RootCastleBonus& b : kRootCastleBonus) {
      if (b.code == code) root_cell(w, side, b.file, b.rank) += b.amount;
    }
  }
}

void eval_weights_root_adjust(KEvalWeights& w, const board::KPosition& p, const int32_t codes[2],
                              int32_t /*style_word*/) {
  root_curve_blend(w.root, std::max(board::shape_pattern_test(p, 0, 1), board::shape_pattern_test(p, 1, 1)));
  root_table_load(w, codes);
  eval_root_table_adjust(w, p, codes);
  for (int i = 0; i < 9; ++i) {
    w.root.row[0][i] = kRootRow[i];
    w.root.row[1][i] = kRootRow[8 - i];
  }
}

int32_t eval_root_row(int side, int rank) {
  if (eval_setup.eval_weights == nullptr || rank < 1 || rank > 9) return 0;
  return eval_setup.eval_weights->root.row[side][rank - 1];
}

}  // namespace eval
