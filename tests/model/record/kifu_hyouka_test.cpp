#include <gtest/gtest.h>

#include "model/record/kifu_hyouka.h"

namespace model {
namespace {

TEST(KifuHyouka, ResetClearsTheThinkResultButNotTheUsersNotes) {
  KifuHyouka h;
  h.annotation = 3;
  h.text = KString::KStringFromC("読み筋");
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

}  // namespace
}  // namespace model
