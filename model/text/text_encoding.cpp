#include "model/text/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>

namespace model {

namespace {

// The C library converts in two steps through its own code, and when a
// character has no form in the target, the first step converts again what it
// had done ahead of the failed one. Given the whole rest of a text, each such
// character would cost the time of a large stretch of text, and a record full
// of them minutes; so each call gets at most this many bytes.
constexpr size_t kChunkBytes = 256;

std::string convert(std::string_view in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 3 + 16);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  while (src_left > 0) {
    size_t chunk_left = std::min(src_left, kChunkBytes);
    const size_t rest = src_left - chunk_left;  // the text after the chunk
    const bool failed = iconv(cd, &src, &chunk_left, &dst, &dst_left) == static_cast<size_t>(-1);
    const int why = errno;
    src_left = rest + chunk_left;
    if (!failed) continue;
    const bool full = why == E2BIG;
    if (full || dst_left == 0) {
      const size_t used = out.size() - dst_left;
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dst_left = out.size() - used;
      if (full) continue;
    }
    // A character cut by the end of the chunk, not of the text, is converted
    // whole with the next chunk, which starts at it (the chunk was a full one,
    // and something of it was converted).
    if (why == EINVAL && rest > 0 && chunk_left < kChunkBytes) continue;
    // An invalid or cut-off sequence: write a marker and step over one byte.
    *dst++ = '?';
    --dst_left;
    ++src;
    --src_left;
  }
  out.resize(out.size() - dst_left);
  iconv_close(cd);
  return out;
}

// The length of the well-formed UTF-8 sequence at `s[i]` (a byte above 0x7F
// leading it), 0 when it is not one: overlong forms, surrogates and values past
// U+10FFFF are refused.
size_t utf8_sequence(std::string_view s, size_t i) {
  const auto at = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = at(i);
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;  // bounds of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size() || at(i + 1) < lo || at(i + 1) > hi) return 0;
  for (size_t k = 2; k < n; ++k) {
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  }
  return n;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The UTF-8 sequences of more than one byte in a text, and the bytes above
// 0x7F that belong to none (stepped over one at a time, as the converter steps
// over them), with the place of the first.
struct Utf8Census {
  size_t wide = 0;
  size_t bad = 0;
  size_t first_bad = 0;
};

Utf8Census take_census(std::string_view bytes) {
  Utf8Census census;
  for (size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t n = utf8_sequence(bytes, i);
    if (n == 0) {
      if (census.bad++ == 0) census.first_bad = i;
      ++i;
    } else {
      ++census.wide;
      i += n;
    }
  }
  return census;
}

bool has_byte_order_mark(std::string_view bytes) {
  return bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

bool census_says_utf8(std::string_view bytes, const Utf8Census& census) {
  if (has_byte_order_mark(bytes)) return true;
  return census.wide > 0 && census.bad * kWidePerBadByte <= census.wide;
}

}  // namespace

bool is_utf8_text(std::string_view bytes) { return census_says_utf8(bytes, take_census(bytes)); }

std::string record_text_to_sjis(std::string bytes, Utf8Flaws* flaws) {
  if (flaws) *flaws = Utf8Flaws{};
  const Utf8Census census = take_census(bytes);
  if (!census_says_utf8(bytes, census)) return bytes;
  if (flaws && census.bad > 0) {
    flaws->bytes = static_cast<int>(std::min<size_t>(census.bad, INT_MAX));
    const auto before = bytes.begin() + static_cast<std::ptrdiff_t>(census.first_bad);
    flaws->first_line = 1 + static_cast<int>(std::count(bytes.begin(), before, '\n'));
  }
  std::string_view text(bytes);
  if (has_byte_order_mark(text)) text.remove_prefix(kByteOrderMark.size());
  return utf8_to_sjis(text);
}

std::string sjis_to_utf8(std::string_view sjis) { return convert(sjis, "UTF-8", "CP932"); }

std::string utf8_to_sjis(std::string_view utf8) { return convert(utf8, "CP932", "UTF-8"); }

}  // namespace model
