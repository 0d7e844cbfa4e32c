// TEMPORARY stand-in of the defences against a mate that a pass revealed,
// until the move-ordering work lands: it generates nothing. Delete this file
// and its .cpp then.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/search_node.h"

namespace search {

int gen_mate_threat_defences(const board::KPosition& p, const KPassThreat& record, int ply, int horizon,
                             board::KMove* out);

}  // namespace search
