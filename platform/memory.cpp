#include "platform/memory.h"

#include <cstdio>
#include <cstring>

namespace platform {

namespace {

// The value in kB of the line "<key>: <n> kB", or -1 when the key is absent.
long long meminfo_field(const char* text, const char* key) {
  const size_t key_len = std::strlen(key);
  for (const char* line = text; line && *line;) {
    if (std::strncmp(line, key, key_len) == 0 && line[key_len] == ':') {
      long long kb = 0;
      const char* p = line + key_len + 1;
      while (*p == ' ' || *p == '\t') ++p;
      if (*p < '0' || *p > '9') return -1;
      for (; *p >= '0' && *p <= '9'; ++p) {
        if (kb > (1LL << 50)) return -1;  // absurd: refuse rather than overflow
        kb = kb * 10 + (*p - '0');
      }
      return kb;
    }
    line = std::strchr(line, '\n');
    if (line) ++line;
  }
  return -1;
}

}  // namespace

bool parse_meminfo(const char* text, MemoryStatus& out) {
  out = MemoryStatus{};
  const long long total = meminfo_field(text, "MemTotal");
  if (total < 0) return false;
  long long avail = meminfo_field(text, "MemAvailable");
  if (avail < 0) avail = meminfo_field(text, "MemFree");
  out.total_physical = static_cast<uint64_t>(total) * 1024;
  out.available_physical = avail < 0 ? 0 : static_cast<uint64_t>(avail) * 1024;
  return true;
}

bool memory_status(MemoryStatus& out) {
  out = MemoryStatus{};
  std::FILE* f = std::fopen("/proc/meminfo", "r");
  if (!f) return false;
  char buf[8192];
  const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = '\0';
  return parse_meminfo(buf, out);
}

}  // namespace platform
