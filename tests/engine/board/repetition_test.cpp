// The repetition tables: the search-path table's limit, side-blind matching and
// truncation back along shared chains; the game-record table's counts, its
// side-to-move matching and its limit.
#include <gtest/gtest.h>

#include <cstdint>

#include "engine/board/repetition.h"
#include "tests/engine/board/model_positions.h"

namespace board {
namespace {

// Keys by push index, in seven buckets: each chain mixes pushes from the whole path.
KHashKey path_key(uint32_t i) { return KHashKey{{i % 7, i, 0xC0000000u | i % 3}}; }

TEST(PathRepetition, LimitSideBlindMatchAndTruncation) {
  path_rep_clear();
  for (uint32_t i = 0; i < kPathRepSize; ++i) ASSERT_EQ(path_rep_add(path_key(i), i, 2 * i), 0);
  EXPECT_EQ(path_rep_add(path_key(kPathRepSize), 1, 1), 1);
  EXPECT_EQ(path_rep_count(), kPathRepSize);
  EXPECT_EQ(path_rep_find(path_key(kPathRepSize)), nullptr);

  KHashKey gote_to_move = path_key(123);
  gote_to_move.word[2] |= kHashSideBit;
  const KPathRepEntry* e = path_rep_find(gote_to_move);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->first_value, 123u);
  EXPECT_EQ(e->second_value, 246u);

  path_rep_truncate(kPathRepSize);
  path_rep_truncate(kPathRepSize + 5);  // never raises the count
  EXPECT_EQ(path_rep_count(), kPathRepSize);
  for (uint32_t i = 0; i < kPathRepSize; ++i) ASSERT_NE(path_rep_find(path_key(i)), nullptr) << i;

  // Cut in the middle of chains that mix both halves.
  path_rep_truncate(250);
  for (uint32_t i = 0; i < kPathRepSize; ++i) ASSERT_EQ(path_rep_find(path_key(i)) != nullptr, i < 250) << i;
  // A position pushed again is found at its latest push, and is gone again with it.
  ASSERT_EQ(path_rep_add(path_key(10), 777, 0), 0);
  EXPECT_EQ(path_rep_find(path_key(10))->first_value, 777u);
  path_rep_truncate(250);
  EXPECT_EQ(path_rep_find(path_key(10))->first_value, 10u);

  path_rep_truncate(0);
  EXPECT_EQ(path_rep_count(), 0u);
  for (uint32_t i = 0; i < kPathRepSize; ++i) ASSERT_EQ(path_rep_find(path_key(i)), nullptr) << i;
  ASSERT_EQ(path_rep_add(path_key(3), 3, 0), 0);
  EXPECT_EQ(path_rep_find(path_key(3))->first_value, 3u);
}

// Both kings only, sente's on `a` and gote's on `b` (squares numbered 0..80).
KPosition kings_at(int a, int b) {
  testing::Scene s;
  return s.Put(a % 9 + 1, a / 9 + 1, model::kOu).Put(b % 9 + 1, b / 9 + 1, model::testing::gote(model::kOu)).Load();
}

TEST(KifuRepetition, CountsSideToMoveAndLimit) {
  kifu_rep_clear();
  const KPosition start = kings_at(0, 80);
  KHashKey key;
  hash_key_full(start, 0, key);
  kifu_rep_add(start);
  kifu_rep_add(start);
  ASSERT_NE(kifu_rep_find(key), nullptr);
  EXPECT_EQ(kifu_rep_find(key)->occurrences, 2u);

  // The same board with gote to move is another position here.
  key.word[2] ^= kHashSideBit;
  EXPECT_EQ(kifu_rep_find(key), nullptr);
  key.word[2] ^= kHashSideBit;

  uint32_t added = 1;
  for (int b = 1; added < kKifuRepSize; ++b) {
    for (int a = 0; a < 81 && added < kKifuRepSize; ++a) {
      if (a == b) continue;
      kifu_rep_add(kings_at(a, b));
      ++added;
    }
  }
  // Full: neither a new position nor another occurrence is counted.
  const KPosition late = kings_at(80, 79);
  kifu_rep_add(late);
  kifu_rep_add(start);
  KHashKey late_key;
  hash_key_full(late, 0, late_key);
  EXPECT_EQ(kifu_rep_find(late_key), nullptr);
  EXPECT_EQ(kifu_rep_find(key)->occurrences, 2u);
  hash_key_full(kings_at(5, 1), 0, late_key);
  EXPECT_NE(kifu_rep_find(late_key), nullptr);
}

}  // namespace
}  // namespace board
