#include "engine/board/think_board.h"

namespace board {

ThinkBoard think_board{};

}  // namespace board
