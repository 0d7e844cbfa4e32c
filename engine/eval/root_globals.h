// The root globals of the evaluation: the strategy code each side plays in the
// current think and the yagura flag. Written by the root preparation of a
// think (eval_root_modes) before it refills the strategy tables and runs the
// builders, which read the opponent's code; read by the evaluation and the
// builders until the next preparation.
#pragma once

#include <cstdint>

namespace eval {

// The strategy code (0..31) of sente [0] and gote [1].
extern int32_t root_senkei[2];

// 1 when either side plays 居矢倉 (code 1), else 0.
extern int32_t root_yagura;

}  // namespace eval
