// The divided book: part numbers, every stored move found, missing parts and
// the eight parts kept in memory.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <random>
#include <set>

#include "book_test_util.h"
#include "engine/driver/bin_file.h"
#include "engine/driver/divided_book.h"

namespace driver {
namespace {

using testing::BookRecord;

std::string temp_dir(const std::string& name) {
  const std::string dir = ::testing::TempDir() + "/" + name;
  ::mkdir(dir.c_str(), 0755);
  return dir;
}

TEST(DividedBookPart, PartNumbersOfTheHomeFormationAndAMovedRook) {
  model::Kyokumen k;
  k.Init(model::kHirate);
  model::BookPosition pos;
  for (int side = 0; side < 2; ++side) {
    k.teban = side;
    ASSERT_TRUE(k.ToBookKey(pos));
    EXPECT_EQ(divided_book_part_number(pos), 0);
  }
  k.teban = 0;
  k.At(2, 8).Set(model::kEmpty);
  k.At(5, 8).Set(model::kHi);
  ASSERT_TRUE(k.ToBookKey(pos));
  EXPECT_EQ(divided_book_part_number(pos), 0x10);
  k.At(5, 8).Set(model::kRyu);  // a promoted rook counts nowhere either
  ASSERT_TRUE(k.ToBookKey(pos));
  EXPECT_EQ(divided_book_part_number(pos), 0x10);
}

TEST(DividedBook, EveryStoredMoveIsFound) {
  std::mt19937 rng(9);
  std::map<std::pair<uint32_t, uint32_t>, BookRecord> by_key;
  for (const model::Kyokumen& k : testing::random_game_positions(21, 30, 80)) {
    BookRecord r;
    ASSERT_TRUE(k.ToBookKey(r.pos));
    BookKey key;
    book_key(r.pos, &key);
    for (int i = 1 + static_cast<int>(rng() % 6); i > 0; --i) {
      const BookMove m{static_cast<uint32_t>(rng() % 16) << 16 | (1 + rng() % 80) << 8 | 0, rng()};
      if (book_move_is_sound(m)) r.moves.push_back(m);
    }
    if (!r.moves.empty()) by_key.emplace(std::pair{key.lo, key.hi}, r);
  }
  std::vector<BookRecord> records;
  std::set<int> parts;
  for (const auto& [key, r] : by_key) {
    records.push_back(r);
    parts.insert(divided_book_part_number(r.pos));
  }
  ASSERT_GT(parts.size(), 8u);  // lookups wander over more parts than stay loaded
  DividedBook book;
  ASSERT_EQ(book.SetName(testing::write_divided_book(temp_dir("every_move"), records).c_str()), 0);
  for (const BookRecord& r : records) {
    BookMove got[kMaxBookPositionMoves];
    ASSERT_EQ(book.Lookup(r.pos, got), static_cast<int>(r.moves.size()));
    for (size_t i = 0; i < r.moves.size(); ++i) EXPECT_EQ(got[i], r.moves[i]);
  }
}

TEST(DividedBookPart, EqualHiKeysAreToldApartByLo) {
  const std::vector<BookMove> a = {{0x1C25, 1}}, b = {{0x1C26, 2}};
  // Three keys in one bucket with the same hi: lo 10 and 30 stored, 20 not.
  const BookKey k10{10 ^ 5, 5}, k30{30 ^ 5, 5}, k20{20 ^ 5, 5};
  const std::string path = temp_dir("equal_hi") + "/part.jdb";
  testing::write_file(path, testing::part_image(testing::part_body({{k10, a}, {k30, b}}, 1)));
  auto f = BinFile::Open(path.c_str(), BinFile::kDirect);
  char magic[8];
  ASSERT_EQ(f->ReadBlock(8, magic), 8);
  const auto part = DividedBookPart::Read(*f);
  ASSERT_TRUE(part);
  BookMove got[kMaxBookPositionMoves];
  ASSERT_EQ(part->Lookup(k10, got), 1);
  EXPECT_EQ(got[0], a[0]);
  ASSERT_EQ(part->Lookup(k30, got), 1);
  EXPECT_EQ(got[0], b[0]);
  EXPECT_EQ(part->Lookup(k20, got), 0);
}

TEST(DividedBook, MissingPartsAndTheEightPartsKept) {
  // Nine positions in parts 0..8: the even start without the pieces that the
  // part bits 0x1 (a pawn), 0x2 (a silver), 0x4 (a gold), 0x8 (the bishop) name.
  std::vector<BookRecord> records;
  for (int i = 0; i < 9; ++i) {
    model::Kyokumen k;
    k.Init(model::kHirate);
    const int squares[4][2] = {{1, 7}, {3, 9}, {4, 9}, {8, 8}};
    for (int bit = 0; bit < 4; ++bit) {
      if (i >> bit & 1) k.At(squares[bit][0], squares[bit][1]).Set(model::kEmpty);
    }
    BookRecord r;
    ASSERT_TRUE(k.ToBookKey(r.pos));
    ASSERT_EQ(divided_book_part_number(r.pos), i);
    r.moves = {{0x1C25, static_cast<uint32_t>(i)}};
    records.push_back(r);
  }

  DividedBook book;
  EXPECT_EQ(book.SetName("bXX.j"), -1);  // no room for the part digits
  EXPECT_EQ(book.Lookup(records[0].pos, nullptr), 0);  // no name yet
  const std::string dir = temp_dir("nine_parts");
  ASSERT_EQ(book.SetName(testing::write_divided_book(dir, records).c_str()), 0);
  const std::string part8 = dir + "/joseki/b08.jdb";
  std::remove(part8.c_str());
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(book.Lookup(records[8].pos, nullptr), 0);
    EXPECT_FALSE(book.IsLoaded(8));
  }
  // Eight parts fill the list without pushing one another out.
  for (int i = 0; i < 8; ++i) EXPECT_EQ(book.Lookup(records[i].pos, nullptr), 1);
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(book.IsLoaded(i));
  // Part 0 used again, then a ninth part: part 1, used longest ago, goes.
  book.Lookup(records[0].pos, nullptr);
  testing::write_file(part8, testing::part_image(testing::part_body({}, 1)));
  EXPECT_EQ(book.Lookup(records[8].pos, nullptr), 0);
  EXPECT_TRUE(book.IsLoaded(8));
  EXPECT_FALSE(book.IsLoaded(1));
  for (int i : {0, 2, 3, 4, 5, 6, 7}) EXPECT_TRUE(book.IsLoaded(i));
}

}  // namespace
}  // namespace driver
