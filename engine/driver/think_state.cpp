#include "engine/driver/think_state.h"

#include <mutex>

namespace driver {

namespace {

// The think word and the engine lock that guards it: written by the shell's
// requests (user-interface thread) and the think jobs (computer thread), each
// under the lock.
struct EngineWord {
  platform::CriticalSection lock;
  uint32_t think_word = 0;  // guarded by lock
};
EngineWord engine;

}  // namespace

platform::CriticalSection& engine_lock() { return engine.lock; }

uint32_t& think_word() { return engine.think_word; }

uint32_t think_state_get() {
  std::lock_guard<platform::CriticalSection> lock(engine.lock);
  return think_state_of(engine.think_word);
}

void think_state_set(uint32_t state) {
  std::lock_guard<platform::CriticalSection> lock(engine.lock);
  engine.think_word = with_think_state(engine.think_word, state);
}

}  // namespace driver
