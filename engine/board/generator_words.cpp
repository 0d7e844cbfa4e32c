#include "engine/board/generator_words.h"

namespace board {

GeneratorWords generator_words{};

}  // namespace board
