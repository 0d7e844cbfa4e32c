// Bookmarks in the KIF family: the line "&" and a name that other programs
// write under a move (before the first move, for the start), read into and
// written from a move's bookmark (KifuSashite::bookmark). KIF and KI2 hold
// them; CSA and QVF do not (kifu_write_loss tells).
#pragma once

#include "model/formats/kif_format.h"
#include "model/text/kstring.h"
#include "model/text/text_stream.h"

namespace model {

// What opens a bookmark line.
inline constexpr char kBookmarkMark = '&';

// True when `line` (blanks cut) is a bookmark line.
inline bool kifu_is_bookmark_line(const KString& line) { return line.c_str()[0] == kBookmarkMark; }

// Takes the bookmark line `line` (blanks cut), line `at_line` of its text, as
// `bookmark`, the bookmark of a move. A move holds one bookmark, with a name:
// a line without a name, or one for a move that has its bookmark, is noted in
// `passed` instead, for the reader to tell.
void kifu_read_bookmark(KString& bookmark, const KString& line, int at_line, KifuPassedOver& passed);

// Writes a move's bookmark as its line, when it has one; the name is kept on
// its line (append_line_text).
void kifu_write_bookmark(const KString& bookmark, TextWriter& writer);

}  // namespace model
