// Text that a record writer puts inside one line of a file (a header value, a
// name, a comment line) so that the format's reader reads the line back as
// written: no line break and no half of a two-byte character.
#pragma once

#include "model/text/kstring.h"

namespace model {

// True when `b` can be the second byte of a two-byte Shift-JIS character.
inline bool is_trail_byte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// Appends n bytes of `text` to `out`, walked by characters: a line feed, a
// carriage return or a NUL byte becomes a blank, and so does a byte that starts
// a two-byte character without a second byte that can follow it (at the end
// of the text, or before a line break), so that no character is split across
// a line end or joined with the byte of the format that follows the text.
void append_line_text(KString& out, const char* text, int n);

}  // namespace model
