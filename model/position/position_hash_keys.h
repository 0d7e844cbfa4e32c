// The 2,344 fixed 64-bit keys of the game model's position hash. The opening
// book's 64-bit position key is built from the same table, so the values are
// constants of the program: generated at compile time from a fixed seed.
#pragma once

#include <array>
#include <cstdint>

#include "model/text/fixed_random.h"

namespace model {

constexpr int kHashKeyCount = 2344;
constexpr int kHashBoardKeys = 2268;  // 28 piece classes x 81 squares; hand keys follow

struct HashKey64 {
  uint32_t w0;  // first word
  uint32_t w1;  // second word
};

namespace detail {

constexpr uint64_t kHashKeySeed = 0x56454C4B4F524131ULL;  // fixed: never change it

constexpr std::array<HashKey64, kHashKeyCount> make_hash_keys() {
  std::array<HashKey64, kHashKeyCount> keys{};
  uint64_t state = kHashKeySeed;
  for (HashKey64& k : keys) {
    const uint64_t v = splitmix64_next(state);
    k.w0 = static_cast<uint32_t>(v);
    k.w1 = static_cast<uint32_t>(v >> 32);
  }
  return keys;
}

}  // namespace detail

inline constexpr std::array<HashKey64, kHashKeyCount> kHashKeyTable = detail::make_hash_keys();

}  // namespace model
