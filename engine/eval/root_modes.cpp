#include "engine/eval/root_modes.h"

#include "engine/board/exchange_values.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/eval_weights.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/root_weights.h"
#include "engine/eval/senkei_table.h"

namespace eval {

namespace {

constexpr int kYaguraCode = 1;

}  // namespace

void eval_root_prepare(const board::KPosition& p, const int32_t codes[2], int32_t style_word) {
  ++eval_setup.eval_settings_count;
  eval_tables_init(eval_setup.eval_weight_block, style_word);
  eval_setup.eval_weights = &eval_setup.eval_weight_block;
  board::eval_links.king_rel_table = &eval_setup.eval_weight_block.king_rel;
  eval_root_modes(p, codes, style_word);
}

void eval_root_modes(const board::KPosition& p, const int32_t codes[2], int32_t style_word) {
  ++eval_setup.eval_settings_count;
  eval_setup.root_senkei[0] = codes[0];
  eval_setup.root_senkei[1] = codes[1];
  eval_setup.root_yagura = eval_codes_yagura(p, codes);
  eval_weights_root_adjust(eval_setup.eval_weight_block, p, codes, style_word);
  senkei_tables_init(0, codes);
  senkei_dispatch(p, codes);
}

int32_t eval_codes_yagura(const board::KPosition& /*p*/, const int32_t codes[2]) {
  return codes[0] == kYaguraCode || codes[1] == kYaguraCode ? 1 : 0;
}

void eval_setup_stage(const board::KPosition& /*p*/, int stage, const int32_t /*codes*/[2]) {
  ++eval_setup.eval_settings_count;
  senkei_table_current();
  stage_tables_init(stage, eval_setup.eval_stage_block);
  board::eval_links.eval_stage_tables = &eval_setup.eval_stage_block;
  stage_curves_copy(eval_setup.stage_curves);
}

}  // namespace eval
