// The move-text parser of the KIF-family readers: turns one move word as people
// write it (▲７六歩, △同　銀右, ▲５五角打, ▲2二角成) into a Sashite by asking
// the position's move generator for every move that fits the text and narrowing
// the candidates with the relative words. Also the reader of the time written
// behind a move.
#pragma once

#include "model/position/kyokumen.h"
#include "model/position/sashite.h"
#include "model/text/kstring.h"

namespace model {

// Parses the move word at `cursor` of `line` on `kyokumen` (which is not
// changed). (prev_x, prev_y) is the destination of the previous move, (0, 0)
// at the start of the game; 同 takes it. A word must name its piece: one
// without (▲５八) is refused, not read as a king's move. True when exactly one
// move fits: `out` holds it, `seconds` the time written behind it (or 0) and
// `cursor` stands behind the word and the ASCII spaces after it (not over the
// time). On false `out` and `seconds` are untouched and the cursor may have
// moved.
bool kifu_parse_move_text(Sashite& out, const Kyokumen& kyokumen, int prev_x, int prev_y,
                          const KString& line, int& cursor, int& seconds);

// The seconds of a time field "(m:ss" whose "(" stands at `paren` of `line`:
// ASCII blanks, the minutes as a run of digits (any number of places), ":" and
// the seconds as a run of digits; a field that stops early counts what it has
// read. The result is capped at kMaxMoveSeconds (one day).
int kifu_read_move_time(const KString& line, int paren);

}  // namespace model
