// The conversion between the program's Shift-JIS text and UTF-8, which the front
// end uses for the terminal and the command line, and the one detection of the
// two encodings for game records read from files and standard input.
#pragma once

#include <string>
#include <string_view>

namespace model {

// Shift-JIS (code page 932) to UTF-8; bytes that do not convert become "?".
std::string sjis_to_utf8(std::string_view sjis);
// UTF-8 to Shift-JIS; characters without a Shift-JIS form become "?".
std::string utf8_to_sjis(std::string_view utf8);

// True when `bytes` is UTF-8 rather than Shift-JIS: it begins with the UTF-8
// byte-order mark, or it holds a byte above 0x7F and every such byte belongs to
// a well-formed UTF-8 sequence (Japanese text in Shift-JIS practically never
// does: its lead bytes are followed by bytes UTF-8 cannot continue with).
bool is_utf8_text(std::string_view bytes);
// A game record's text as the readers take it: Shift-JIS and plain ASCII as
// they are, UTF-8 (without its byte-order mark) converted to Shift-JIS.
std::string record_text_to_sjis(std::string bytes);

}  // namespace model
