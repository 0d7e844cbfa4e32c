// The post-game commentary: a review of the player's moves, built from the
// analysis stored in a game record.
#pragma once

#include "model/text/kstring.h"

namespace model {
struct KifuSashite;
}

namespace driver {

// Walks the current line from the record's root pseudo-move and appends the
// commentary for `side` (0 sente, 1 gote) to `out`. Not written yet: it appends
// nothing.
void kifu_analyze(int side, const model::KifuSashite* root, model::KString& out);

}  // namespace driver
