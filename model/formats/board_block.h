// Small readers shared by the KIF-family formats: data lines that skip "#"
// comment lines, the nine-row board block with its two hand lines, and the hand
// line (飛　角二　歩十八, or なし).
#pragma once

#include "model/position/kyokumen.h"
#include "model/text/kstring.h"
#include "model/text/text_stream.h"

namespace model {

// Reads the next line that does not begin with "#", trailing blanks cut; an
// empty line counts as a data line. 0, or -1 at the end of the input.
int kifu_read_data_line(TextReader& reader, KString& line);

// Reads nine board rows (rank 1 first) and then two hand lines into
// `kyokumen`. A row is either "|" followed by nine cells of a mark byte ("v"
// for gote) and a two-byte piece name, or ":" followed by nine bytes of the
// compact code 0x20 + 4 x type + 2 x gote + promoted. Every square is
// overwritten; hand counts are set only for the pieces named. 0, or -1 on the
// first error (what was set before it stays set).
int kifu_read_board_block(TextReader& reader, Kyokumen& kyokumen);

// Reads a hand ("なし", or piece names each followed by an optional kanji
// count) into `side`'s hand of `kyokumen`; each named count replaces the
// earlier one. The text is consumed. 0, or -1 for a name that is no piece that
// can be held or a count beyond the pieces of a full set.
int kifu_parse_hand_line(KString& text, Kyokumen& kyokumen, int side);

}  // namespace model
