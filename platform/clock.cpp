#include "platform/clock.h"

#include <errno.h>
#include <time.h>

namespace platform {

// CLOCK_MONOTONIC never jumps with the wall clock. (<chrono> is not used here:
// its C++20 text output holds a character that the Shift-JIS execution
// character set of this build cannot represent.)
uint32_t tick_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void sleep_ms(uint32_t ms) {
  timespec ts{};
  ts.tv_sec = ms / 1000;
  ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  // A signal cuts the sleep short; sleep what is left.
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace platform
