#include "model/text/numerals.h"

#include <cstdint>
#include <cstring>

namespace model {

namespace {

constexpr const char* kKanjiDigits[10] = {"〇", "一", "二", "三", "四",
                                          "五", "六", "七", "八", "九"};
constexpr const char* kZenkakuDigits[10] = {"０", "１", "２", "３", "４",
                                            "５", "６", "７", "８", "９"};
constexpr const char* kMinus = "－";

struct Unit {
  const char* text;
  int value;
};
// Units in the order a numeral writes them.
constexpr Unit kUnits[] = {{"千", 1000}, {"百", 100}, {"十", 10}};
constexpr const char* kMan = "万";

bool starts_with(const char* text, const char* word) {
  return std::strncmp(text, word, std::strlen(word)) == 0;
}

// Index of the two-byte character of `table` that `text` starts with, or -1.
int match_char(const char* text, const char* const* table, int count) {
  for (int i = 0; i < count; ++i) {
    if (starts_with(text, table[i])) return i;
  }
  return -1;
}

// 1..9999 in kanji: a unit alone for a digit of 1, digit then unit for 2..9.
void append_kanji_below_10000(KString& out, int n) {
  for (const Unit& u : kUnits) {
    const int d = (n / u.value) % 10;
    if (d >= 2) out.Append(kKanjiDigits[d]);
    if (d >= 1) out.Append(u.text);
  }
  if (n % 10) out.Append(kKanjiDigits[n % 10]);
}

// Positive n; counts of 10,000 and more are written with 万 (一万二千).
void append_kanji_positive(KString& out, int64_t n) {
  if (n >= 10000) {
    append_kanji_positive(out, n / 10000);
    out.Append(kMan);
    n %= 10000;
  }
  if (n > 0) append_kanji_below_10000(out, static_cast<int>(n));
}

}  // namespace

void int_to_kanji(KString& out, int n) {
  out.Free();
  if (n == 0) {
    out.Append(kKanjiDigits[0]);
    return;
  }
  int64_t v = n;
  if (v < 0) {
    out.Append(kMinus);
    v = -v;
  }
  append_kanji_positive(out, v);
}

void int_to_zenkaku(KString& out, int n) {
  out.Free();
  int64_t v = n;
  if (v < 0) {
    out.Append(kMinus);
    v = -v;
  }
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>(v % 10);
    v /= 10;
  } while (v > 0);
  while (count > 0) out.Append(kZenkakuDigits[static_cast<int>(digits[--count])]);
}

int zenkaku_digit_to_int(const char* text, int* value) {
  const int d = text ? match_char(text, kZenkakuDigits, 10) : -1;
  *value = d < 0 ? 0 : d;
  return d < 0 ? 0 : 2;
}

int kanji_to_int(const char* text, int* value) {
  *value = 0;
  if (!text) return 0;
  int pos = 0;
  int total = 0;
  bool matched = false;
  int next_unit = 0;  // units must come in falling order: 千, 百, 十
  for (;;) {
    const int d = match_char(text + pos, kKanjiDigits, 10);
    const int after = pos + (d >= 0 ? 2 : 0);
    int unit = -1;
    for (int u = next_unit; u < 3 && unit < 0; ++u) {
      if (starts_with(text + after, kUnits[u].text)) unit = u;
    }
    if (unit >= 0 && d != 0) {
      // A unit alone counts once (十 = 10); a digit before it multiplies.
      total += (d < 0 ? 1 : d) * kUnits[unit].value;
      pos = after + 2;
      next_unit = unit + 1;
      matched = true;
      continue;
    }
    if (d >= 0) {  // the units digit ends the numeral
      total += d;
      pos = after;
      matched = true;
    }
    break;
  }
  if (matched) *value = total;
  return pos;
}

}  // namespace model
