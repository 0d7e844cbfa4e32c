#include "model/text/line_text.h"

namespace model {

void append_line_text(KString& out, const char* text, int n) {
  int start = 0;  // the first byte not yet appended; kept bytes go out in runs
  for (int i = 0; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (is_lead_byte(b) && i + 1 < n && is_trail_byte(static_cast<unsigned char>(text[i + 1]))) {
      ++i;
      continue;
    }
    if (!is_lead_byte(b) && b != '\n' && b != '\r' && b != '\0') continue;
    out.AppendBytes(text + start, i - start);
    out.AppendChar(' ');
    start = i + 1;
  }
  out.AppendBytes(text + start, n - start);
}

}  // namespace model
