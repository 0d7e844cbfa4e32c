// The divided book: part numbers, every stored move found, equal hi words in a
// part, missing parts and the eight parts kept in memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "tests/engine/driver/book_test_util.h"
#include "engine/driver/bin_file.h"
#include "engine/driver/divided_book.h"

namespace driver {
namespace {

using testing::temp;

using testing::BookRecord;

// The even start without the pieces whose part bits `bits` names: 0x1 a pawn,
// 0x2 a silver, 0x4 a gold, 0x8 the bishop, 0x10 the rook (moved to 5八).
model::BookPosition start_without(int bits) {
  model::Kyokumen k;
  k.Init(model::kHirate);
  const int squares[5][2] = {{1, 7}, {3, 9}, {4, 9}, {8, 8}, {2, 8}};
  for (int bit = 0; bit < 5; ++bit) {
    if (bits >> bit & 1) k.At(squares[bit][0], squares[bit][1]).Set(model::kEmpty);
  }
  if (bits & 0x10) k.At(5, 8).Set(model::kHi);
  model::BookPosition pos;
  EXPECT_TRUE(k.ToBookKey(pos));
  return pos;
}

TEST(DividedBook, PartNumbersAndEveryStoredMoveFound) {
  EXPECT_EQ(divided_book_part_number(start_without(0)), 0);
  EXPECT_EQ(divided_book_part_number(start_without(0x10)), 0x10);
  std::mt19937 rng(9);
  std::map<std::pair<uint32_t, uint32_t>, BookRecord> by_key;
  for (const model::Kyokumen& k : testing::random_game_positions(21, 30, 80)) {
    BookRecord r;
    k.ToBookKey(r.pos);
    for (int i = 1 + static_cast<int>(rng() % 6); i > 0; --i) {
      const uint32_t to = 1 + rng() % 80;  // from 1一 to any other square
      r.moves.push_back({static_cast<uint32_t>((rng() % 16) << 16 | (to / 9 * 11 + to % 9) << 8), static_cast<uint32_t>(rng())});
    }
    BookKey key;
    book_key(r.pos, &key);
    by_key.emplace(std::pair{key.lo, key.hi}, r);
  }
  std::vector<BookRecord> records;
  for (const auto& [key, r] : by_key) records.push_back(r);
  DividedBook book;
  ASSERT_EQ(book.SetName(testing::write_divided_book(temp("every_move"), records).c_str()), 0);
  std::set<int> parts;
  for (const BookRecord& r : records) parts.insert(divided_book_part_number(r.pos));
  ASSERT_GT(parts.size(), 8u);  // more parts than stay in memory
  for (const BookRecord& r : records) {
    BookMove got[kMaxBookPositionMoves];
    ASSERT_EQ(book.Lookup(r.pos, got), static_cast<int>(r.moves.size()));
    for (size_t i = 0; i < r.moves.size(); ++i) EXPECT_EQ(got[i], r.moves[i]);
  }
}

TEST(DividedBookPart, EqualHiKeysAreToldApartByLo) {
  const BookKey k10{10 ^ 5, 5}, k20{20 ^ 5, 5}, k30{30 ^ 5, 5};
  const std::string path = temp("equal_hi.jdb");
  testing::write_file(path, testing::part_image(testing::part_body({{k10, {{0x1C25, 1}}}, {k30, {{0x1C26, 2}}}}, 1)));
  auto f = BinFile::Open(path.c_str(), BinFile::kDirect);
  char magic[8];
  f->ReadBlock(8, magic);
  const auto part = DividedBookPart::Read(*f);
  BookMove got[kMaxBookPositionMoves];
  ASSERT_EQ(part->Lookup(k10, got), 1);
  EXPECT_EQ(got[0].senkei, 1u);
  ASSERT_EQ(part->Lookup(k30, got), 1);
  EXPECT_EQ(got[0].senkei, 2u);
  EXPECT_EQ(part->Lookup(k20, got), 0);
}

TEST(DividedBook, MissingPartsAndTheEightPartsKept) {
  std::vector<BookRecord> records;
  for (int i = 0; i < 9; ++i) records.push_back({start_without(i), {{0x1C25, static_cast<uint32_t>(i)}}});
  DividedBook book;
  EXPECT_EQ(book.SetName("bXX.j"), -1);  // no room for the part digits
  EXPECT_EQ(book.Lookup(records[0].pos, nullptr), 0);
  ASSERT_EQ(book.SetName(testing::write_divided_book(temp("nine_parts"), records).c_str()), 0);
  const std::string part8 = temp("nine_parts/joseki/b08.jdb");
  std::remove(part8.c_str());
  for (int i = 0; i < 2; ++i) EXPECT_EQ(book.Lookup(records[8].pos, nullptr) + book.IsLoaded(8), 0);
  // Eight parts fill the list without pushing one another out.
  for (int i = 0; i < 8; ++i) EXPECT_EQ(book.Lookup(records[i].pos, nullptr), 1);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(book.IsLoaded(i));
  // Part 0 used again, then a ninth part: part 1, used longest ago, goes.
  book.Lookup(records[0].pos, nullptr);
  testing::write_file(part8, testing::part_image(testing::part_body({}, 1)));
  EXPECT_EQ(book.Lookup(records[8].pos, nullptr), 0);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(book.IsLoaded(i), i != 1) << i;
}

}  // namespace
}  // namespace driver
