// The change-branch layout of KIF (".qvx", and some ".kif" files): a header of
// key "：" value lines and side-to-move lines ended by an empty line, a board
// block of nine rows and two hand lines, an empty line, and then one move per
// line with its side mark (▲７六歩, △同　歩 ( 0:12)), "変化：N手" lines that
// go back to move N and start another continuation there, result words and
// "*" comment lines. Read only: the program writes no such files.
#pragma once

#include "model/formats/kif_format.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"

namespace model {

// Reads a change-branch text into `kifu`: without `merge` it replaces the
// record's moves, position table and header fields; with `merge` its lines are
// added at the record's node holding the text's start position. 0 on success;
// -1 for a bad header line or handicap name, a bad board block, a board that
// is no known set-up (unless the handicap says その他) or not a valid position,
// a missing empty line after the board block, moves that hold a line of no
// known form and not a move that can be played (`stop`'s passed_over names
// the first such line), or, with `merge`, a record without the start
// position. On -1 the record is unchanged. Otherwise nothing in the moves is
// an error: lines of no known form are skipped (and counted in passed_over),
// and a move that does not parse, is illegal, or carries the mark of the side
// not to move or another program's gote mark "▽", ends the reading with the moves before it kept, as does a line of no known
// form that holds the parts of a move (kifu_holds_move_parts); `stop`, when
// given, receives that line as for kifu_read_kif, and in `skipped` the first
// change line whose number names no move of the line before it (such a line
// is passed over). A line of play has one end: the moves and results behind a
// result, up to the next change line, are not read, `stop` keeping the first
// in after_end_line. A closing line (まで11手で先手の勝ち) whose count is not
// the moves of its line of play takes that line's result back, `stop` keeping
// the first in `closing`; otherwise it gives the result of a line that no
// result word ended and no move follows, as in KI2 (ki2_read_closing_line;
// words that tell no result end it as 中断, `stop` keeping the first in
// unknown_end_line). A 封じ手 followed by a move or a result is a pause:
// that goes on with the game and carries the word as its comment; otherwise
// the 封じ手 ends the line as 中断.
int kifu_read_kif_henka(Kifu& kifu, TextReader& reader, bool merge, KifuReadStop* stop = nullptr);

}  // namespace model
