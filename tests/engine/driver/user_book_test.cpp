// User books: editing, the JS5 and JSD files, and the slots that hold them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>
#include <string>

#include "book_test_util.h"
#include "engine/driver/joseki_edit.h"
#include "engine/driver/opening_book_editable.h"

namespace driver {
namespace {

using testing::Bytes;
using testing::random_game_positions;

std::string temp(const std::string& name) { return ::testing::TempDir() + "/" + name; }

// The even start, or with `handicap` the bishop handicap.
model::BookPosition start_position(bool handicap = false) {
  model::Kyokumen k;
  k.Init(handicap ? model::kKakuOchi : model::kHirate);
  model::BookPosition pos;
  k.ToBookKey(pos);
  return pos;
}

// A move of the start position in the mover's view: file, rank to file, rank.
BookMove move(int fx, int fy, int tx, int ty, int value, uint32_t senkei = 0) {
  uint32_t code = static_cast<uint32_t>(value) << 16;
  book_code_encode(&code, false, fx, fy, tx, ty, 0);
  return {code, senkei};
}

TEST(OBEditableHash, InsertModesRemoveAndTheMoveLimit) {
  OBEditableHash book;
  const model::BookPosition pos = start_position();
  EXPECT_EQ(book.Insert(pos, move(7, 7, 7, 6, 5, 0x1), 1), 2);
  EXPECT_EQ(book.Insert(pos, move(7, 7, 7, 6, 9, 0x2), 1), 0);  // replaced
  BookMove got[kMaxBookPositionMoves];
  ASSERT_EQ(book.Lookup(pos, got), 1);
  EXPECT_EQ(got[0], move(7, 7, 7, 6, 9, 0x2));
  EXPECT_EQ(book.Insert(pos, move(7, 7, 7, 6, 4, 0x4), 2), 0);  // merged
  EXPECT_EQ(book.Insert(pos, move(7, 7, 7, 6, 1, 0x8), 0), 0);  // kept
  book.Lookup(pos, got);
  EXPECT_EQ(got[0], move(7, 7, 7, 6, 4, 0x6));
  EXPECT_EQ(book.Insert(pos, move(2, 7, 2, 6, 3), 1), 1);
  EXPECT_EQ(book.Insert(pos, move(2, 7, 2, 6, 16), 1), -1);  // no value above 15
  EXPECT_EQ(book.nmoves(), 2u);
  EXPECT_EQ(book.Remove(pos, &got[0]), 1);
  EXPECT_EQ(book.Remove(pos, &got[0]), 0);
  EXPECT_EQ(book.Insert(start_position(true), move(3, 7, 3, 6, 3), 1), 2);
  EXPECT_EQ(book.npositions(), 2u);
  BookMove last = move(2, 7, 2, 6, 3);
  EXPECT_EQ(book.Remove(pos, &last), 2);  // its only move: the position goes
  EXPECT_EQ(book.npositions(), 1u);
  EXPECT_EQ(book.Lookup(pos, nullptr), 0);

  // A position keeps at most 255 moves, so that its count byte holds them.
  int added = 0;
  for (uint32_t id = 1; id < 0x8000 && added < kMaxBookPositionMoves; ++id) {
    if (book_move_is_sound({id, 0})) added += book.Insert(pos, {id, 0}, 1) > 0;
  }
  EXPECT_EQ(book.Lookup(pos, nullptr), kMaxBookPositionMoves);
  EXPECT_EQ(book.Insert(pos, {0x5B5C, 0}, 1), -1);
  EXPECT_EQ(book.Lookup(pos, nullptr), kMaxBookPositionMoves);
}

// Every position's key has the same hi word and its first slot byte as lo.
int equal_hi_key(const model::BookPosition& pos, BookKey* out) {
  *out = BookKey{pos.slot[0], 77};
  return 0;
}

TEST(OBEditableHash, KeysWithEqualHiAndDifferentLoStayApart) {
  OBEditableHash book(OBEditableHash::kDefaultBuckets, equal_hi_key);
  model::BookPosition a = start_position(), b = a, c = a;
  b.slot[0] = 60;  // larger lo
  c.slot[0] = 70;
  EXPECT_EQ(book.Insert(a, move(7, 7, 7, 6, 1), 1), 2);
  EXPECT_EQ(book.Insert(c, move(2, 7, 2, 6, 2), 1), 2);
  EXPECT_EQ(book.Insert(b, move(5, 9, 5, 8, 3), 1), 2);
  for (const auto& [pos, id] : {std::pair{a, move(7, 7, 7, 6, 1)}, {b, move(5, 9, 5, 8, 3)}, {c, move(2, 7, 2, 6, 2)}}) {
    BookMove got[kMaxBookPositionMoves];
    ASSERT_EQ(book.Lookup(pos, got), 1);
    EXPECT_EQ(got[0], id);
  }
  EXPECT_EQ(book.Remove(b, nullptr), 2);
  EXPECT_EQ(book.Lookup(a, nullptr) + book.Lookup(c, nullptr), 2);
}

// A book of random-game positions with their legal moves at random values.
void fill(OBEditableHash& book, uint32_t seed) {
  std::mt19937 rng(seed);
  for (const model::Kyokumen& k : random_game_positions(seed, 8, 60)) {
    model::Sashite moves[8];
    const int n = board::testing::random_legal_moves(k, rng, moves, 1 + static_cast<int>(rng() % 8));
    model::BookPosition pos;
    ASSERT_TRUE(k.ToBookKey(pos));
    for (int i = 0; i < n; ++i) {
      BookMove m;
      ASSERT_TRUE(book_move_from_sashite(k, moves[i], static_cast<int>(rng() % 16), rng(), &m));
      book.Insert(pos, m, 1);
    }
  }
}

// Every position of `a` with the same moves in `b`, in the same order.
void expect_same_book(const OBEditableHash& a, const OBEditableHash& b) {
  EXPECT_EQ(a.npositions(), b.npositions());
  EXPECT_EQ(a.nmoves(), b.nmoves());
  a.ForEachInFileOrder([&](const model::BookPosition& pos, const BookMove* moves, int n) {
    BookMove got[kMaxBookPositionMoves];
    ASSERT_EQ(b.Lookup(pos, got), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ(got[i], moves[i]);
  });
}

TEST(UserBookFiles, Js5SaveLoadRoundTripInBucketOrder) {
  OBEditableHash book;
  fill(book, 3);
  ASSERT_GT(book.npositions(), 300u);
  const std::string path = temp("round.js5");
  ASSERT_EQ(book.Save(path.c_str()), 0);
  OBEditableHash loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), 1, 0), 0);
  expect_same_book(book, loaded);
  // Records stand in bucket order.
  uint32_t last_bucket = 0;
  book.ForEachInFileOrder([&](const model::BookPosition& pos, const BookMove*, int) {
    BookKey k;
    book_key(pos, &k);
    EXPECT_GE((k.lo ^ k.hi) % book.nbuckets(), last_bucket);
    last_bucket = (k.lo ^ k.hi) % book.nbuckets();
  });
  // An empty book saves and loads; a file with other first bytes is an empty
  // book; a save that cannot finish leaves the file as it was.
  OBEditableHash empty;
  ASSERT_EQ(empty.Save(temp("empty.js5").c_str()), 0);
  EXPECT_EQ(loaded.Load(temp("empty.js5").c_str(), 1, 0), 0);
  testing::write_file(temp("other.bin"), {'K', 'I', 'F', 0, 1, 2});
  EXPECT_EQ(loaded.Load(temp("other.bin").c_str(), 1, 0), 0);
  expect_same_book(book, loaded);
  const Bytes before = testing::read_file(path);
  ::mkdir((path + ".tmp").c_str(), 0755);
  EXPECT_EQ(empty.Save(path.c_str()), -1);
  EXPECT_EQ(testing::read_file(path), before);
  ::rmdir((path + ".tmp").c_str());
}

TEST(UserBookFiles, JsdLevelsChooseTheValue) {
  OBEditableHash book;
  fill(book, 4);
  std::vector<testing::BookRecord> records;
  book.ForEachInFileOrder([&](const model::BookPosition& pos, const BookMove* moves, int n) {
    records.push_back({pos, std::vector<BookMove>(moves, moves + n)});
  });
  const std::string path = temp("levels.jsd");
  Bytes image = testing::jsd_image(records);
  image.insert(image.end(), 44, 0);  // fewer bytes than a position after the last record
  testing::write_file(path, image);
  OBEditableHash low, high;
  ASSERT_EQ(low.Load(path.c_str(), 1, 0), 0);
  ASSERT_EQ(high.Load(path.c_str(), 1, 7), 0);
  expect_same_book(book, low);
  high.ForEachInFileOrder([&](const model::BookPosition& pos, const BookMove* moves, int n) {
    BookMove got[kMaxBookPositionMoves];
    ASSERT_EQ(book.Lookup(pos, got), n);
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(book_move_id(moves[i].code), book_move_id(got[i].code));
      EXPECT_EQ(book_move_value(moves[i].code), 15 - book_move_value(got[i].code));
    }
  });
  EXPECT_EQ(low.Load(path.c_str(), 1, 8), -1);  // no level 8
}

TEST(OpeningBookEditable, SlotsOpenImportCloseAndSelect) {
  OBEditableHash source;
  fill(source, 5);
  const std::string path = temp("slots.js5");
  ASSERT_EQ(source.Save(path.c_str()), 0);
  testing::write_file(temp("cut.js5"), {'J', 'S', '5', 0, 9, 0, 0, 0});

  OpeningBookEditable books(2);
  EXPECT_EQ(books.Current(), nullptr);
  EXPECT_EQ(books.Open(temp("cut.js5").c_str(), 0, 1, 0), -1);
  EXPECT_EQ(books.Book(0), nullptr);
  EXPECT_EQ(books.Open(path.c_str(), -1, 1, 0), 0);  // the first free slot, now current
  EXPECT_EQ(books.current(), 0u);
  EXPECT_EQ(books.NewSlot(5), 1);
  EXPECT_EQ(books.current(), 0u);
  EXPECT_EQ(books.Open(temp("cut.js5").c_str(), 0, 1, 0), -1);  // the open book stays
  EXPECT_EQ(books.Book(0)->npositions(), source.npositions());
  EXPECT_EQ(books.Import(path.c_str(), 1, 1, 0), 1);
  EXPECT_EQ(books.Import(temp("cut.js5").c_str(), 1, 1, 0), -1);
  expect_same_book(source, *books.Book(1));
  EXPECT_EQ(books.Select(1), 1);
  EXPECT_EQ(books.Close(0), 0);
  EXPECT_EQ(books.Close(0), -1);
  EXPECT_EQ(books.Select(0), -1);
  books_free_all(books);
  EXPECT_EQ(books.Current(), nullptr);
  EXPECT_EQ(books.current(), 1u);
  EXPECT_EQ(books.Import(path.c_str(), 1, 1, 0), -1);
}

}  // namespace
}  // namespace driver
