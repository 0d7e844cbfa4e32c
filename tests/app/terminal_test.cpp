#include <gtest/gtest.h>

#include "app/terminal.h"

namespace app {
namespace {

TEST(Terminal, ConvertsShiftJisBothWays) {
  EXPECT_EQ(sjis_to_utf8("投了"), "\xE6\x8A\x95\xE4\xBA\x86");
  EXPECT_EQ(utf8_to_sjis("\xE6\x8A\x95\xE4\xBA\x86"), "投了");
  EXPECT_EQ(sjis_to_utf8("a\x81"), "a?");  // a cut-off character
}

}  // namespace
}  // namespace app
