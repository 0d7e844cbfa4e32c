// TEMPORARY stand-in of the formation seeding until that work lands: it stores
// nothing. Delete this file and its .cpp then.
#pragma once

#include "engine/board/hash_key.h"
#include "engine/board/position.h"

namespace search {

void formation_seed(const board::KPosition& p, const board::KHashKey& key, int ply);

}  // namespace search
