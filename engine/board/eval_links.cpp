#include "engine/board/eval_links.h"

namespace board {

EvalLinks eval_links;

}  // namespace board
