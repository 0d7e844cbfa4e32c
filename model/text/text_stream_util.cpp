#include "model/text/text_stream_util.h"

#include <cstring>

namespace model {

int text_length(const char* s) {
  if (!s) return 0;
  const size_t n = std::strlen(s);
  return n > 0x7ffffffeu ? -1 : static_cast<int>(n);
}

FILE* open_read_file(const char* path) {
  if (!path) return nullptr;
  FILE* fp = std::fopen(path, "rb");
  if (!fp) return nullptr;
  // Some systems open a folder for reading and fail only at the first read;
  // that must fail here, not look like an empty file later.
  const int c = std::getc(fp);
  if (std::ferror(fp)) {
    std::fclose(fp);
    return nullptr;
  }
  if (c == EOF) {
    std::rewind(fp);
  } else {
    std::ungetc(c, fp);
  }
  return fp;
}

FILE* open_write_target(const char* path) {
  if (!path) return nullptr;
  if (std::strcmp(path, "-") == 0) return stdout;
  if (std::strcmp(path, "--") == 0) return stderr;
  return std::fopen(path, "wb");
}

int close_write_target(FILE* fp) {
  if (fp == stdout || fp == stderr) return std::fflush(fp) == 0 ? 0 : -1;
  return std::fclose(fp) == 0 ? 0 : -1;
}

bool append_growing(KString& s, const char* bytes, int n) {
  if (n <= 0) return true;
  constexpr long long kLimit = 0x7fffffffLL;
  const long long need = static_cast<long long>(s.length()) + n + 1;
  if (need > kLimit) return false;
  s.AppendBytes(bytes, n);  // grows geometrically
  return true;
}

int line_length(const char* p, int n) {
  const void* lf = std::memchr(p, '\n', static_cast<size_t>(n));
  const int to_lf = lf ? static_cast<int>(static_cast<const char*>(lf) - p) + 1 : n;
  const void* cr = std::memchr(p, '\r', static_cast<size_t>(to_lf));
  if (!cr) return to_lf;
  // CRs right before the LF end the line with it; any other CR ends it alone.
  int at = static_cast<int>(static_cast<const char*>(cr) - p);
  const int first_cr = at;
  while (at < n && p[at] == '\r') ++at;
  return at < n && p[at] == '\n' ? at + 1 : first_cr + 1;
}

}  // namespace model
