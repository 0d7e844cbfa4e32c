#include "engine/eval/eval_tables.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/board/position.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_value_tables.h"
#include "engine/eval/king_table.h"
#include "engine/eval/play_style.h"
#include "engine/eval/stage_offset_data.h"

namespace eval {

namespace {

// A square table by square - 20 from the 9 x 9 table, the rank read as is or
// mirrored.
void fill_rank_bonus(int32_t (&out)[board::kKikiSquares], bool mirror) {
  std::fill(std::begin(out), std::end(out), 0);
  for (int r = 1; r <= 9; ++r) {
    for (int f = 1; f <= 9; ++f)
      out[board::square_of(f, r) - board::kFirstSquare] = kRankBonus[(mirror ? 10 - r : r) - 1][f - 1];
  }
}

// For each square offset -136..136: the rank difference and file distance of
// the first pair of board squares (from square 20 upward) that realises it;
// valid is false for an offset no pair realises.
struct OffsetPair {
  bool valid;
  int8_t dr;
  int8_t d;
};

constexpr std::array<OffsetPair, board::kOffsetEntries> kOffsetPairs = [] {
  std::array<OffsetPair, board::kOffsetEntries> t{};
  for (int o = -136; o <= 136; ++o) {
    for (int s = board::kFirstSquare; s <= board::kLastSquare; ++s) {
      if (!board::is_playing_square(s) || !board::is_playing_square(s + o)) continue;
      const int df = board::square_file(s + o) - board::square_file(s);
      t[o + 136] = {true, static_cast<int8_t>(board::square_rank(s + o) - board::square_rank(s)),
                    static_cast<int8_t>(df < 0 ? -df : df)};
      break;
    }
  }
  return t;
}();

// The offset table of one class from the rows of a stored table; offsets that
// no pair of squares realises are never read and hold 0.
void fill_offsets(uint16_t (&out)[board::kOffsetEntries], const KingTable& h, int k) {
  for (int i = 0; i < board::kOffsetEntries; ++i) {
    const OffsetPair& pair = kOffsetPairs[i];
    out[i] = pair.valid ? static_cast<uint16_t>(h[k][pair.dr + 8][pair.d] & 0xFFFF) : 0;
  }
}

using KingRel = int16_t[board::kKingSquares][board::kKingRelClasses][board::kKingSquares];

// The king-relative tables depend on no setting: they are computed once and
// copied into every weight object built afterwards.
const KingRel& king_tables() {
  static KEvalWeights built{};
  static const bool done = [] {
    king_table_build_a(built);
    king_table_build_b(built);
    return true;
  }();
  (void)done;
  return built.king_rel;
}

}  // namespace

void eval_tables_init(KEvalWeights& w, int32_t style_word) {
  for (int k = 0; k < board::kCountRows; ++k) {
    for (int n = 0; n < board::kCountEntries; ++n) {
      w.count_value[k][n] = kCountValue[k][n];
      const int32_t v = kCountSplitSource[k][n];
      const int32_t part = k == 0 ? 0 : v * kSplitShare[k] / 1000;
      w.count_split[k][n][0] = part;
      w.count_split[k][n][1] = k == 0 ? 0 : v - part;
    }
  }
  std::copy(kPieceValue.begin(), kPieceValue.end(), w.piece_value);
  std::memcpy(w.king_rel, king_tables(), sizeof w.king_rel);
  std::copy(std::begin(kDistanceWeight), std::end(kDistanceWeight), w.distance_weight);
  std::copy(kCountCurve.begin(), kCountCurve.end(), w.count_curve);
  fill_rank_bonus(w.rank_bonus[0], false);
  fill_rank_bonus(w.rank_bonus[1], true);
  std::copy(kCountCurveB.begin(), kCountCurveB.end(), w.count_curve_b);
  style_thresholds(style_word, eval_setup.style_phase_thresholds);
  w.ready = 1;
}

void stage_tables_init(int stage, board::KExchangeWeights& block) {
  stage = std::clamp(stage, 0, 2);
  const StageCountTable counts = stage_count_table(stage);
  for (int k = 0; k < board::kCountRows - 1; ++k) {
    int32_t sum = 0;
    for (int n = 0; n < board::kCountEntries; ++n) {
      block.count_value[k][n] = counts[k][n];
      block.count_prefix[k][n] = sum;
      sum += counts[k][n];
    }
  }
  const auto values = stage_piece_values(stage);
  std::copy(values.begin(), values.end(), block.piece_value);
  // The opening reads the endgame's offset rows.
  const int row = (stage == 0 ? 2 : stage) - 1;
  for (int k = 0; k < board::kOffsetClasses; ++k) {
    fill_offsets(block.offset_value_a[k], kStageOffsetHa[row], k);
    fill_offsets(block.offset_value_b[k], kStageOffsetHb[row], k);
  }
}

void stage_curves_copy(KStageCurves& block) {
  std::copy(&kStageCurves[0][0], &kStageCurves[0][0] + 27, &block.curve[0][0]);
  block.length = kStageCurveLength;
}

}  // namespace eval
