// The conversion between the program's Shift-JIS text and UTF-8, which the front
// end uses for the terminal and the command line, and the one detection of the
// two encodings for game records read from files and standard input.
#pragma once

#include <string>
#include <string_view>

namespace model {

// Shift-JIS (code page 932) to UTF-8; bytes that do not convert become "?".
std::string sjis_to_utf8(std::string_view sjis);
// UTF-8 to Shift-JIS; a character without a Shift-JIS form becomes one "?",
// and so does each byte that belongs to no UTF-8 character.
std::string utf8_to_sjis(std::string_view utf8);

// The well-formed UTF-8 sequences of more than one byte that a text taken for
// UTF-8 holds at least for each byte in it that belongs to none.
constexpr int kWidePerBadByte = 8;

// True when `bytes` is UTF-8 rather than Shift-JIS: it begins with the UTF-8
// byte-order mark, or it holds well-formed UTF-8 sequences of more than one
// byte and either at most one byte that belongs to none for every
// kWidePerBadByte of them, or fewer such bytes than its Shift-JIS reading has
// bytes that are no Shift-JIS character. Japanese text in Shift-JIS
// practically never passes: its lead bytes are followed by bytes UTF-8 cannot
// continue with, so nearly every character of it is such a byte, while it
// reads as Shift-JIS with few bad bytes or none. A few stray bytes (a damaged
// character, a byte of another encoding in a comment) do not make a UTF-8
// text Shift-JIS, however short it is.
bool is_utf8_text(std::string_view bytes);

// What a text taken for UTF-8 held that was no UTF-8: how many bytes (each
// becomes "?"), and the line (from 1) of the first; 0 and 0 when none. And
// the characters that Shift-JIS cannot hold (each becomes one "?"), with the
// line of the first.
struct Utf8Flaws {
  int bytes = 0;
  int first_line = 0;
  int unheld = 0;
  int first_unheld_line = 0;
};

// A game record's text as the readers take it: Shift-JIS and plain ASCII as
// they are, UTF-8 (without its byte-order mark) converted to Shift-JIS. With
// `utf8` the text is UTF-8 whatever is_utf8_text says (a file whose name says
// so). `flaws`, when given, tells of the bytes of a UTF-8 text that were no
// UTF-8 and of its characters that Shift-JIS cannot hold.
std::string record_text_to_sjis(std::string bytes, Utf8Flaws* flaws = nullptr, bool utf8 = false);

}  // namespace model
