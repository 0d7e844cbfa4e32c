// The post-game commentary: a review of the player's moves, built from the
// analysis stored in a game record, and the review kept as a comment.
#pragma once

#include "engine/driver/commentary_judge.h"
#include "model/record/kifu.h"
#include "model/text/kstring.h"

namespace driver {

// Walks the current line from the record's root pseudo-move and writes into
// `out` (emptied first) the commentary for `side` (0 sente, 1 gote): one
// paragraph per bad move of that side, each followed by "\r\n". The record is
// not changed; nothing is written when its start position does not load.
// The situation clauses take their endings from `ending`'s rotation. The
// text depends on the record and `ending` alone: the engine's stage, threat
// and evaluation words are set for the review here (so no think may run
// meanwhile), whatever an earlier think left in them.
void kifu_analyze(int side, const model::KifuSashite* root, model::KString& out, CommentaryEnding& ending);

// The post-game review for `side`: when the line (up to its first special move)
// holds more than one move, kifu_analyze writes `out`, and a review that says
// something becomes the comment of the line's last move.
void kansou_text(int side, model::Kifu& kifu, model::KString& out, CommentaryEnding& ending);

}  // namespace driver
