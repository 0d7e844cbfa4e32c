#include "engine/board/strategy_cells.h"

namespace board {

KSenkeiTable* senkei_current = nullptr;

}  // namespace board
