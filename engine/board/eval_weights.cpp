#include "engine/board/eval_weights.h"

namespace board {

const KEvalWeights* eval_weights = nullptr;
const KEvalStageTables* eval_stage_tables = nullptr;

}  // namespace board
