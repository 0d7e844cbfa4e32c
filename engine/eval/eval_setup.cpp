#include "engine/eval/eval_setup.h"

namespace eval {

EvalSetup eval_setup{};

}  // namespace eval
