#include "engine/eval/eval_weights.h"

namespace eval {

const KEvalWeights* eval_weights = nullptr;

}  // namespace eval
