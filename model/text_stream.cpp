// The operations shared by every TextWriter: number output and options.
#include "model/text_stream.h"

#include <cstdio>

namespace model {

namespace {

// Widths beyond this pad no further; game-record writers use a width of 4.
constexpr int kMaxNumberWidth = 1024;

const char* const kKanjiDigits[10] = {"〇", "一", "二", "三", "四",
                                      "五", "六", "七", "八", "九"};
const char* const kKanjiUnits[4] = {"", "十", "百", "千"};
const char* const kZenkakuDigits[10] = {"０", "１", "２", "３", "４",
                                        "５", "６", "７", "８", "９"};
const char kMinus[] = "－";

// 1..9999: a digit of 0 writes nothing, 1 writes its unit alone and 2..9 the
// digit and then the unit (十一, 百五, 千二百三十四).
void append_kanji_group(KString& out, int n) {
  const int digits[4] = {n % 10, n / 10 % 10, n / 100 % 10, n / 1000 % 10};
  for (int place = 3; place >= 1; --place) {
    if (digits[place] == 0) continue;
    if (digits[place] > 1) out.Append(kKanjiDigits[digits[place]]);
    out.Append(kKanjiUnits[place]);
  }
  if (digits[0] != 0) out.Append(kKanjiDigits[digits[0]]);
}

// The number in kanji numerals. Values of 10,000 and more are written in
// groups of four digits with 億 and 万 (一万二千 for 12000).
void append_kanji(KString& out, int value) {
  long long n = value;
  if (n == 0) {
    out.Append(kKanjiDigits[0]);
    return;
  }
  if (n < 0) {
    out.Append(kMinus);
    n = -n;
  }
  const long long kOku = 100000000LL;
  const long long kMan = 10000LL;
  const struct {
    long long group;
    const char* unit;
  } groups[2] = {{n / kOku, "億"}, {n / kMan % kMan, "万"}};
  for (const auto& g : groups) {
    if (g.group == 0) continue;
    if (g.group == 1) {
      out.Append(kKanjiDigits[1]);
    } else {
      append_kanji_group(out, static_cast<int>(g.group));
    }
    out.Append(g.unit);
  }
  if (n % kMan != 0) append_kanji_group(out, static_cast<int>(n % kMan));
}

// The number in full-width digits, with a full-width minus when negative.
void append_zenkaku(KString& out, int value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", value);
  for (const char* p = digits; *p; ++p) {
    out.Append(*p == '-' ? kMinus : kZenkakuDigits[*p - '0']);
  }
}

void append_decimal(KString& out, int value, int width) {
  char digits[16];
  const int len = std::snprintf(digits, sizeof digits, "%d", value);
  if (width > kMaxNumberWidth) width = kMaxNumberWidth;
  for (int i = len; i < width; ++i) out.AppendChar(' ');
  out.Append(digits);
}

}  // namespace

int TextWriter::PutInt(int value) {
  KString text;
  switch (number_mode_) {
    case kNumberKanji:
      append_kanji(text, value);
      break;
    case kNumberZenkaku:
      append_zenkaku(text, value);
      break;
    default:
      append_decimal(text, value, width_);
      break;
  }
  return Puts(text.c_str());
}

TextWriter& TextWriter::SetOption(int which, int value) {
  if (which == kOptionWidth) width_ = value;
  if (which == kOptionNumberMode) number_mode_ = value;
  return *this;
}

}  // namespace model
