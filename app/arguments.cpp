#include "app/arguments.h"

#include <cstdlib>

namespace app {

bool parse_int(const char* s, int lo, int hi, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace app
