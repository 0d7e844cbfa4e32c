// splitmix64: the generator of the program's fixed random tables (hash keys).
// Every output differs well in all bits, and it runs at compile time, so a table
// built from a fixed seed is the same constant in every build and every run.
#pragma once

#include <cstdint>

namespace model {

constexpr uint64_t splitmix64_next(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace model
