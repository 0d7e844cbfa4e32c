// The machine's physical memory, which sizes the engine's large tables.
#pragma once

#include <cstdint>

namespace platform {

struct MemoryStatus {
  uint64_t total_physical = 0;      // bytes of RAM
  uint64_t available_physical = 0;  // bytes the system could hand out now
};

// Reads /proc/meminfo. When the file cannot be read both fields are 0 and the
// result is false; callers then fall back to their smallest sizes.
bool memory_status(MemoryStatus& out);

// Parses the text of /proc/meminfo (exposed for tests). False when MemTotal is
// missing.
bool parse_meminfo(const char* text, MemoryStatus& out);

}  // namespace platform
