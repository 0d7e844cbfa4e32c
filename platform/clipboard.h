// The clipboard as the record commands see it: text goes out to it. The
// program's text is Shift-JIS; what an implementation stores or shows is its
// own business.
#pragma once

#include <string>

namespace platform {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Puts text on the clipboard; false when it cannot be written.
  virtual bool SetText(const std::string& text) = 0;
};

// The command line's clipboard: text is written to standard output, unchanged.
class StdioClipboard : public Clipboard {
 public:
  bool SetText(const std::string& text) override;
};

}  // namespace platform
