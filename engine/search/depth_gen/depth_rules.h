// The depth generator's rules per piece on the board: the drops that attack
// each enemy piece, and for each own piece its family's moves followed by the
// drops that back it (rules A to G).
#pragma once

#include "engine/search/depth_gen/gen_terms.h"

namespace search {

void depth_piece_rules(GenCall& g);

}  // namespace search
