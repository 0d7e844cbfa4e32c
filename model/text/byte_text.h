// ByteText: a read-only view of a line's bytes for the record-format parsers,
// where every look past the end of the line reads as a NUL byte.
#pragma once

#include <cstdint>
#include <cstring>

#include "model/text/kstring.h"

namespace model {

struct ByteText {
  const char* p;
  int len;

  explicit ByteText(const KString& s) : p(s.c_str()), len(s.length()) {}
  ByteText(const char* bytes, int n) : p(bytes), len(n) {}

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
  // Reads the run of ASCII digits at `at`, moving `at` behind it, as a number
  // of at most `cap` (>= 0): a longer number is read whole but counts as `cap`,
  // so no record text can make it overflow. 0 when no digit stands there.
  int Number(int& at, int cap) const {
    int value = 0;
    while (IsDigit(at)) {
      const int64_t next = int64_t{value} * 10 + (At(at++) - '0');
      value = next > cap ? cap : static_cast<int>(next);
    }
    return value;
  }
};

}  // namespace model
