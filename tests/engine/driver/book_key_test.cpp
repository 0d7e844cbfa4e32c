// The book's position key and move word: the same 45 bytes from a game-record
// position and from the engine position, the key against the game model's
// hash, the move word round trip, and the little-endian file reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/bridge/position_bridge.h"
#include "engine/driver/bin_file.h"
#include "engine/driver/books_select.h"
#include "engine/driver/joseki_edit.h"
#include "tests/engine/driver/book_test_util.h"

namespace driver {
namespace {

bool in_hand(uint8_t b) { return b != kBookEmptySlot && b % 10 == kBookHandColumn; }

TEST(BookPosition, RecordAndEnginePositionsGiveTheSameBytesAndKey) {
  int gote_to_move = 0, hands = 0, promoted = 0, one_king = 0;
  for (const model::Kyokumen& k : testing::random_game_positions(11, 40, 160)) {
    model::BookPosition from_record, from_engine;
    ASSERT_TRUE(k.ToBookKey(from_record));
    board::KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    book_position_from_kposition(&from_engine, p);
    ASSERT_EQ(from_engine, from_record);
    // The key is the game model's hash of the same position.
    BookKey key;
    uint32_t hash[2];
    book_key(from_record, &key);
    k.CalcHash(hash);
    ASSERT_EQ(key, (BookKey{hash[0], hash[1]}));
    gote_to_move += k.teban;
    hands += std::any_of(from_record.slot, from_record.slot + 40, in_hand);
    promoted += from_record.promoted[4] != 0;
    one_king += from_record.slot[0] == kBookEmptySlot;
  }
  EXPECT_GT(gote_to_move, 100);
  EXPECT_GT(hands, 100);
  EXPECT_GT(promoted, 20);
  EXPECT_GT(one_king, 100);
}

TEST(BookMoveWord, EveryMoveOfRandomPositionsRoundTrips) {
  int drops = 0, promotions = 0;
  for (const model::Kyokumen& k : testing::random_game_positions(12, 12, 120)) {
    board::KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    model::Sashite all[model::kMaxSashite];
    const int n = k.GenerateAll(all);
    const auto turn = [&k](int v) { return k.teban ? 10 - v : v; };
    for (const model::Sashite& m : std::vector<model::Sashite>(all, all + n)) {
      BookMove bm;
      ASSERT_TRUE(book_move_from_sashite(k, m, 9, 0, &bm));
      EXPECT_TRUE(book_move_is_sound(bm));
      // Decoded in the mover's view; a drop as file 11 with the hand kind (a
      // gote pawn drop as 11, 7).
      int fx, fy, tx, ty, promote;
      ASSERT_EQ(book_code_decode(bm.code, &fx, &fy, &tx, &ty, &promote), 0);
      EXPECT_EQ(fx, m.IsDrop() ? kBookDropFile : turn(m.from_x));
      EXPECT_EQ(fy, m.IsDrop() ? 8 - m.from_y : turn(m.from_y));
      EXPECT_EQ(tx * 10 + ty + promote * 100, turn(m.to_x) * 10 + turn(m.to_y) + (m.nari != 0) * 100);
      drops += m.IsDrop();
      promotions += promote;
      // As an engine move it is the bridge's conversion of the same move.
      board::KMove direct, via_book;
      ASSERT_EQ(bridge::sashite_to_kmove(direct, p, m), 0);
      ASSERT_EQ(book_move_to_kmove(bm, p, &via_book), 1);
      EXPECT_EQ(std::memcmp(&direct, &via_book, 8), 0);
    }
  }
  EXPECT_GT(drops, 1000);
  EXPECT_GT(promotions, 100);
  EXPECT_EQ(book_code_decode(9 << 8 | 10, nullptr, nullptr, nullptr, nullptr, nullptr), -1);  // from file 11
  EXPECT_EQ(book_code_decode(99 << 8, nullptr, nullptr, nullptr, nullptr, nullptr), -1);      // to rank 10
  EXPECT_FALSE(book_move_is_sound({86 | 40 << 8, 0}));             // a king drop decodes, but is no move
  EXPECT_FALSE(book_move_is_sound({40 | 40 << 8, 0}));             // nor is staying
  EXPECT_FALSE(book_move_is_sound({39 | 40 << 8 | 16 << 16, 0}));  // value 16
}

TEST(BinFileRead, ShortReadsFailWithoutMovingAndAllOnesIsAValue) {
  const std::string path = ::testing::TempDir() + "/bin_file.bin";
  testing::write_file(path, {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3});
  auto f = BinFile::Open(path.c_str(), 0);
  uint32_t v = 0;
  uint16_t w = 0;
  EXPECT_TRUE(f->ReadU32(&v) && v == 0xFFFFFFFFu);
  EXPECT_FALSE(f->ReadU32(&v));
  EXPECT_TRUE(f->ReadU16(&w) && w == 0x0201);
  EXPECT_EQ(f->WriteU8(1), -1);
}

}  // namespace
}  // namespace driver
