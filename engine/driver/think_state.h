// The think word that the shell and the think jobs share: think_state in the
// low byte, think_phase in the next, always read and written under the engine
// lock. The same lock guards the engine data that the view reads while a think
// may run.
#pragma once

#include <cstdint>

#include "platform/critical_section.h"

namespace driver {

// think_state values.
enum ThinkState : uint32_t {
  kThinkIdle = 0,
  kThinkThinking = 1,
  kThinkPondering = 2,
  kThinkPonderKept = 3,    // a ponder's result waits for the think request it predicted
  kThinkStopRequested = 4,
};

// think_phase values set by the book-or-search choice.
constexpr uint32_t kPhaseClock = 2;   // setting up the think's clock
constexpr uint32_t kPhaseSearch = 3;  // from the call of the think routine on

// The words the requests write: state and phase 1.
constexpr uint32_t kThinkRequestWord = 0x101;
constexpr uint32_t kPonderRequestWord = 0x102;

// The engine lock.
platform::CriticalSection& engine_lock();

// The think word; read and written only while engine_lock() is held.
uint32_t& think_word();

constexpr uint32_t think_state_of(uint32_t word) { return word & 0xFF; }
constexpr uint32_t think_phase_of(uint32_t word) { return (word >> 8) & 0xFF; }
constexpr uint32_t with_think_state(uint32_t word, uint32_t state) { return (word & ~0xFFu) | state; }

// Each of these takes the lock for itself.
uint32_t think_state_get();
void think_state_set(uint32_t state);

}  // namespace driver
