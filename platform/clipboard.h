// The clipboard as the record commands see it: text in, text out. The program's
// text is Shift-JIS; what an implementation stores or shows is its own business.
#pragma once

#include <string>

namespace platform {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // The text on the clipboard; false when there is none or it cannot be read.
  virtual bool GetText(std::string& out) = 0;
  // Puts text on the clipboard; false when it cannot be written.
  virtual bool SetText(const std::string& text) = 0;
};

// A clipboard held in memory (tests, and programs without a desktop).
class MemoryClipboard : public Clipboard {
 public:
  bool GetText(std::string& out) override {
    if (!has_text_) return false;
    out = text_;
    return true;
  }
  bool SetText(const std::string& text) override {
    text_ = text;
    has_text_ = true;
    return true;
  }

 private:
  std::string text_;
  bool has_text_ = false;
};

// The command line's clipboard: text is read from standard input and written
// to standard output, unchanged.
class StdioClipboard : public Clipboard {
 public:
  bool GetText(std::string& out) override;
  bool SetText(const std::string& text) override;
};

}  // namespace platform
