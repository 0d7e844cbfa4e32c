#include "platform/cycle_counter.h"

#if defined(__x86_64__)
#include <cpuid.h>
#include <x86intrin.h>
#else
#include <time.h>
#endif

namespace platform {

uint64_t cycle_count() {
#if defined(__x86_64__)
  unsigned a, b, c, d;
  __cpuid(0, a, b, c, d);  // serialises: the counter is read after all before it
  return __rdtsc();
#else
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
#endif
}

}  // namespace platform
