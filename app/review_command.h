// velkora review: the post-game commentary on one side's moves of a record.
#pragma once

namespace app {

// velkora review FILE [--side sente|gote]
// Prints the commentary on the side's moves (default sente) along the
// record's current line, in UTF-8 with LF line ends; nothing when no move gets
// a paragraph. A record read from a file keeps its principal variations only
// as text, so the review gives verdicts without motifs or suggestions.
int cmd_review(int argc, char** argv);

}  // namespace app
