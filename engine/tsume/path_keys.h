// The path key: an exclusive or over the moves of a path of a random word for
// the move's origin (or dropped piece) and one for its destination, each also
// chosen by the ply modulo 97. Entries made valid for one path only carry it.
// The tables are constants built at compile time from a fixed seed.
#pragma once

#include <array>
#include <cstdint>

#include "engine/board/position.h"
#include "model/text/fixed_random.h"

namespace tsume {

constexpr int kPathPlies = 97;
constexpr int kPathSquares = 162;
constexpr int kPathDropKinds = 14;  // kind 1..7 of either side

struct PathKeyTables {
  uint32_t from[kPathPlies][kPathSquares];
  uint32_t drop[kPathPlies][kPathDropKinds];
  uint32_t to[kPathPlies][kPathSquares];
};

namespace detail {

constexpr uint64_t kPathKeySeed = 0x5453554D45504154ULL;  // fixed: never change it

constexpr PathKeyTables make_path_keys() {
  PathKeyTables t{};
  uint64_t state = kPathKeySeed;
  for (auto& row : t.from)
    for (uint32_t& w : row) w = static_cast<uint32_t>(model::splitmix64_next(state) >> 32);
  for (auto& row : t.drop)
    for (uint32_t& w : row) w = static_cast<uint32_t>(model::splitmix64_next(state) >> 32);
  for (auto& row : t.to)
    for (uint32_t& w : row) w = static_cast<uint32_t>(model::splitmix64_next(state) >> 32);
  return t;
}

}  // namespace detail

inline constexpr PathKeyTables kPathKeys = detail::make_path_keys();

// The path key after the move, made at the given ply, is added to `path_key`.
inline uint32_t path_key_after(uint32_t path_key, const board::KMove& m, int ply) {
  const int row = ply % kPathPlies;
  if (m.from == board::kInHand) {
    path_key ^= kPathKeys.drop[row][board::code_kind(m.code) - 1 + 7 * board::code_side(m.code)];
  } else {
    path_key ^= kPathKeys.from[row][m.from];
  }
  return path_key ^ kPathKeys.to[row][m.to];
}

}  // namespace tsume
