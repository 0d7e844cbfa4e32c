// Engine positions made through the game model: positions built piece by piece,
// start positions for random games, and random legal moves with the game model
// as referee.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <initializer_list>
#include <random>
#include <vector>

#include "engine/driver/position_bridge.h"
#include "model/position/kyokumen.h"
#include "model/position/perft.h"
#include "tests/engine/board/position_checker.h"
#include "tests/model/position/position_builder.h"

namespace board::testing {

// A game-model position built piece by piece (sente to move), loaded into the
// engine with its tables checked against a rebuild.
struct Scene {
  model::Kyokumen k = model::testing::empty_position();

  Scene& Put(int file, int rank, int code) {
    model::testing::put(k, file, rank, code);
    return *this;
  }
  Scene& Hand(int type) {
    k.mochigoma[0][type] = 1;
    return *this;
  }
  KPosition Load() const {
    KPosition p;
    EXPECT_EQ(driver::position_load(p, k), 0);
    EXPECT_TRUE(matches_rebuild(p));
    return p;
  }
  // The engine move for (fx, fy) -> (tx, ty); fx 11 drops type fy.
  KMove Move(const KPosition& p, int fx, int fy, int tx, int ty, int nari = 0) const {
    KMove m;
    EXPECT_EQ(driver::sashite_to_kmove(m, p, model::testing::move(k, fx, fy, tx, ty, nari)), 0);
    return m;
  }
};

// Hands by model type 1..7 (pawn .. rook).
using Hand = std::array<int, 8>;
constexpr Hand kHalfOfEveryPiece = {0, 9, 2, 2, 2, 2, 1, 1};
constexpr Hand kEveryPiece = {0, 18, 4, 4, 4, 4, 2, 2};

// Only the kings on the board, on squares written file * 10 + rank (59 is 5九).
inline model::Kyokumen kings_and_hands(const Hand& sente, const Hand& gote = {}, int sente_king = 59,
                                       int gote_king = 51) {
  model::Kyokumen k = model::testing::empty_position();
  model::testing::put(k, sente_king / 10, sente_king % 10, model::kOu);
  model::testing::put(k, gote_king / 10, gote_king % 10, model::testing::gote(model::kOu));
  for (int t = 1; t < 8; ++t) {
    k.mochigoma[0][t] = static_cast<int8_t>(sente[t]);
    k.mochigoma[1][t] = static_cast<int8_t>(gote[t]);
  }
  return k;
}

inline std::vector<model::Kyokumen> handicap_starts(std::initializer_list<int32_t> handicaps) {
  std::vector<model::Kyokumen> v;
  for (int32_t h : handicaps) v.emplace_back().Init(h);
  return v;
}

// Up to `limit` legal moves of the position, in random order.
inline int random_legal_moves(const model::Kyokumen& k, std::mt19937& rng, model::Sashite* out, int limit) {
  model::Sashite all[model::kMaxSashite];
  const int n = model::legal_moves(k, all);
  std::shuffle(all, all + n, rng);
  std::copy(all, all + std::min(n, limit), out);
  return std::min(n, limit);
}

}  // namespace board::testing
