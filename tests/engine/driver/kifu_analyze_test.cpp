#include <gtest/gtest.h>

#include "engine/driver/kifu_analyze.h"
#include "tests/model/record/kifu_test_util.h"

namespace driver {
namespace {

using model::testing::k34;
using model::testing::k76;

TEST(KansouText, ReviewKeepsTheCommentWhileTheCommentaryIsSilent) {
  model::Kifu kifu;
  model::KifuSashite* last = model::testing::play(kifu.table.get(), kifu.Start(), {k76, k34});
  last->comment.Assign("mine");
  model::KString out;
  out.Assign("stale");
  kansou_text(1, kifu, out);
  EXPECT_TRUE(out.empty());
  EXPECT_STREQ(last->comment.c_str(), "mine");
}

}  // namespace
}  // namespace driver
