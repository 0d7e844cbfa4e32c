// User books: editing, the JS5 and JSD files, and the slots that hold them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/engine/driver/book_test_util.h"
#include "engine/driver/joseki_edit.h"
#include "engine/driver/opening_book_editable.h"

namespace driver {
namespace {

using testing::push, testing::temp;

model::BookPosition start_position(int32_t handicap = model::kHirate) {
  model::Kyokumen k;
  k.Init(handicap);
  model::BookPosition pos;
  k.ToBookKey(pos);
  return pos;
}

TEST(OBEditableHash, InsertModesRemoveAndTheMoveLimit) {
  OBEditableHash book;
  const model::BookPosition pos = start_position();
  BookMove got[kMaxBookPositionMoves];
  EXPECT_EQ(book.Insert(pos, push(7, 5, 0x1), 1), 2);
  EXPECT_EQ(book.Insert(pos, push(7, 9, 0x2), 1), 0);  // replaced
  EXPECT_EQ(book.Insert(pos, push(7, 4, 0x4), 2), 0);  // merged
  EXPECT_EQ(book.Insert(pos, push(7, 1, 0x8), 0), 0);  // kept
  EXPECT_EQ(book.Lookup(pos, got), 1);
  EXPECT_EQ(got[0], push(7, 4, 0x6));
  EXPECT_EQ(book.Insert(pos, push(2, 3), 1), 1);
  EXPECT_EQ(book.Insert(pos, push(3, 16), 1), -1);  // no value above 15
  EXPECT_EQ(book.Insert(start_position(model::kKakuOchi), push(3, 3), 1), 2);
  EXPECT_EQ(book.Remove(pos, &got[0]), 1);
  EXPECT_EQ(book.Remove(pos, &got[0]), 0);
  const BookMove last = push(2, 0);
  EXPECT_EQ(book.Remove(pos, &last), 2);  // its only move: the position goes
  EXPECT_EQ(book.npositions(), 1u);
  EXPECT_EQ(book.nmoves(), 1u);

  // A position keeps at most 255 moves, so that its count byte holds them.
  for (uint32_t id = 1; book.Lookup(pos, nullptr) < kMaxBookPositionMoves; ++id) book.Insert(pos, {id, 0}, 1);
  EXPECT_EQ(book.Insert(pos, {0x5B5C, 0}, 1), -1);
  EXPECT_EQ(book.nmoves(), kMaxBookPositionMoves + 1u);
}

// Every key has the same hi word and the first slot byte as lo.
int equal_hi_key(const model::BookPosition& pos, BookKey* out) {
  *out = BookKey{pos.slot[0], 77};
  return 0;
}

TEST(OBEditableHash, KeysWithEqualHiAndDifferentLoStayApart) {
  OBEditableHash book(OBEditableHash::kDefaultBuckets, equal_hi_key);
  model::BookPosition pos[3] = {start_position(), start_position(), start_position()};
  pos[1].slot[0] = 70;  // lo 84, 70, 60: inserted out of order
  pos[2].slot[0] = 60;
  for (int i : {0, 2, 1}) EXPECT_EQ(book.Insert(pos[i], push(i + 1, 1), 1), 2);
  for (int i = 0; i < 3; ++i) {
    BookMove got[kMaxBookPositionMoves];
    ASSERT_EQ(book.Lookup(pos[i], got), 1);
    EXPECT_EQ(got[0], push(i + 1, 1));
  }
  EXPECT_EQ(book.Remove(pos[1], nullptr), 2);
  EXPECT_EQ(book.Lookup(pos[0], nullptr) + book.Lookup(pos[1], nullptr) + book.Lookup(pos[2], nullptr), 2);
}

// A book of random-game positions with some of their moves at random values.
void fill(OBEditableHash& book, uint32_t seed) {
  std::mt19937 rng(seed);
  for (const model::Kyokumen& k : testing::random_game_positions(seed, 8, 60)) {
    model::Sashite moves[8];
    const int n = board::testing::random_legal_moves(k, rng, moves, 1 + static_cast<int>(rng() % 8));
    model::BookPosition pos;
    k.ToBookKey(pos);
    for (int i = 0; i < n; ++i) {
      BookMove m;
      ASSERT_TRUE(book_move_from_sashite(k, moves[i], static_cast<int>(rng() % 16), rng(), &m));
      book.Insert(pos, m, 1);
    }
  }
}

// `b` holds what `a` holds, moves in the same order; with `flipped` every
// value v of `a` is 15 - v in `b`.
void expect_same_book(const OBEditableHash& a, const OBEditableHash& b, bool flipped = false) {
  EXPECT_EQ(a.npositions(), b.npositions());
  EXPECT_EQ(a.nmoves(), b.nmoves());
  a.ForEachInFileOrder([&](const model::BookPosition& pos, const BookMove* moves, int n) {
    BookMove got[kMaxBookPositionMoves];
    ASSERT_EQ(b.Lookup(pos, got), n);
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(got[i].code, flipped ? book_code_with_value(moves[i].code, 15 - book_move_value(moves[i].code))
                                     : moves[i].code);
      EXPECT_EQ(got[i].senkei, moves[i].senkei);
    }
  });
}

// Clear leaves no entry: both counts 0, no chain visited, every position
// absent, and a position inserted again is new; the buckets stay.
TEST(OBEditableHash, ClearEmptiesTheBookAndItFillsAgain) {
  OBEditableHash book(OBEditableHash::kMinBuckets);
  fill(book, 5);
  ASSERT_GT(book.npositions(), 1u);
  const uint64_t empty_bytes = OBEditableHash(OBEditableHash::kMinBuckets).FileBytes();
  ASSERT_GT(book.FileBytes(), empty_bytes);
  book.Clear();
  EXPECT_EQ(book.npositions(), 0u);
  EXPECT_EQ(book.nmoves(), 0u);
  EXPECT_EQ(book.nbuckets(), OBEditableHash::kMinBuckets);
  EXPECT_EQ(book.FileBytes(), empty_bytes);
  int visited = 0;
  book.ForEachInFileOrder([&](const model::BookPosition&, const BookMove*, int) { ++visited; });
  EXPECT_EQ(visited, 0);
  const model::BookPosition pos = start_position();
  EXPECT_EQ(book.Lookup(pos, nullptr), 0);
  EXPECT_EQ(book.Remove(pos, nullptr), 0);
  EXPECT_EQ(book.Insert(pos, push(7, 5), 1), 2);
  EXPECT_EQ(book.npositions(), 1u);
  EXPECT_EQ(book.nmoves(), 1u);
  book.Clear();
  book.Clear();  // an empty book clears again
  EXPECT_EQ(book.npositions(), 0u);
}

TEST(UserBookFiles, Js5AndJsdRoundTrips) {
  OBEditableHash book;
  fill(book, 3);
  ASSERT_GT(book.npositions(), 300u);
  const std::string path = temp("round.js5");
  ASSERT_EQ(book.Save(path.c_str()), 0);
  OBEditableHash loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), 1, 0), 0);
  expect_same_book(book, loaded);
  // The file is the JS5 layout, positions in bucket order.
  uint32_t last_bucket = 0;
  std::vector<testing::BookRecord> records;
  book.ForEachInFileOrder([&](const model::BookPosition& pos, const BookMove* moves, int n) {
    BookKey k;
    book_key(pos, &k);
    EXPECT_GE((k.lo ^ k.hi) % book.nbuckets(), last_bucket);
    last_bucket = (k.lo ^ k.hi) % book.nbuckets();
    records.push_back({pos, std::vector<BookMove>(moves, moves + n)});
  });
  std::ifstream saved(path, std::ios::binary);
  EXPECT_EQ(testing::Bytes(std::istreambuf_iterator<char>(saved), {}), testing::book_image(records, false));
  // JSD files at the lowest and the highest level, with fewer bytes than a
  // position after the last record.
  testing::Bytes jsd = testing::book_image(records, true);
  jsd.insert(jsd.end(), 44, 0);
  testing::write_file(temp("levels.jsd"), jsd);
  OBEditableHash low, high;
  ASSERT_EQ(low.Load(temp("levels.jsd").c_str(), 1, 0), 0);
  ASSERT_EQ(high.Load(temp("levels.jsd").c_str(), 1, 7), 0);
  expect_same_book(book, low);
  expect_same_book(book, high, true);
  EXPECT_EQ(low.Load(temp("levels.jsd").c_str(), 1, 8), -1);  // there is no level 8

  // An empty book saves, but a JS5 file of no position is no book, nor is a
  // file with other first bytes; a save that cannot finish (the disk full after
  // 4 bytes) leaves the file as it was and no temporary file beside it.
  OBEditableHash empty;
  BookFileError why;
  ASSERT_EQ(empty.Save(temp("empty.js5").c_str()), 0);
  EXPECT_EQ(loaded.Load(temp("empty.js5").c_str(), 1, 0, &why), -1);
  EXPECT_EQ(why, BookFileError::kNoPositions);
  testing::write_file(temp("other.bin"), {'K', 'I', 'F', 0, 1, 2});
  EXPECT_EQ(loaded.Load(temp("other.bin").c_str(), 1, 0, &why), -1);
  EXPECT_EQ(why, BookFileError::kNotABook);
  {
    testing::FileSizeLimit full(4);
    EXPECT_EQ(empty.Save(path.c_str()), -1);
  }
  for (const std::string& name : testing::folder_names(temp(""))) {
    EXPECT_TRUE(name.rfind("round.js5", 0) != 0 || name == "round.js5") << name;
  }
  ASSERT_EQ(loaded.Load(path.c_str(), 1, 0), 0);
  expect_same_book(book, loaded);
}

TEST(OpeningBookEditable, AFileThatDoesNotLoadLeavesTheSlots) {
  const std::string path = temp("slots.js5"), cut = temp("cut.js5");
  OBEditableHash source;
  fill(source, 5);
  ASSERT_EQ(source.Save(path.c_str()), 0);
  testing::write_file(cut, {'J', 'S', '5', 0, 9, 0, 0, 0});
  OpeningBookEditable books(2);
  EXPECT_EQ(books.Open(cut.c_str(), 0, 1, 0), -1);
  EXPECT_EQ(books.Open(path.c_str(), -1, 1, 0), 0);  // the first free slot, now current
  EXPECT_EQ(books.NewSlot(5), 1);
  EXPECT_EQ(books.Open(cut.c_str(), 0, 1, 0) + books.Import(cut.c_str(), 0, 1, 0), -2);
  expect_same_book(source, *books.Current());
  EXPECT_EQ(books.Close(0) + books.Select(0), -1);
  books_free_all(books);
  EXPECT_EQ(books.Book(1), nullptr);
}

}  // namespace
}  // namespace driver
