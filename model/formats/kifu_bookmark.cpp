#include "model/formats/kifu_bookmark.h"

#include "model/text/line_text.h"

namespace model {

void kifu_read_bookmark(KString& bookmark, const KString& line, int at_line, KifuPassedOver& passed) {
  if (!bookmark.empty() || line.length() < 2) {
    passed.Note(at_line, line);
    return;
  }
  bookmark.AssignBytes(line.c_str() + 1, line.length() - 1);
}

void kifu_write_bookmark(const KString& bookmark, TextWriter& writer) {
  KString line;
  append_line_text(line, bookmark.c_str(), bookmark.length());
  line.TrimRight();  // the reader cuts trailing blanks too
  if (line.empty()) return;
  KString text;
  text.AppendChar(kBookmarkMark);
  text.AppendStr(line);
  text.Append("\n");
  writer.Puts(text.c_str());
}

}  // namespace model
