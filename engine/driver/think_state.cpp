#include "engine/driver/think_state.h"

#include <mutex>

namespace driver {

namespace {

platform::CriticalSection engine_cs;
uint32_t think_word_value = 0;  // guarded by engine_cs

}  // namespace

platform::CriticalSection& engine_lock() { return engine_cs; }

uint32_t& think_word() { return think_word_value; }

uint32_t think_state_get() {
  std::lock_guard<platform::CriticalSection> lock(engine_cs);
  return think_state_of(think_word_value);
}

void think_state_set(uint32_t state) {
  std::lock_guard<platform::CriticalSection> lock(engine_cs);
  think_word_value = with_think_state(think_word_value, state);
}

void think_phase_set(uint32_t phase) {
  std::lock_guard<platform::CriticalSection> lock(engine_cs);
  think_word_value = (think_word_value & ~0xFF00u) | (phase & 0xFF) << 8;
}

}  // namespace driver
