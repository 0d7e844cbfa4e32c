#include "model/text/ckf_packing.h"

#include <cstdint>

namespace model {

namespace {

// Six-bit values below this are shifted up into the letters; the rest keep
// their own codes.
constexpr int kShiftedValues = 48;
constexpr int kShift = 64;

}  // namespace

char ckf_char(int x) {
  x &= 63;
  return static_cast<char>(x < kShiftedValues ? x + kShift : x);
}

int ckf_pack_group(const unsigned char* bytes, int n, char* out) {
  if (n < 1 || n > 3) return 0;
  const int b0 = bytes[0];
  const int b1 = n > 1 ? bytes[1] : 0;
  const int b2 = n > 2 ? bytes[2] : 0;
  // The missing bytes of a tail count as zero bits; only the characters that
  // carry some of the real bytes are written.
  const int x[4] = {b0 >> 2, ((b0 & 3) << 4) | (b1 >> 4), ((b1 & 15) << 2) | (b2 >> 6),
                    b2 & 63};
  for (int i = 0; i <= n; ++i) out[i] = ckf_char(x[i]);
  return n + 1;
}

int ckf_unpack(const char* chars, int n, unsigned char* out) {
  uint32_t acc = 0;
  int bits = 0;
  int count = 0;
  for (int i = 0; i < n; ++i) {
    acc = (acc << 6) | (static_cast<unsigned char>(chars[i]) & 63u);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out[count++] = static_cast<unsigned char>(acc >> bits);
    }
  }
  return count;
}

int ckf_unpack_blocks(const char* chars, int n, unsigned char* out) {
  int count = 0;
  for (int at = 0; at < n; at += kCkfBlockChars) {
    const int block = n - at < kCkfBlockChars ? n - at : kCkfBlockChars;
    count += ckf_unpack(chars + at, block, out + count);
  }
  return count;
}

}  // namespace model
