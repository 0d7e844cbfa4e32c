// TEMPORARY stand-in of the move scoring by exchange search until that work
// lands: every move scores 0. Delete this file and its .cpp then.
#pragma once

#include "engine/board/position.h"
#include "engine/board/search_words.h"

namespace search {

// The score of the move for the side that makes it; the position is restored.
int eval_sashite_exchange(board::KPosition& p, const board::KMove& m, board::KEvalRecord& r);

}  // namespace search
