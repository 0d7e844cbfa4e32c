// TEMPORARY stand-in of the catalogue of tactical sequences that earn an
// extension, until the move-ordering work lands: no sequence matches (0).
// Delete this file and its .cpp then.
#pragma once

#include "engine/board/position.h"
#include "engine/board/search_words.h"

namespace search {

// The extension in twelfths of a ply the line earns; 0 or less: none.
int tactical_extension_match(const board::KPosition& p, int ply, const board::KMove* stack,
                             board::KSearchNode* const* contexts);

}  // namespace search
