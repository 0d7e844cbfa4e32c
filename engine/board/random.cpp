#include "engine/board/random.h"

namespace board {

namespace {

constexpr uint32_t kMultiplier = 1664525;
constexpr uint32_t kIncrement = 0x10001;

uint32_t rand_state = 0;

}  // namespace

void rand_seed(uint32_t seed) { rand_state = seed; }

uint32_t rand_next() {
  rand_state = rand_state * kMultiplier + kIncrement;
  return rand_state;
}

uint32_t rand_get() { return rand_state; }

}  // namespace board
