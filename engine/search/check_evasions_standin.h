// TEMPORARY stand-in of the check-evasion generator until the exchange-scoring
// work lands: the board's evasions (oute_nige_gen) in its order; while `filter`
// is not 0 only those the accept test takes (with `last`, depth 0). Delete
// this file and its .cpp then.
#pragma once

#include <cstdint>

#include "engine/board/position.h"

namespace search {

int gen_check_evasions(const board::KPosition& p, const board::KMove* last, uint32_t filter, board::KMove* out);

}  // namespace search
