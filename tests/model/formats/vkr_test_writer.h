// Own game files for tests, laid out field by field as the reader expects them;
// the bytes the reader does not read hold zeros. The program never writes them.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "model/formats/vkr_reader.h"

namespace model::testing {

struct VkrRecord {
  Sashite m;         // its first seven bytes are written as they are
  int end_code = 0;  // byte 7
  int seconds = 0;
};

inline void put_le(std::string& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// A file storing `stored`, with its side to move, after n of the records.
inline std::string vkr_file(const Kyokumen& stored, int handicap, int32_t n,
                            const std::vector<VkrRecord>& records, int kind0 = 0, int kind1 = 1) {
  using L = VkrLayout;
  std::string b(L::kMoves, '\0');
  put_le(b, L::kPlayerKinds, kind0, 2);
  put_le(b, L::kPlayerKinds + 2, kind1, 2);
  put_le(b, L::kSide, stored.teban, 2);
  put_le(b, L::kHandicap, handicap, 2);
  for (int r = 1; r <= 9; ++r) {
    char* row = b.data() + L::kGrid + r * L::kGridColumns;
    for (int c = 1; c <= 9; ++c) row[c] = static_cast<char>(stored.At(c, r).code);
    for (int h = 0; r <= 8 && h < 3; ++h) row[L::kHandColumn[h]] = stored.mochigoma[h][r];
  }
  put_le(b, L::kPlyCount, n, 4);
  put_le(b, L::kMoveCount, static_cast<uint32_t>(records.size()), 4);
  for (const VkrRecord& rec : records) {
    std::string bytes(L::kMoveBytes, '\0');
    std::memcpy(bytes.data(), &rec.m, 7);
    bytes[7] = static_cast<char>(rec.end_code);
    put_le(bytes, L::kMoveSeconds, rec.seconds, 4);
    b += bytes;
  }
  return b;
}

// The file of a game from `start` stored after its first n records.
inline std::string vkr_game_file(const Kyokumen& start, const std::vector<VkrRecord>& records,
                                 int32_t n) {
  Kyokumen stored = start;
  for (int i = 0; i < n; ++i) {
    if (records[i].end_code == 0) stored.DoSashite(records[i].m);
  }
  return vkr_file(stored, start.teaiwari, n, records);
}

}  // namespace model::testing
