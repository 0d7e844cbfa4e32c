// The evaluation's set-up: everything the full evaluation reads besides the
// position, in one record. Built on the computer thread and read by the
// evaluation, the strategy builders and the search's position features:
// - eval_root_prepare (at a think's start) rebuilds the weight object for the
//   playing style and its phase thresholds, and points eval_weights at it;
// - eval_root_modes (at a think's start, after a strategy change) stores the
//   two sides' strategy codes and the yagura flag, fills the weight object's
//   root block, refills the strategy table and fits it to the position;
// - eval_setup_stage (at a think's start and when the game stage changes)
//   builds the stage block and the stage curves;
// - the root search's senkei_table_update / senkei_table_restore adjust the
//   strategy table to each root move, keeping the side's cells in the save
//   area (senkei_root_adjust.h).
// Each change raises eval_settings_count, so that whatever keeps values the
// evaluation worked out can tell they are stale. The board reads the weight
// object's king tables, the stage block and the strategy table through its
// own pointers (board::eval_links.king_rel_table, board::eval_links.eval_stage_tables,
// board::eval_links.senkei_current), which the set-up points here.
#pragma once

#include <algorithm>
#include <cstdint>

#include "engine/board/exchange_values.h"
#include "engine/board/strategy_cells.h"
#include "engine/eval/eval_weights.h"

namespace eval {

// The stage curves, their length word and the score words computed beside them.
// Every word holds kNotComputed until it is written.
struct KStageCurves {
  int32_t curve[3][9];
  int32_t length;
  int32_t score[26];
};
static_assert(sizeof(KStageCurves) == 54 * 4);

constexpr int32_t kNotComputed = -99999;

constexpr KStageCurves not_computed_curves() {
  KStageCurves c{};
  std::fill_n(&c.curve[0][0], sizeof c / sizeof(int32_t), kNotComputed);
  return c;
}

struct EvalSetup {
  // The weight object for the playing style, and the pointer the evaluation
  // reads it through (null until the first eval_root_prepare).
  KEvalWeights eval_weight_block{};
  const KEvalWeights* eval_weights = nullptr;
  // The style's four phase thresholds, stored by eval_tables_init.
  int32_t style_phase_thresholds[4] = {};
  // The stage block and the stage curves of the current game stage.
  board::KExchangeWeights eval_stage_block{};
  KStageCurves stage_curves = not_computed_curves();
  // The strategy square table (board::eval_links.senkei_current points here).
  board::KSenkeiTable senkei_table{};
  // The strategy code (0..31) of sente [0] and gote [1], and 1 when either
  // side plays 居矢倉 (code 1), else 0.
  int32_t root_senkei[2] = {0, 0};
  int32_t root_yagura = 0;
  // One side's cells of the strategy table saved before a root move's
  // adjustment: [layer][file - 1][rank - 1]; the number of the pattern that
  // saved them (0: nothing to restore) and the side whose cells they are.
  int32_t senkei_save_area[9][9][9] = {};
  int32_t senkei_saved_pattern = 0;
  int32_t saved_side = 0;
  // The count of changes to all of the above.
  uint32_t eval_settings_count = 0;
};

// The engine's one set-up (computer thread only).
extern EvalSetup eval_setup;

}  // namespace eval
