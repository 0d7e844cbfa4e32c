// The middle-game positions the search benchmarks share: the even game after
// 40 to 60 random legal plies, one game per seed from 1 on, games that end
// early passed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "model/position/kyokumen.h"
#include "model/position/perft.h"

namespace bench {

inline std::vector<model::Kyokumen> middle_games(size_t count) {
  std::vector<model::Kyokumen> v;
  static model::Sashite moves[model::kMaxSashite];
  for (uint32_t seed = 1; v.size() < count; ++seed) {
    std::mt19937 rng(seed);
    model::Kyokumen k;
    k.Init(model::kHirate);
    const int plies = 40 + static_cast<int>(seed % 21);
    bool ended = false;
    for (int ply = 0; ply < plies && !ended; ++ply) {
      const int n = model::legal_moves(k, moves);
      ended = n == 0 || !k.DoSashite(moves[rng() % n]);
    }
    if (!ended) v.push_back(k);
  }
  return v;
}

}  // namespace bench
