// Damaged book files: every cut and every lying count, size, slot byte or move
// word is refused whole. A user book keeps what it had; a damaged part of the
// divided book finds nothing. The sanitizer build runs these too.
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <string>

#include "book_test_util.h"
#include "engine/driver/ob_editable_hash.h"

namespace driver {
namespace {

using testing::Bytes;
using testing::BookRecord;

std::string temp(const std::string& name) { return ::testing::TempDir() + "/" + name; }

// Two records: the even start with two moves, the bishop handicap with one.
std::vector<BookRecord> records() {
  std::vector<BookRecord> r;
  for (int side = 0; side < 2; ++side) {
    model::Kyokumen k;
    k.Init(side ? model::kKakuOchi : model::kHirate);
    BookRecord rec;
    k.ToBookKey(rec.pos);
    for (int i = 0; i <= 1 - side; ++i) {
      uint32_t code = static_cast<uint32_t>(3 + i) << 16;
      book_code_encode(&code, false, 7 - 5 * i, 7, 7 - 5 * i, 6, 0);
      rec.moves.push_back({code, 0x10u << i});
    }
    r.push_back(rec);
  }
  return r;
}

Bytes js5_image(const std::vector<BookRecord>& recs) {
  Bytes b = {'J', 'S', '5', 0};
  testing::put_u32(b, static_cast<uint32_t>(recs.size()));
  for (const BookRecord& r : recs) {
    testing::put_position(b, r.pos);
    b.push_back(static_cast<uint8_t>(r.moves.size()));
    for (const BookMove& m : r.moves) {
      testing::put_u32(b, m.code);
      testing::put_u32(b, m.senkei);
    }
  }
  return b;
}

// A book holding one position of its own, and what a refused load must leave.
struct Witness {
  OBEditableHash book;
  model::BookPosition pos;
  Witness() {
    model::Kyokumen k;
    k.Init(model::kHiKyoOchi);
    k.ToBookKey(pos);
    book.Insert(pos, {0x1C25, 7}, 1);
  }
  // The image is refused and the book still holds exactly its one move.
  void ExpectRefused(const Bytes& image, const std::string& what) {
    const std::string path = temp("damaged.book");
    testing::write_file(path, image);
    EXPECT_EQ(book.Load(path.c_str(), 1, 0), -1) << what;
    BookMove got[kMaxBookPositionMoves];
    EXPECT_EQ(book.Lookup(pos, got), 1) << what;
    EXPECT_EQ(book.npositions(), 1u) << what;
    EXPECT_EQ(book.nmoves(), 1u) << what;
  }
};

// Where the last record starts in the images of records(): its position, then
// the count byte and the move.
constexpr size_t kJs5Last = 8 + 46 + 2 * 8, kJsdLast = 16 + 46 + 2 * 10, kCount = 45, kMove = 46;

void put_u16_at(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

struct Lie {
  const char* what;
  void (*js5)(Bytes&, size_t);  // null: the layout cannot say it
  void (*jsd)(Bytes&, size_t);
};
constexpr Lie kLies[] = {
    {"position count", [](Bytes& b, size_t) { b[4] = 3; }, nullptr},
    {"move count", [](Bytes& b, size_t at) { b[at + kCount] = 3; }, [](Bytes& b, size_t at) { b[at + kCount] = 3; }},
    {"slot byte off the board", [](Bytes& b, size_t at) { b[at + 2] = 95; }, [](Bytes& b, size_t at) { b[at + 2] = 95; }},
    {"hand kind of another group", [](Bytes& b, size_t at) { b[at + 2] = 29; },
     [](Bytes& b, size_t at) { b[at + 2] = 29; }},
    {"king in hand", [](Bytes& b, size_t at) { b[at] = 89; }, [](Bytes& b, size_t at) { b[at] = 89; }},
    {"two pieces on a square", [](Bytes& b, size_t at) { b[at + 3] = b[at + 2]; },
     [](Bytes& b, size_t at) { b[at + 3] = b[at + 2]; }},
    {"undecodable move", [](Bytes& b, size_t at) { b[at + kMove + 1] = 0x7F; },
     [](Bytes& b, size_t at) { b[at + kMove + 1] = 0x1F; }},
    {"drop of kind 8", [](Bytes& b, size_t at) { b[at + kMove] = 7 * 11 + 9; },
     [](Bytes& b, size_t at) { put_u16_at(b, at + kMove, 40 * 90 + 79); }},
    {"value 16", [](Bytes& b, size_t at) { b[at + kMove + 2] = 16; }, nullptr},
    {"JSD header", nullptr, [](Bytes& b, size_t) { b[9] = 'x'; }},
};

TEST(DamagedUserBooks, CutsAndLiesLeaveTheBookAsItWas) {
  Witness w;
  const Bytes js5 = js5_image(records());
  for (size_t n = 0; n < js5.size(); ++n) {
    w.ExpectRefused(Bytes(js5.begin(), js5.begin() + n), "JS5 cut at " + std::to_string(n));
  }
  // A JSD file ends where fewer bytes than a position follow the header or a
  // whole record; every other cut lies.
  const Bytes jsd = testing::jsd_image(records());
  for (size_t n = 0; n < jsd.size(); ++n) {
    if ((n >= 16 && n < 16 + kCount) || (n >= kJsdLast && n < kJsdLast + kCount)) continue;
    w.ExpectRefused(Bytes(jsd.begin(), jsd.begin() + n), "JSD cut at " + std::to_string(n));
  }
  for (const Lie& lie : kLies) {
    Bytes a = js5, b = jsd;
    if (lie.js5) {
      lie.js5(a, kJs5Last);
      w.ExpectRefused(a, std::string("JS5 ") + lie.what);
    }
    if (lie.jsd) {
      lie.jsd(b, kJsdLast);
      w.ExpectRefused(b, std::string("JSD ") + lie.what);
    }
  }
}

TEST(DamagedPartFiles, EveryCutAndLieFindsNothing) {
  const std::vector<BookRecord> recs = records();
  BookKey key;
  book_key(recs[0].pos, &key);
  const uint32_t nbuckets = 3;
  const Bytes body = testing::part_body({{key, recs[0].moves}}, nbuckets);
  const Bytes sound = testing::part_image(body);
  const std::string dir = temp("damaged_parts");
  ::mkdir(dir.c_str(), 0755);
  // The image as part 0 of a fresh book: what a lookup of the start position finds.
  const auto found = [&](const Bytes& image) {
    const std::string name = testing::write_divided_book(dir, {});
    testing::write_file(dir + "/joseki/b00.jdb", image);
    DividedBook book;
    book.SetName(name.c_str());
    BookMove got[kMaxBookPositionMoves];
    const int n = book.Lookup(recs[0].pos, got);
    EXPECT_EQ(book.IsLoaded(0), n > 0);
    return n;
  };
  ASSERT_EQ(found(sound), 2);
  for (size_t n = 0; n < sound.size(); ++n) EXPECT_EQ(found(Bytes(sound.begin(), sound.begin() + n)), 0) << "cut at " << n;

  const auto with_body = [&](const std::function<void(Bytes&)>& lie) {
    Bytes b = body;
    lie(b);
    return testing::part_image(b);
  };
  const auto header = [&](size_t at, uint32_t v) {
    Bytes b = sound;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> 8 * i);
    return b;
  };
  const size_t buckets = 12, entries = buckets + 6 * nbuckets, moves = entries + 13;
  const uint32_t bucket = (key.lo ^ key.hi) % nbuckets;
  const std::vector<std::pair<std::string, Bytes>> lies = {
      {"magic", [&] { Bytes b = sound; b[6] = '4'; return b; }()},
      {"packed size beyond the file", header(8, static_cast<uint32_t>(sound.size()))},
      {"unpacked size too small", header(12, static_cast<uint32_t>(body.size() - 1))},
      {"unpacked size too large", header(12, static_cast<uint32_t>(body.size() + 1))},
      {"unpacked size beyond any packing", header(12, 0xFFFFFFF0u)},
      {"no bucket", with_body([](Bytes& b) { b[0] = 0; })},
      {"entry count", with_body([](Bytes& b) { b[4] = 2; })},
      {"move count", with_body([](Bytes& b) { b[8] = 1; })},
      {"bucket range", with_body([&](Bytes& b) { b[buckets + 6 * bucket + 4] = 2; })},
      {"move range", with_body([&](Bytes& b) { b[entries + 12] = 3; })},
      {"move word", with_body([&](Bytes& b) { b[moves + 1] = 0x7F; })},
      {"move value", with_body([&](Bytes& b) { b[moves + 2] = 16; })},
  };
  for (const auto& [what, image] : lies) EXPECT_EQ(found(image), 0) << what;
}

}  // namespace
}  // namespace driver
