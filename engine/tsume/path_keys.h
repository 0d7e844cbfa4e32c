// The path key: the moves of a path mixed in order, each by a random word for
// its origin (or dropped piece) and one for its destination, chosen by the
// ply modulo 97, and by the ply itself. Entries made valid for one path only carry it.
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

// The drop column of a dropped piece's code (kind 1..7 of either side), by code.
inline constexpr auto kPathDropColumn = [] {
  std::array<uint8_t, 128> t{};
  for (int code = 0; code < 128; ++code) {
    const int kind = board::code_kind(code);
    if (kind >= 1 && kind <= 7) t[code] = static_cast<uint8_t>(kind - 1 + 7 * board::code_side(code));
  }
  return t;
}();

// The path keys after the moves made at one ply: the ply's rows of the tables
// and its word are found once for all the moves a node lists.
class PathPly {
 public:
  explicit PathPly(int ply)
      : from_(kPathKeys.from[ply % kPathPlies]), drop_(kPathKeys.drop[ply % kPathPlies]),
        to_(kPathKeys.to[ply % kPathPlies]), ply_word_(static_cast<uint32_t>(ply) * 0x9E3779B9u) {}

  // The path key after the move: the move's words are mixed into the key in
  // order, with the whole ply, so that no two paths share a key by more than
  // chance. (A plain exclusive or of the words cancels a move made again 97
  // plies later: the long paths of long problems then shared keys, and a
  // disproof valid on one path was taken on another.) Never 0, the key of a
  // plain entry.
  uint32_t After(uint32_t path_key, const board::KMove& m) const {
    uint32_t word = m.from == board::kInHand ? drop_[kPathDropColumn[m.code & 0x7F]] : from_[m.from];
    word ^= (to_[m.to] << 11 | to_[m.to] >> 21);
    uint32_t h = (path_key ^ word) + ply_word_;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h != 0 ? h : 1;
  }

 private:
  const uint32_t* from_;
  const uint32_t* drop_;
  const uint32_t* to_;
  uint32_t ply_word_;
};

// The path key after the move, made at the given ply (PathPly::After).
inline uint32_t path_key_after(uint32_t path_key, const board::KMove& m, int ply) {
  return PathPly(ply).After(path_key, m);
}

}  // namespace tsume
