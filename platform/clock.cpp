#include "platform/clock.h"

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

}  // namespace platform
