// Ctrl-C for the long commands: while a guard lives, an interrupt only sets a
// flag, which the command's wait for the computer thread's message turns into
// a stop request.
#pragma once

#include <signal.h>

#include <cstdint>
#include <functional>

#include "platform/mailbox.h"

namespace app {

class InterruptGuard {
 public:
  // Catches SIGINT (clearing an earlier interrupt) until destroyed.
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  static bool interrupted();

  // Raises SIGINT here, as a Ctrl-C that lands at this very moment would,
  // when the environment variable VELKORA_TEST_INTERRUPT names `point`. The
  // tests reach the moments of a late Ctrl-C through it, which a real key
  // press hits only by luck; without the variable it does nothing.
  static void TestPoint(const char* point);

 private:
  struct sigaction previous_ = {};
};

// Waits for message `id` to the view, dropping others. After an interrupt
// `stop` runs at every wake until the message comes, since a stop request may
// come before the job has anything to stop. `tick`, when given, runs at every
// wake (at least every 10 ms) while the wait goes on.
platform::WindowMessage wait_message(platform::Mailbox& view, uint32_t id, const std::function<void()>& stop,
                                     const std::function<void()>& tick = nullptr);

}  // namespace app
