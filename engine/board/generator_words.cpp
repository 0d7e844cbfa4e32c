#include "engine/board/generator_words.h"

namespace board {

int32_t game_stage = 0;
uint32_t threat_word = 0;

}  // namespace board
