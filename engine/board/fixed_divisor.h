// The remainder of a 32-bit word by a divisor fixed when a table is made (its
// bucket count), by two multiplications instead of a division: with R = 2^64 /
// d rounded up, w mod d is the high word of (R x w, low 64 bits) x d, for every
// 32-bit w and d >= 1. The tables pick a key's bucket this way on every probe.
#pragma once

#include <cstdint>

namespace board {

class KFixedDivisor {
 public:
  KFixedDivisor() = default;
  explicit KFixedDivisor(uint32_t d) : reciprocal_(d == 0 ? 0 : UINT64_MAX / d + 1), divisor_(d) {}

  // w mod d; 0 while no divisor is set.
  uint32_t Remainder(uint32_t w) const {
    const uint64_t fraction = reciprocal_ * w;
    return static_cast<uint32_t>((static_cast<unsigned __int128>(fraction) * divisor_) >> 64);
  }

 private:
  uint64_t reciprocal_ = 0;
  uint32_t divisor_ = 0;
};

}  // namespace board
