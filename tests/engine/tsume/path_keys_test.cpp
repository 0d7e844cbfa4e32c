// Path keys: the moves of a path mixed in order, so that long paths do not
// share keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

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

board::KMove drop(int kind, int side, int to) {
  board::KMove m{};
  m.from = board::kInHand;
  m.to = static_cast<uint8_t>(to);
  m.code = static_cast<uint8_t>(kind | board::side_bit(side));
  return m;
}

TEST(PathKeys, KeysOfAFixedPathNeverChange) {
  // The tables come from a fixed seed and the mixing is fixed: a path's key is
  // the same in every build (a board move, drops of both sides, a ply past 97).
  const std::vector<board::KMove> path = {board_move(100, 116), drop(board::kGold, 0, 70), drop(board::kPawn, 1, 71)};
  EXPECT_EQ(key_of(path), 1198538603u);
  EXPECT_EQ(path_key_after(key_of(path), board_move(100, 116), 100), 0x5365C553u);
}

TEST(PathKeys, EveryDroppedKindOfEitherSideHasItsOwnWord) {
  // The fourteen drops onto one square at one ply: each kind of each side is
  // mixed in by a word of its own, and at a ply of the node's rows made once.
  for (int ply : {0, 5, 96, 97, 150}) {
    const PathPly rows(ply);
    std::vector<uint32_t> keys;
    for (int side = 0; side < 2; ++side) {
      for (int kind = board::kRook; kind <= board::kPawn; ++kind) {
        const board::KMove m = drop(kind, side, 88);
        EXPECT_EQ(rows.After(7, m), path_key_after(7, m, ply));
        keys.push_back(rows.After(7, m));
      }
    }
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end()) << "ply " << ply;
  }
}

}  // namespace
}  // namespace tsume
