// The think's board settings: the two words the search sets for a think and
// the board's generators read. The generators take no context, so the search
// writes them here at the start of each think (and the threat word before the
// stage generators run).
#pragma once

#include <cstdint>

namespace board {

struct GeneratorWords {
  // The coarse game stage 0, 1 or 2; the generators choose estimates,
  // thresholds and rule groups by it.
  int32_t game_stage = 0;
  // Set to 0 at the start of a think and written before the stage generators
  // run; read as four bytes: square A, square B, piece kind K, file F. While
  // its low 16 bits are not 0 the filtering generators keep only accepted
  // candidates.
  uint32_t threat_word = 0;
};

// The think's settings are think_board.generator_words (think_board.h).

}  // namespace board
