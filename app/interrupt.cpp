#include "app/interrupt.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace app {

namespace {

// A wait wakes this often to look for an interrupt.
constexpr uint32_t kWakeMs = 10;
// Names the point where InterruptGuard::TestPoint raises SIGINT.
constexpr const char* kTestInterruptVariable = "VELKORA_TEST_INTERRUPT";

std::atomic<bool> interrupt_flag{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void on_interrupt(int) { interrupt_flag.store(true); }

}  // namespace

InterruptGuard::InterruptGuard() {
  interrupt_flag.store(false);
  struct sigaction action = {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() { sigaction(SIGINT, &previous_, nullptr); }

bool InterruptGuard::interrupted() { return interrupt_flag.load(); }

void InterruptGuard::TestPoint(const char* point) {
  const char* wanted = std::getenv(kTestInterruptVariable);
  if (wanted != nullptr && std::strcmp(wanted, point) == 0) raise(SIGINT);
}

platform::WindowMessage wait_message(platform::Mailbox& view, uint32_t id, const std::function<void()>& stop,
                                     const std::function<void()>& tick) {
  platform::WindowMessage message;
  for (;;) {
    const bool woke = view.Wait(message, kWakeMs);
    if (woke && message.id == id) return message;
    if (InterruptGuard::interrupted()) stop();
    if (tick) tick();
  }
}

}  // namespace app
