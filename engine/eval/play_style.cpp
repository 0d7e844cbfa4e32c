#include "engine/eval/play_style.h"

namespace eval {

namespace {

struct PlayStyle {
  const char* name;
  int32_t threshold[4];
};

constexpr PlayStyle kStyles[] = {
    {"標準", {840, 1368, 1923, 3488}},
    {"強引", {714, 1094, 1442, 2616}},
    {"慎重", {1092, 1778, 2499, 4534}},
};
constexpr int kStyleCount = sizeof kStyles / sizeof kStyles[0];

int style_index(int32_t style_word) {
  const int index = style_word & 15;
  return index < kStyleCount ? index : 0;
}

}  // namespace

int style_count() { return kStyleCount; }

const char* style_name(int32_t style_word) { return kStyles[style_index(style_word)].name; }

void style_thresholds(int32_t style_word, int32_t (&out)[4]) {
  const int index = style_index(style_word);
  const int64_t a = style_word / 16;
  // The standard style is centred on a = 128; the bold one moves up and the
  // careful one down as a grows.
  const int64_t d = index == 0 ? (100 * (a - 128)) / 256 : index == 1 ? (50 * a) / 256 : (-100 * a) / 256;
  for (int i = 0; i < 4; ++i) out[i] = static_cast<int32_t>(kStyles[index].threshold[i] + d);
}

}  // namespace eval
