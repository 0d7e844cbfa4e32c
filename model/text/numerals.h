// Japanese numerals and full-width digits as game records write them: kanji
// numbers (十一, 千二百三十四), full-width digits (１０) and the readers of both.
#pragma once

#include "model/text/kstring.h"

namespace model {

// Writes n in kanji numerals into `out` (emptied first): 0 is 〇, a negative
// number gets a leading －, 10 is 十, 105 百五, 1234 千二百三十四.
void int_to_kanji(KString& out, int n);

// Writes n in full-width digits into `out` (emptied first): 10 is １０, -7 －７.
void int_to_zenkaku(KString& out, int n);

// Reads one full-width digit at `text`: 2 bytes consumed and its value, or 0
// with value 0 when the text does not start with ０..９.
int zenkaku_digit_to_int(const char* text, int* value);

// Reads a kanji numeral at `text` in the form int_to_kanji writes for 0..9999
// (〇, 八, 十八, 二十, 百五, 千二百三十四): the bytes consumed and the value, or 0
// with value 0 when the text starts with no numeral. Reading stops at the first
// character that cannot continue the number, so 七六 reads as 7 in 2 bytes.
int kanji_to_int(const char* text, int* value);

}  // namespace model
