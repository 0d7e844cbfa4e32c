// Path keys: the moves of a path mixed in order, so that long paths do not
// share keys.
#include <gtest/gtest.h>

#include "engine/tsume/path_keys.h"

namespace tsume {
namespace {

board::KMove board_move(int from, int to) {
  board::KMove m{};
  m.from = static_cast<uint8_t>(from);
  m.to = static_cast<uint8_t>(to);
  return m;
}

uint32_t key_of(const std::vector<board::KMove>& path) {
  uint32_t key = 0;
  for (size_t ply = 0; ply < path.size(); ++ply) key = path_key_after(key, path[ply], static_cast<int>(ply));
  return key;
}

TEST(PathKeys, DifferentLongPathsGetDifferentKeys) {
  // Two paths alike but for one move made at the first ply and again 97
  // plies later: a key that only added up words chosen by the ply modulo 97
  // would lose both and give the two paths one key.
  std::vector<board::KMove> a, b;
  for (int ply = 0; ply < 98; ++ply) {
    const board::KMove filler = board_move(40 + ply % 5, 60 + ply % 7);
    const bool ends = ply == 0 || ply == 97;
    a.push_back(ends ? board_move(100, 116) : filler);
    b.push_back(ends ? board_move(101, 117) : filler);
  }
  EXPECT_NE(key_of(a), key_of(b));
  // The order of the moves counts too, and no path has the key of a plain entry.
  std::vector<board::KMove> swapped = a;
  std::swap(swapped[3], swapped[4]);
  EXPECT_NE(key_of(a), key_of(swapped));
  for (size_t n = 1; n <= a.size(); ++n) {
    EXPECT_NE(key_of(std::vector<board::KMove>(a.begin(), a.begin() + static_cast<long>(n))), 0u);
  }
}

}  // namespace
}  // namespace tsume
