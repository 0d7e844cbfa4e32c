// The count of changes to what the full evaluation reads besides the position:
// the weights and strategy cells set up for a think (eval_root_prepare,
// eval_root_modes), the stage block (eval_setup_stage), and every root-move
// adjustment of the cells and its restore (senkei_root_adjust.h). Whatever
// keeps values the evaluation worked out holds them only while the count stays
// as it was when they were worked out.
//
// Process-wide, computer thread only, like the weights and cells it counts.
#pragma once

#include <cstdint>

namespace eval {

extern uint32_t eval_settings_count;

}  // namespace eval
