// Text for the terminal: the program's Shift-JIS text converted to UTF-8, and
// UTF-8 from the command line converted back.
#pragma once

#include <string>
#include <string_view>

namespace app {

// Shift-JIS (code page 932) to UTF-8; bytes that do not convert become "?".
std::string sjis_to_utf8(std::string_view sjis);
// UTF-8 to Shift-JIS; characters without a Shift-JIS form become "?".
std::string utf8_to_sjis(std::string_view utf8);

}  // namespace app
