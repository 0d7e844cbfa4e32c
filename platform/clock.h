// The millisecond tick that every time limit, think timing and benchmark reads.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, as a 32-bit count that wraps about every
// 49.7 days. Intervals are taken with tick_elapsed so that a wrap between the two
// readings still gives the right answer.
uint32_t tick_ms();

// Milliseconds from `since` to `now`, correct across one wrap of the counter.
inline uint32_t tick_elapsed(uint32_t since, uint32_t now) { return now - since; }

// Suspends the calling thread for about `ms` milliseconds.
void sleep_ms(uint32_t ms);

}  // namespace platform
