#include <gtest/gtest.h>

#include <set>

#include "engine/driver/hash_key_table.h"
#include "engine/driver/kifu_hyouka.h"
#include "engine/driver/koma_convert.h"

namespace driver {
namespace {

TEST(KifuHyouka, ResetClearsTheThinkResultButNotTheUsersNotes) {
  KifuHyouka h;
  h.annotation = 3;
  h.text = model::KString::KStringFromC("読み筋");
  h.value = 120;
  h.counter1 = h.counter2 = h.predicted_reply = 7;
  h.pv = {1, 2, 3};
  h.result_kind = KifuHyouka::kResultMate;
  h.display_flag = h.threat = 1;
  h.speed = 1e6;
  const size_t capacity = h.pv.capacity();
  h.Reset();
  EXPECT_EQ(h.value, KifuHyouka::kNoValue);
  EXPECT_EQ(h.counter1 + h.counter2 + h.predicted_reply + h.result_kind + h.display_flag + h.threat, 0);
  EXPECT_EQ(h.speed, 0);
  EXPECT_TRUE(h.pv.empty());
  EXPECT_EQ(h.pv.capacity(), capacity);
  EXPECT_EQ(h.annotation, 3);
  EXPECT_STREQ(h.text.c_str(), "読み筋");
}

TEST(HashKeyTable, KeysAreDistinct) {
  std::set<uint64_t> seen;
  for (const HashKey64& k : kHashKeyTable) seen.insert((static_cast<uint64_t>(k.w1) << 32) | k.w0);
  EXPECT_EQ(seen.size(), static_cast<size_t>(kHashKeyCount));
}

TEST(KomaConvert, RoundTripsEveryPiece) {
  for (int side = 0; side < 2; ++side) {
    for (int t = 1; t < 16; ++t) {
      if (t == model::kNone13) continue;
      const model::Koma k{static_cast<uint8_t>(t | (side ? model::kGoteBit : 0))};
      const int e = koma_gui_to_engine(k);
      EXPECT_EQ(e & (kEngineSente | kEngineGote), side ? kEngineGote : kEngineSente);
      EXPECT_EQ(koma_engine_to_gui(e), k.code);
    }
  }
  EXPECT_EQ(koma_gui_to_engine(model::Koma{0}), 0);
  EXPECT_EQ(koma_gui_to_engine(model::Koma{model::kNone13}), 0);
  EXPECT_EQ(koma_engine_to_gui(0x27), model::kFu);  // sente pawn
  EXPECT_EQ(koma_engine_to_gui(0x51), model::kRyu | model::kGoteBit);
  EXPECT_EQ(koma_engine_to_gui(0x2F), 0);
}

}  // namespace
}  // namespace driver
