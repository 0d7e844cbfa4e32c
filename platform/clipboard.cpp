#include "platform/clipboard.h"

#include <cstdio>

namespace platform {

bool StdioClipboard::GetText(std::string& out) {
  out.clear();
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) out.append(buf, n);
  return !std::ferror(stdin);
}

bool StdioClipboard::SetText(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) return false;
  return std::fflush(stdout) == 0;
}

}  // namespace platform
