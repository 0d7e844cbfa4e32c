// ByteText: a read-only view of a line's bytes for the record-format parsers,
// where every look past the end of the line reads as a NUL byte.
#pragma once

#include <cstring>

#include "model/text/kstring.h"

namespace model {

struct ByteText {
  const char* p;
  int len;

  explicit ByteText(const KString& s) : p(s.c_str()), len(s.length()) {}

  // Bytes from `at` to the end of the line.
  int Left(int at) const { return at < len ? len - at : 0; }
  unsigned char At(int at) const {
    return at >= 0 && at < len ? static_cast<unsigned char>(p[at]) : 0;
  }
  bool IsDigit(int at) const { return At(at) >= '0' && At(at) <= '9'; }
  // True when `word` stands whole at `at`.
  bool Has(int at, const char* word) const {
    const int n = static_cast<int>(std::strlen(word));
    return Left(at) >= n && std::memcmp(p + at, word, static_cast<size_t>(n)) == 0;
  }
};

}  // namespace model
