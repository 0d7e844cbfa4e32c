// The operations shared by every TextWriter: number output and options.
#include "model/text/text_stream.h"

#include <cstdio>

#include "model/text/numerals.h"

namespace model {

namespace {

// Widths beyond this pad no further; game-record writers use a width of 4.
constexpr int kMaxNumberWidth = 1024;

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
      int_to_kanji(text, value);
      break;
    case kNumberZenkaku:
      int_to_zenkaku(text, value);
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
