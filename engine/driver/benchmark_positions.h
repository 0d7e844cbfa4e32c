// The positions the benchmarks, the node-count signature and their tests share:
// middle games reached by random legal moves from fixed seeds, so that every
// build and every run sees the same positions.
#pragma once

#include <cstddef>
#include <vector>

#include "model/position/kyokumen.h"

namespace driver {

// The even game after 40 to 60 random legal plies, one game per seed from 1
// on (the seed picks the moves and, as 40 + seed % 21, the length); games that
// end early are passed over. The first `count` such positions.
std::vector<model::Kyokumen> middle_game_positions(size_t count);

}  // namespace driver
