// Kinds of lines the KIF-family readers (KIF, its change-branch layout, KI2)
// tell apart before they read them: a line that holds the parts of a move
// (kifu_holds_move_parts), the frame of a board diagram and other lines that
// belong to a record without being read (kifu_is_unread_record_line), so that
// a reader can tell a damaged move from an end word, and the lines of a
// record from text that is none.
#pragma once

#include "model/text/byte_text.h"

namespace model {

// True when the text from `at` on holds a part of a move, however damaged the
// move is: a destination (a digit followed by a kanji rank, ２六), a source
// square in brackets ((27)), or 打, 成 or 同. A word without any (投了, 不詰,
// 王手放置) may be an end word; a line with one is a move that cannot be read.
bool kifu_holds_move_parts(const ByteText& t, int at);

// True when a line (blanks cut at both ends) begins with a move word whose
// side mark is missing or was replaced by another character: a destination
// (７六歩) or 同 before a blank or a piece name (同　歩), at its start or
// behind its first character. In KI2, where every move word carries its mark,
// that is a move that cannot be read, not a line of some other kind.
bool kifu_begins_move_without_mark(const ByteText& t);

// True for a line (blanks cut at both ends) that belongs to a record of the
// KIF family but that the readers do not read: the frame of a board diagram
// (the file numbers above it and the "+----+" borders), the line of the last
// move below a diagram (手数＝...), a "&" annotation line and a "key：value"
// line such as the 終了日時 that some programs write behind the moves.
bool kifu_is_unread_record_line(const ByteText& t);

}  // namespace model
