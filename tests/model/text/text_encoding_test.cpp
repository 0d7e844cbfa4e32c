#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "model/text/text_encoding.h"

namespace model {
namespace {

TEST(TextEncoding, ConvertsShiftJisBothWays) {
  EXPECT_EQ(sjis_to_utf8("投了"), "\xE6\x8A\x95\xE4\xBA\x86");
  EXPECT_EQ(utf8_to_sjis("\xE6\x8A\x95\xE4\xBA\x86"), "投了");
  EXPECT_EQ(sjis_to_utf8("a\x81"), "a?");  // a cut-off character
}

// The text goes to the converter in pieces: a character across the end of a
// piece is converted whole, and a long run of characters without a Shift-JIS
// form (a pasted record of symbols) becomes one "?" per character. (How fast
// such a text converts is measured by bench/record_formats_bench.cpp.)
TEST(TextEncoding, LongTextsConvertWhole) {
  std::string utf8 = "a";  // puts the three-byte characters across every boundary
  std::string sjis = "a";
  for (int i = 0; i < 1000; ++i) {
    utf8 += "\xE3\x81\x82";  // あ
    sjis += "あ";
  }
  EXPECT_EQ(utf8_to_sjis(utf8), sjis);
  EXPECT_EQ(sjis_to_utf8(sjis), utf8);
  EXPECT_EQ(utf8_to_sjis(utf8 + "\xE3\x81"), sjis + "??");  // cut off at the end of the text

  std::string symbols;
  for (int i = 0; i < 30000; ++i) symbols += "\xEF\xBF\xBD";  // U+FFFD: each becomes one "?"
  EXPECT_EQ(utf8_to_sjis("x" + symbols + "\xE6\x8A\x95"), "x" + std::string(30000, '?') + "投");
}

// The one detection of the two encodings of a record's text: UTF-8 by its
// mark or by well-formed sequences, anything else left as Shift-JIS.
TEST(TextEncoding, RecordTextInUtf8BecomesShiftJis) {
  const std::string utf8 = "N+\xE5\x85\x88\n";  // N+先
  EXPECT_TRUE(is_utf8_text(utf8));
  EXPECT_EQ(record_text_to_sjis(utf8), "N+先\n");
  EXPECT_EQ(record_text_to_sjis("\xEF\xBB\xBFPI\n"), "PI\n");  // the mark alone says UTF-8
  for (const std::string& sjis : {std::string("N+先手\n"), std::string("▲７六歩　△３四歩\n"), std::string("ｱ\n")}) {
    EXPECT_FALSE(is_utf8_text(sjis)) << sjis;
    EXPECT_EQ(record_text_to_sjis(sjis), sjis);
  }
  EXPECT_FALSE(is_utf8_text("PI\n+\n"));  // ASCII reads the same either way
  // Overlong forms, surrogates and cut-off sequences are no UTF-8.
  for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xE5\x85", "\xF4\x90\x80\x80"}) {
    EXPECT_FALSE(is_utf8_text(bad)) << bad;
  }
}

// A UTF-8 text with a few bytes that are no UTF-8 is still UTF-8: they are
// read as "?", counted, and the line of the first is told. Shift-JIS, whose
// characters nearly all hold such bytes, stays Shift-JIS, even with
// characters whose bytes happen to form UTF-8 (ﾃｨ is C3 A8).
TEST(TextEncoding, AFewStrayBytesLeaveUtf8Utf8) {
  const std::string utf8 = reinterpret_cast<const char*>(u8"手合割：平手\n先手：先手さん\n");
  const std::string sjis = "手合割：平手\n先手：先手さん\n";
  Utf8Flaws flaws;
  EXPECT_EQ(record_text_to_sjis(utf8 + utf8 + "*\xFF\n\xE5\x85", &flaws), sjis + sjis + "*?\n??");  // one cut off
  EXPECT_EQ(flaws.bytes, 3);
  EXPECT_EQ(flaws.first_line, 5);
  EXPECT_EQ(record_text_to_sjis("\xEF\xBB\xBFPI\x80\n", &flaws), "PI?\n");  // the mark says UTF-8
  EXPECT_EQ(flaws.first_line, 1);
  EXPECT_FALSE(is_utf8_text(reinterpret_cast<const char*>(u8"先手") + std::string("\xFF")));  // too many
  for (const std::string& text : {sjis + "*\xFF\n", sjis + "ﾃｨﾃｨﾃｨﾃｨﾃｨﾃｨ\n"}) {
    EXPECT_EQ(record_text_to_sjis(text, &flaws), text);
    EXPECT_EQ(flaws.bytes, 0);
  }
}

// A short UTF-8 text (a CSA record whose only characters are its names) with
// one stray byte has too few characters to outweigh it, but its Shift-JIS
// reading is worse: it is read as UTF-8, the byte told.
TEST(TextEncoding, AShortUtf8TextWithAStrayByteIsUtf8) {
  const std::string utf8 = reinterpret_cast<const char*>(u8"N+北") + std::string("\xFF") +
                           reinterpret_cast<const char*>(u8"村\nN-南田\nPI\n+\n+7776FU\n-3334FU\n");
  EXPECT_TRUE(is_utf8_text(utf8));
  Utf8Flaws flaws;
  EXPECT_EQ(record_text_to_sjis(utf8, &flaws), "N+北?村\nN-南田\nPI\n+\n+7776FU\n-3334FU\n");
  EXPECT_EQ(flaws.bytes, 1);
  EXPECT_EQ(flaws.first_line, 1);
  // Shift-JIS with as many stray bytes stays Shift-JIS.
  const std::string sjis = "N+北\xFF村\nN-南田\nPI\n+\n+7776FU\n";
  EXPECT_FALSE(is_utf8_text(sjis));
  EXPECT_EQ(record_text_to_sjis(sjis), sjis);
}

// Every record of the tests and the examples is Shift-JIS, written by many
// programs: none is taken for UTF-8.
TEST(TextEncoding, EveryShiftJisRecordStaysShiftJis) {
  int files = 0;
  for (const char* dir : {VELKORA_TEST_DATA, VELKORA_TEST_DATA "/../../examples"}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), {}};
      EXPECT_FALSE(is_utf8_text(bytes)) << entry.path();
      ++files;
    }
  }
  EXPECT_GT(files, 90);
}

// A character that Shift-JIS cannot hold becomes one "?", whatever its
// length in UTF-8; the count and the line of the first are told, apart from
// the bytes that are no UTF-8.
TEST(TextEncoding, ACharacterShiftJisCannotHoldIsOneMark) {
  const auto u8s = [](const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); };
  Utf8Flaws flaws;
  const std::string kei = "\xE9\x9B\x9E";          // 雞, outside Shift-JIS
  const std::string smile = "\xF0\x9F\x98\x80";  // four bytes in UTF-8
  EXPECT_EQ(record_text_to_sjis(u8s(u8"先手：森") + kei + u8s(u8"二九段\n"), &flaws), "先手：森?二九段\n");
  EXPECT_EQ(flaws.unheld, 1);
  EXPECT_EQ(flaws.first_unheld_line, 1);
  EXPECT_EQ(flaws.bytes, 0);
  const std::string text =
      "\xEF\xBB\xBF" + u8s(u8"先手：森\n後手：") + kei + "\n*" + smile + u8s(u8"と") + "\xFF\n";
  EXPECT_EQ(record_text_to_sjis(text, &flaws), "先手：森\n後手：?\n*?と?\n");
  EXPECT_EQ(flaws.unheld, 2);
  EXPECT_EQ(flaws.first_unheld_line, 2);
  EXPECT_EQ(flaws.bytes, 1);
  EXPECT_EQ(flaws.first_line, 3);
}

// A text whose file says it is UTF-8 is read so, even where the detection
// would take it for Shift-JIS; its byte-order mark goes.
TEST(TextEncoding, ATextKnownToBeUtf8IsReadAsUtf8) {
  const std::string text = reinterpret_cast<const char*>(u8"先手") + std::string("\xFF\n");
  ASSERT_FALSE(is_utf8_text(text));
  Utf8Flaws flaws;
  EXPECT_EQ(record_text_to_sjis(text, &flaws, true), "先手?\n");
  EXPECT_EQ(flaws.bytes, 1);
  EXPECT_EQ(record_text_to_sjis("\xEF\xBB\xBFPI\n", &flaws, true), "PI\n");
  EXPECT_EQ(record_text_to_sjis("PI\n", &flaws, true), "PI\n");
}

}  // namespace
}  // namespace model
