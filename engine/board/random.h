// The engine's random-number generator: one process-wide 32-bit state stepped by
// x = x * 1664525 + 0x10001 (mod 2^32). Callers reduce the values themselves.
#pragma once

#include <cstdint>

namespace board {

// Sets the state.
void rand_seed(uint32_t seed);
// Steps the state and returns the new value.
uint32_t rand_next();
// The current state, unchanged.
uint32_t rand_get();

}  // namespace board
