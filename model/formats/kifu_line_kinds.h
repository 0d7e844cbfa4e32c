// Kinds of lines the KIF-family readers (KIF, its change-branch layout)
// tell apart before they read them: a line that holds the parts of a move
// (kifu_holds_move_parts), so that a reader can tell a damaged move from an
// end word.
#pragma once

#include "model/text/byte_text.h"

namespace model {

// True when the text from `at` on holds a part of a move, however damaged the
// move is: a destination (a digit followed by a kanji rank, ２六), a source
// square in brackets ((27)), or 打, 成 or 同. A word without any (投了, 不詰,
// 王手放置) may be an end word; a line with one is a move that cannot be read.
bool kifu_holds_move_parts(const ByteText& t, int at);

}  // namespace model
