#include "platform/clipboard.h"

#include <cstdio>

namespace platform {

bool StdioClipboard::SetText(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) return false;
  return std::fflush(stdout) == 0;
}

}  // namespace platform
