#include <gtest/gtest.h>

#include "app/sashite_decode.h"
#include "app/terminal.h"

namespace app {
namespace {

constexpr uint32_t sq(int file, int rank) { return 16 * rank + file + 3; }

TEST(SashiteDecode, BoardMovesDropsAndNoMove) {
  model::Sashite s;
  // 7七 to 7六, a sente pawn (engine code 0x27).
  ASSERT_EQ(sashite_decode(sq(7, 7) | sq(7, 6) << 8 | 0x27u << 16, s), 0);
  EXPECT_EQ(s, model::Sashite(7, 7, 7, 6, 0, 0, 0, 0));
  // 8八 bishop takes on 2二 and promotes.
  ASSERT_EQ(sashite_decode(sq(8, 8) | sq(2, 2) << 8 | 0x22u << 16 | 0x42u << 23 | 1u << 30, s), 0);
  EXPECT_EQ(s, model::Sashite(8, 8, 2, 2, 0, 0, 1, 0));
  // Gote drops a gold (engine kind 3) on 5五.
  ASSERT_EQ(sashite_decode(252 | sq(5, 5) << 8 | 0x43u << 16, s), 0);
  EXPECT_EQ(s, model::Sashite(model::kGoteHand, model::kKin, 5, 5, 0, 0, 0, 0));
  EXPECT_EQ(sashite_decode(253, s), -1);
  // Words that name no square are no move either.
  EXPECT_EQ(sashite_decode(sq(1, 1) | 0u << 8, s), -1);
  EXPECT_EQ(sashite_decode(252 | sq(5, 5) << 8 | 0x28u << 16, s), -1);  // a king from hand
}

TEST(Terminal, ConvertsShiftJisBothWays) {
  EXPECT_EQ(sjis_to_utf8("投了"), "\xE6\x8A\x95\xE4\xBA\x86");
  EXPECT_EQ(utf8_to_sjis("\xE6\x8A\x95\xE4\xBA\x86"), "投了");
  EXPECT_EQ(sjis_to_utf8("a\x81"), "a?");  // a cut-off character
}

}  // namespace
}  // namespace app
