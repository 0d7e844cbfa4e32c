#include "engine/driver/benchmark_positions.h"

#include <cstdint>
#include <memory>
#include <random>

#include "model/position/perft.h"

namespace driver {

namespace {

constexpr int kFirstPly = 40;
constexpr uint32_t kPlySpread = 21;

}  // namespace

std::vector<model::Kyokumen> middle_game_positions(size_t count) {
  std::vector<model::Kyokumen> v;
  const auto moves = std::make_unique<model::Sashite[]>(model::kMaxSashite);
  for (uint32_t seed = 1; v.size() < count; ++seed) {
    std::mt19937 rng(seed);
    model::Kyokumen k;
    k.Init(model::kHirate);
    const int plies = kFirstPly + static_cast<int>(seed % kPlySpread);
    bool ended = false;
    for (int ply = 0; ply < plies && !ended; ++ply) {
      const int n = model::legal_moves(k, moves.get());
      ended = n == 0 || !k.DoSashite(moves[rng() % n]);
    }
    if (!ended) v.push_back(k);
  }
  return v;
}

}  // namespace driver
