// The two words the search sets for a think and the board's generators read:
// the game stage and the threat word.
#pragma once

#include <cstdint>

namespace board {

// The coarse game stage 0, 1 or 2; the generators choose estimates, thresholds
// and rule groups by it.
extern int32_t game_stage;

// Written by the search: set to 0 at the start of a think and written before
// the stage generators run; read as four bytes: square A, square B, piece kind
// K, file F. While its low 16 bits are not 0 the filtering generators keep only
// accepted candidates.
extern uint32_t threat_word;

}  // namespace board
