// velkora review: the post-game commentary on one side's moves of a record,
// with the computer's analysis thought on the spot when the record has none.
#pragma once

namespace app {

// velkora review FILE [--side sente|gote] [--depth D | --time S] [--save OUT]
// Prints the commentary on the side's moves (default sente) along the
// record's main line, in UTF-8 with LF line ends; nothing when no move gets a
// paragraph. The commentary reads the values and variations stored on the
// other side's moves; when none of them carries a value, each position after
// one of them is thought about first (depth D, default 4, or S seconds) and
// the result stored on the move, with a progress line per think on standard
// error. --save writes the record with its values as KIF (.kif or .ckf), which
// a later review reads back, variations included, without thinking again.
// Ctrl-C stops the thinking; the commentary covers what was thought, --save
// writes nothing (an existing OUT is left whole), a line on standard error
// says which, and the exit status is 130. A Ctrl-C after the thinking does not
// stop the review: OUT written always comes with status 0.
int cmd_review(int argc, char** argv);

}  // namespace app
