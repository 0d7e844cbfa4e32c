// Damaged book files: every cut and every lying count, size, slot byte or move
// word is refused whole. A user book keeps what it had; a damaged part of the
// divided book finds nothing. Files that are no book at all, or larger than a
// book may be, are refused with their reason before anything large is read.
// The sanitizer build runs these too.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "tests/engine/driver/book_test_util.h"
#include "engine/driver/ob_editable_hash.h"

namespace driver {
namespace {

using testing::BookRecord;
using testing::Bytes;
using testing::temp;

// The even start with two moves, then the bishop handicap with one.
std::vector<BookRecord> records() {
  std::vector<BookRecord> r(2);
  for (int i = 0; i < 2; ++i) {
    model::Kyokumen k;
    k.Init(i ? model::kKakuOchi : model::kHirate);
    k.ToBookKey(r[i].pos);
    for (int j = 0; j < 2 - i; ++j) r[i].moves.push_back(testing::push(7 - 5 * j, 3 + j, 0x10u << j));
  }
  return r;
}

// Loads the image into a book holding one other position: the load must be
// refused and the book keep exactly that.
void expect_refused(const Bytes& image, const std::string& what) {
  model::Kyokumen k;
  k.Init(model::kHiKyoOchi);
  model::BookPosition pos;
  k.ToBookKey(pos);
  OBEditableHash book;
  book.Insert(pos, {0x1C25, 7}, 1);
  testing::write_file(temp("damaged.book"), image);
  EXPECT_EQ(book.Load(temp("damaged.book").c_str(), 1, 0), -1) << what;
  EXPECT_EQ(book.Lookup(pos, nullptr), 1) << what;
  EXPECT_EQ(book.npositions() * 10 + book.nmoves(), 11u) << what;
}

// Where the last record of each image starts; its count byte and its move.
constexpr size_t kJs5Last = 8 + 46 + 2 * 8, kJsdLast = 16 + 46 + 2 * 10, kCount = 45, kMove = 46;

struct Lie {
  const char* what;
  void (*js5)(Bytes&, size_t);  // null: the layout cannot say it
  void (*jsd)(Bytes&, size_t);
};
void more_moves(Bytes& b, size_t at) { b[at + kCount] = 3; }
void off_board(Bytes& b, size_t at) { b[at + 2] = 95; }
void other_hand_kind(Bytes& b, size_t at) { b[at + 2] = 29; }
void king_in_hand(Bytes& b, size_t at) { b[at] = 89; }
void shared_square(Bytes& b, size_t at) { b[at + 3] = b[at + 2]; }
constexpr Lie kLies[] = {
    {"position count", [](Bytes& b, size_t) { b[4] = 3; }, nullptr},
    {"position count short of the records", [](Bytes& b, size_t) { b[4] = 1; }, nullptr},
    {"bytes after the last record", [](Bytes& b, size_t) { b.push_back(0); }, nullptr},
    {"move count", more_moves, more_moves},
    {"slot byte off the board", off_board, off_board},
    {"hand kind of another group", other_hand_kind, other_hand_kind},
    {"king in hand", king_in_hand, king_in_hand},
    {"two pieces on a square", shared_square, shared_square},
    {"undecodable move", [](Bytes& b, size_t at) { b[at + kMove + 1] = 0x7F; },
     [](Bytes& b, size_t at) { b[at + kMove + 1] = 0x1F; }},
    {"drop of kind 8", [](Bytes& b, size_t at) { b[at + kMove] = 7 * 11 + 9; },
     [](Bytes& b, size_t at) {  // to square 40, from 79: hand column, kind 8
       b[at + kMove] = (40 * 90 + 79) & 0xFF;
       b[at + kMove + 1] = (40 * 90 + 79) >> 8;
     }},
    {"value 16", [](Bytes& b, size_t at) { b[at + kMove + 2] = 16; }, nullptr},
    {"JSD header", nullptr, [](Bytes& b, size_t) { b[9] = 'x'; }},
};

TEST(DamagedUserBooks, CutsAndLiesLeaveTheBookAsItWas) {
  const Bytes js5 = testing::book_image(records(), false), jsd = testing::book_image(records(), true);
  for (size_t n = 0; n < js5.size(); ++n) {
    expect_refused(Bytes(js5.begin(), js5.begin() + n), "JS5 cut " + std::to_string(n));
  }
  // A JSD file ends where fewer bytes than a position follow the header or a
  // whole record; every other cut lies.
  for (size_t n = 0; n < jsd.size(); ++n) {
    if ((n >= 16 && n < 16 + kCount) || (n >= kJsdLast && n < kJsdLast + kCount)) continue;
    expect_refused(Bytes(jsd.begin(), jsd.begin() + n), "JSD cut " + std::to_string(n));
  }
  for (const Lie& lie : kLies) {
    Bytes a = js5, b = jsd;
    if (lie.js5) {
      lie.js5(a, kJs5Last);
      expect_refused(a, std::string("JS5 ") + lie.what);
    }
    if (lie.jsd) {
      lie.jsd(b, kJsdLast);
      expect_refused(b, std::string("JSD ") + lie.what);
    }
  }
}

TEST(DamagedPartFiles, EveryCutAndLieFindsNothing) {
  const BookRecord r = records()[0];
  BookKey key;
  book_key(r.pos, &key);
  const uint32_t nbuckets = 3, bucket = (key.lo ^ key.hi) % nbuckets;
  const Bytes body = testing::part_body({{key, r.moves}}, nbuckets), sound = testing::part_image(body);
  const std::string name = testing::write_divided_book(temp("damaged_parts"), {});
  // What a fresh book finds for the position with the image as part 0.
  const auto found = [&](const Bytes& image) {
    testing::write_file(temp("damaged_parts/joseki/b00.jdb"), image);
    DividedBook book;
    book.SetName(name.c_str());
    const int n = book.Lookup(r.pos, nullptr);
    EXPECT_EQ(book.IsLoaded(0), n > 0);
    return n;
  };
  ASSERT_EQ(found(sound), 2);
  for (size_t n = 0; n < sound.size(); ++n) EXPECT_EQ(found(Bytes(sound.begin(), sound.begin() + n)), 0) << n;

  const auto lie_in_body = [&](size_t at, uint8_t v) {
    Bytes b = body;
    b[at] = v;
    return testing::part_image(b);
  };
  const auto lie_in_header = [&](size_t at, uint32_t v) {
    Bytes b = sound, word;
    testing::put(word, v, 4);
    std::copy(word.begin(), word.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  const size_t entries = 12 + 6 * nbuckets, moves = entries + 13;
  const std::pair<const char*, Bytes> lies[] = {
      {"magic", lie_in_header(4, 0)},
      {"packed size beyond the file", lie_in_header(8, static_cast<uint32_t>(sound.size()))},
      {"unpacked size too small", lie_in_header(12, static_cast<uint32_t>(body.size() - 1))},
      {"unpacked size too large", lie_in_header(12, static_cast<uint32_t>(body.size() + 1))},
      {"unpacked size beyond any packing", lie_in_header(12, 0xFFFFFFF0u)},
      {"no bucket", lie_in_body(0, 0)},
      {"entry count", lie_in_body(4, 2)},
      {"move count", lie_in_body(8, 1)},
      {"bucket range", lie_in_body(12 + 6 * bucket + 4, 2)},
      {"move range", lie_in_body(entries + 12, 3)},
      {"move word", lie_in_body(moves + 1, 0x7F)},
      {"move value", lie_in_body(moves + 2, 16)},
  };
  for (const auto& [what, image] : lies) EXPECT_EQ(found(image), 0) << what;
}

// A file of `bytes` that starts with `head` and holds nothing but zeros after
// it, taking no room on the disk.
void sparse_file(const std::string& path, const Bytes& head, uint64_t bytes) {
  testing::write_file(path, head);
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(bytes)), 0);
}

TEST(BookFiles, WhatIsNoBookIsRefusedWithItsReasonAndNothingLargeIsRead) {
  const auto refused = [](const std::string& path) {
    OBEditableHash book;
    BookFileError why = BookFileError::kNone;
    EXPECT_EQ(book.Load(path.c_str(), 1, 0, &why), -1) << path;
    return why;
  };
  EXPECT_EQ(refused(temp("no_such.js5")), BookFileError::kMissing);
  ::mkdir(temp("folder.js5").c_str(), 0755);
  EXPECT_EQ(refused(temp("folder.js5")), BookFileError::kNotAFile);
  ::mkfifo(temp("pipe.js5").c_str(), 0600);  // no writer: opening must not wait for one
  EXPECT_EQ(refused(temp("pipe.js5")), BookFileError::kNotAFile);
  sparse_file(temp("huge.js5"), {'J', 'S', '5', 0, 1}, kMaxBookFileBytes + 1);
  EXPECT_EQ(refused(temp("huge.js5")), BookFileError::kTooLarge);

  // Parts of the divided book: one that declares 4 GB unpacked from 4 MB
  // packed (within deflate's ratio), one whose packed data alone is too large.
  const BookRecord r = records()[0];
  const std::string name = testing::write_divided_book(temp("huge_parts"), {});
  const auto part_error = [&](const Bytes& head, uint64_t bytes) {
    sparse_file(temp("huge_parts/joseki/b00.jdb"), head, bytes);
    DividedBook book;
    book.SetName(name.c_str());
    EXPECT_EQ(book.Lookup(r.pos, nullptr), 0);
    EXPECT_FALSE(book.IsLoaded(0));
    return book.PartError(0);
  };
  Bytes head = {'J', 'o', 'S', 'e', 'K', 'i', '5', 0};
  testing::put(head, 4u << 20, 4);
  testing::put(head, 0xFFFFFFFFu, 4);
  EXPECT_EQ(part_error(head, 16 + (4u << 20)), BookFileError::kTooLarge);
  head.resize(8);
  testing::put(head, static_cast<uint32_t>(kMaxBookFileBytes + 1), 4);
  testing::put(head, 100, 4);
  EXPECT_EQ(part_error(head, 16 + kMaxBookFileBytes + 1), BookFileError::kTooLarge);
  EXPECT_EQ(part_error({'J', 'S', '5', 0}, 4), BookFileError::kNotABook);
  std::remove(temp("huge_parts/joseki/b00.jdb").c_str());
  DividedBook missing;
  missing.SetName(name.c_str());
  EXPECT_FALSE(missing.AnyPartFile());
  EXPECT_EQ(missing.Lookup(r.pos, nullptr), 0);
  EXPECT_EQ(missing.PartError(0), BookFileError::kMissing);
}

}  // namespace
}  // namespace driver
