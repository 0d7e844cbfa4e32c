// The fine-grained counter of the developer's move-generation statistics: the
// processor's time-stamp counter read after a serialising instruction on
// x86-64 (so that earlier instructions have finished), the monotonic clock in
// nanoseconds elsewhere.
#pragma once

#include <cstdint>

namespace platform {

uint64_t cycle_count();

}  // namespace platform
