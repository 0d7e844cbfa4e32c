// The playing styles: a name for the user interface and four phase thresholds
// each. A style word holds the style index in its low four bits; the word
// divided by 16 (rounding toward zero) is a strength parameter that shifts the
// thresholds.
#pragma once

#include <cstdint>

namespace eval {

// 3: the styles 0..2 that the settings list.
int style_count();

// The style's name (Shift-JIS); an index of 3..15 reads as style 0.
const char* style_name(int32_t style_word);

// The style's four thresholds shifted by the strength parameter; an index of
// 3..15 reads as style 0.
void style_thresholds(int32_t style_word, int32_t (&out)[4]);

}  // namespace eval
