// Header fields that two lines fill (開始日時 and 対局日 the date, 先手 and 下手
// sente's name, a key given twice): the field takes the later line, the
// earlier one is kept as a header line under its own key, and the record
// reads back the same through KIF, KI2 and CSA.
#include <gtest/gtest.h>

#include <string>

#include "model/formats/kif_henka_reader.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/formats/round_trip.h"

namespace model {
namespace {

using testing::kif_text;

// The extra header line of `key`, or "(none)".
std::string extra(const Kifu& kifu, const char* key) {
  for (int i = 0; i + 1 < kifu.headers.Count(); i += 2) {
    if (kifu.headers.GetAt(i) == key) return kifu.headers.GetAt(i + 1).c_str();
  }
  return "(none)";
}

// A record's KIF text up to its move list: what its header holds.
std::string header_text(const Kifu& kifu) {
  const std::string text = kif_text(kifu);
  return text.substr(0, text.find("手数----指手"));
}

int read_as(int format, Kifu& kifu, const std::string& text) {
  MemTextReader reader(text.c_str());
  return format == kFormatKifHenka ? kifu_read_kif_henka(kifu, reader, false) : kifu_read_kif(kifu, reader, false);
}

TEST(HeaderFields, AFieldGivenTwiceKeepsTheEarlierLineUnderItsKey) {
  const std::string nested = testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
  const std::string moves = "手数----指手\n   1 ７六歩(77)\n   2 投了\n";
  struct Case {
    int format;
    std::string lines;
    const char* field;  // the key Kifu::GetHeader reads the field by
    const char* value;
    const char* kept_key;
    const char* kept_value;
  } const cases[] = {
      {kFormatKif, "開始日時：2026/12/05 10:00\n対局日：2026/12/06\n", "対局日", "2026/12/06", "開始日時",
       "2026/12/05 10:00"},
      {kFormatKif, "対局日：2026/12/06\n開始日時：2026/12/05 10:00\n", "対局日", "2026/12/05 10:00", "対局日",
       "2026/12/06"},
      {kFormatKif, "開始日時：2026/12/05\n対局日：\n", "対局日", "", "開始日時", "2026/12/05"},
      {kFormatKif, "先手：北村\n下手：東山\n", "先手", "東山", "先手", "北村"},
      {kFormatKif, "上手：西川\n後手：南田\n", "後手", "南田", "上手", "西川"},
      {kFormatKif, "表題：一局目\n表題：二局目\n", "表題", "二局目", "表題", "一局目"},
      {kFormatKif, "棋戦：予選\n棋戦：本戦\n", "棋戦", "本戦", "棋戦", "予選"},
      {kFormatKifHenka, "開始日付：2024/05/17\n" + nested, "対局日", "2024/05/18", "開始日付", "2024/05/17"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.substr(0, 40));
    Kifu k;
    ASSERT_EQ(read_as(c.format, k, c.format == kFormatKif ? c.lines + moves : c.lines), 0);
    EXPECT_STREQ(k.GetHeader(c.field), c.value);
    EXPECT_EQ(extra(k, c.kept_key), c.kept_value);
    const std::string written = kif_text(k);
    EXPECT_NE(written.find(std::string(c.kept_key) + "：" + c.kept_value + "\r\n"), std::string::npos) << written;
    // KIF to KIF gives the same text again; KI2 and CSA keep the header.
    Kifu again;
    ASSERT_EQ(testing::read_kif_text(again, written), 0);
    EXPECT_EQ(kif_text(again), written);
    for (const int format : {kFormatKi2, kFormatCsa}) {
      KifuHolder back;
      ASSERT_EQ(testing::write_and_read(k, format, back), 0);
      EXPECT_EQ(header_text(back.kifu), header_text(k)) << testing::format_name(format);
    }
  }
}

}  // namespace
}  // namespace model
