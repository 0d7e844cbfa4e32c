// The 2,344 fixed 64-bit keys of the game model's position hash. The opening
// book's 64-bit position key is built from the same table, so the values are
// constants of the program: generated at compile time from a fixed seed.
#pragma once

#include <array>
#include <cstdint>

namespace driver {

constexpr int kHashKeyCount = 2344;
constexpr int kHashBoardKeys = 2268;  // 28 piece classes x 81 squares; hand keys follow

struct HashKey64 {
  uint32_t w0;  // first word
  uint32_t w1;  // second word
};

namespace detail {

// splitmix64: a small generator whose every output differs well in all bits.
constexpr uint64_t splitmix64_next(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

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

}  // namespace driver
