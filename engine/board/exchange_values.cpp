#include "engine/board/exchange_values.h"

namespace board {

const KExchangeWeights* eval_stage_tables = nullptr;
const KKingRelTable* king_rel_table = nullptr;

}  // namespace board
