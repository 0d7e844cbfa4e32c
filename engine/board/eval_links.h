// The board's links into the evaluation's set-up: the three tables the board's
// generators and exchange evaluator read but the evaluation (engine/eval/)
// owns and fills. One record for the process, null until the evaluation's
// set-up points it; tests and benches point it at their own tables.
#pragma once

#include "engine/board/exchange_values.h"

namespace board {

struct KSenkeiTable;  // strategy_cells.h

// Written by the evaluation's set-up before every think (root_modes.cpp,
// senkei_table.cpp), read by the board's generators, the exchange evaluator
// and the evaluation's difference and root-move adjustment, all on the
// think's thread.
struct EvalLinks {
  // The strategy square table in use; the strategy builders and the root-move
  // adjustment change its cells in place.
  KSenkeiTable* senkei_current = nullptr;
  // The stage block: the values that depend on the game stage.
  const KExchangeWeights* eval_stage_tables = nullptr;
  // The king-relative square table.
  const KKingRelTable* king_rel_table = nullptr;
};
extern EvalLinks eval_links;

}  // namespace board
