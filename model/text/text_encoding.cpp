#include "model/text/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>

#include "model/text/text_stream_util.h"

namespace model {

namespace {

// The C library converts in two steps through its own code, and when a
// character has no form in the target, the first step converts again what it
// had done ahead of the failed one. Given the whole rest of a text, each such
// character would cost the time of a large stretch of text, and a record full
// of them minutes; so each call gets at most this many bytes.
constexpr size_t kChunkBytes = 256;

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

// The characters of a UTF-8 text that the target cannot hold: how many, and
// the place of the first.
struct Unheld {
  size_t count = 0;
  size_t first = 0;
};

// Converts `in`. A byte that is no character of `from` becomes one "?"; so
// does a whole character of a UTF-8 text (`from_utf8`) that the target cannot
// hold, counted in `unheld` when given.
std::string convert(std::string_view in, const char* to, const char* from, bool from_utf8,
                    Unheld* unheld = nullptr) {
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
    // A well-formed UTF-8 character that the target cannot hold is stepped
    // over whole, so that it too becomes one marker.
    const size_t at = in.size() - src_left;
    size_t step = 1;
    if (from_utf8 && why == EILSEQ && (step = utf8_sequence(in, at)) > 0) {
      if (unheld && unheld->count++ == 0) unheld->first = at;
    } else {
      step = 1;
    }
    *dst++ = '?';
    --dst_left;
    src += step;
    src_left -= step;
  }
  out.resize(out.size() - dst_left);
  iconv_close(cd);
  return out;
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

// The bytes of a text that Shift-JIS reads as no character: one that can
// begin none (0x80, 0xA0, 0xFD to 0xFF), and a first byte of a two-byte
// character that no second byte follows (each stepped over alone).
size_t bad_sjis_bytes(std::string_view bytes) {
  const auto at = [&bytes](size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const auto first_of_two = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
  const auto second_of_two = [](unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); };
  const auto half_width = [](unsigned char b) { return b >= 0xA1 && b <= 0xDF; };
  size_t bad = 0;
  for (size_t i = 0; i < bytes.size();) {
    const unsigned char c = at(i);
    if (c < 0x80 || half_width(c)) {
      ++i;
    } else if (first_of_two(c) && i + 1 < bytes.size() && second_of_two(at(i + 1))) {
      i += 2;
    } else {
      ++bad;
      ++i;
    }
  }
  return bad;
}

bool has_byte_order_mark(std::string_view bytes) {
  return bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark;
}

// A text with UTF-8 sequences and more stray bytes than kWidePerBadByte allows
// is still UTF-8 when the Shift-JIS reading is no cleaner: a short text (a few
// names) has too few sequences to outweigh one stray byte. Real Shift-JIS
// reads with no bad byte at all, or with fewer than its UTF-8 reading (nearly
// each of its characters is a stray byte there); a tie stays Shift-JIS.
bool census_says_utf8(std::string_view bytes, const Utf8Census& census) {
  if (has_byte_order_mark(bytes)) return true;
  if (census.wide == 0) return false;
  return census.bad * kWidePerBadByte <= census.wide || census.bad < bad_sjis_bytes(bytes);
}

int capped(size_t n) { return static_cast<int>(std::min<size_t>(n, INT_MAX)); }

// The line (from 1) that the byte at `offset` of `text` stands on, lines
// counted as the readers split them.
int line_of(std::string_view text, size_t offset) {
  int lines = 1;
  for (size_t start = 0; start < text.size(); ++lines) {
    start += static_cast<size_t>(line_length(text.data() + start, capped(text.size() - start)));
    if (start > offset) break;
  }
  return lines;
}


}  // namespace

bool is_utf8_text(std::string_view bytes) { return census_says_utf8(bytes, take_census(bytes)); }

std::string record_text_to_sjis(std::string bytes, Utf8Flaws* flaws, bool utf8) {
  if (flaws) *flaws = Utf8Flaws{};
  const Utf8Census census = take_census(bytes);
  if (!utf8 && !census_says_utf8(bytes, census)) return bytes;
  if (flaws && census.bad > 0) {
    flaws->bytes = capped(census.bad);
    flaws->first_line = line_of(bytes, census.first_bad);
  }
  std::string_view text(bytes);
  const size_t mark = has_byte_order_mark(text) ? kByteOrderMark.size() : 0;
  text.remove_prefix(mark);
  Unheld unheld;
  std::string sjis = convert(text, "CP932", "UTF-8", true, &unheld);
  if (flaws && unheld.count > 0) {
    flaws->unheld = capped(unheld.count);
    flaws->first_unheld_line = line_of(bytes, mark + unheld.first);
  }
  return sjis;
}

std::string sjis_to_utf8(std::string_view sjis) { return convert(sjis, "UTF-8", "CP932", false); }

std::string utf8_to_sjis(std::string_view utf8) { return convert(utf8, "CP932", "UTF-8", true); }

}  // namespace model
