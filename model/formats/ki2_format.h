// KI2: the compact text form of a game record. The KIF header and position
// block, two player lines, then the moves in relative notation (▲７六歩
// △３四歩 ...) six to a line without numbers or times, and a closing sentence
// such as まで64手で後手の勝ち that tells the result.
//
// The writers write the selected line, the comments and the bookmarks ("&"
// lines, kifu_bookmark.h); the reader also takes "*" comment lines, several
// moves to a line with or without blanks between them, the gote mark "▽",
// times behind moves and "変化：N手" sections that replace move N with another
// line.
#pragma once

#include "model/formats/kif_format.h"
#include "model/position/kyokumen.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"

namespace model {

// Reads a KI2 text into `kifu`: without `merge` the read record replaces the
// record's moves, table and header fields; with `merge` its lines are added at
// the record's node holding its start position. 0 on success. -1 (record
// unchanged) for a bad header, for text that holds neither a header line nor a
// move that can be played, for text that holds a line of no known kind and no
// move that can be played (`stop`'s passed_over names the first such line when
// the text holds a header line or a result), and with `merge` when the record
// has no node with the text's start position. With moves read, such lines are
// passed over and counted in passed_over. A move word that cannot be read or
// played ends the read, as does a move word whose mark is missing or was
// replaced (inside a line of moves, or at the start of a line:
// kifu_begins_move_without_mark); the moves before it are kept, nothing behind
// it is read, and `stop`, when given, receives its line number and the word
// (see KifuReadStop). Where no move was read before it, such a line is a line
// of no known kind. `stop`'s `skipped` keeps the first variation line whose
// number names no move of the line before it (behind one past the line's end,
// the moves are passed over up to the next variation line). The closing
// line's result becomes the line's last move (ki2_read_closing_line; words
// that tell no result end it as 中断, `stop` keeping the first in
// unknown_end_line): every kind
// the writer names comes back with its code and side, when the count of moves
// it gives is that of its line; otherwise no result is read from it, and
// `stop` keeps the first such line in `closing`. Nothing is read behind it:
// `stop` keeps the first move or comment line there, up to the next variation
// line, in after_end_line.
int kifu_read_ki2(Kifu& kifu, TextReader& reader, bool merge, KifuReadStop* stop = nullptr);

// Writes the whole record: header lines, the start position block, the player
// lines, the root comment and bookmark, the moves of the selected line with
// their comments and bookmarks, and the closing line when the line ends in a
// result. 0.
int kifu_write_ki2(const Kifu& kifu, TextWriter& writer);

// Writes the record's header lines, the position block of `kyokumen` and the
// player lines with the labels that position's handicap calls for; no moves. 0.
int kifu_write_ki2_position(const Kifu& kifu, TextWriter& writer, const Kyokumen& kyokumen);

}  // namespace model
