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

// A record's KIF text up to its move list: what its header holds.
std::string header_text(const Kifu& kifu) {
  const std::string text = kif_text(kifu);
  return text.substr(0, text.find("手数----指手"));
}

TEST(HeaderFields, AFieldGivenTwiceKeepsTheEarlierLineUnderItsKey) {
  const std::string qvx = testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
  const struct {
    std::string lines;
    const char* field;  // the key Kifu::GetHeader reads the field by
    const char* value;
    std::string kept;  // the earlier line, as it is written back
    bool henka = false;  // read by the change-branch reader
  } cases[] = {
      {"開始日時：12/05 10:00\n対局日：12/06\n", "対局日", "12/06", "開始日時：12/05 10:00"},
      {"対局日：12/06\n開始日時：12/05 10:00\n", "対局日", "12/05 10:00", "対局日：12/06"},
      {"開始日時：12/05\n対局日：\n", "対局日", "", "開始日時：12/05"},
      {"先手：北村\n下手：東山\n", "先手", "東山", "先手：北村"},
      {"表題：一局目\n表題：二局目\n", "表題", "二局目", "表題：一局目"},
      {"開始日付：2024/05/17\n" + qvx, "対局日", "2024/05/18", "開始日付：2024/05/17", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines.substr(0, 40));
    Kifu k;
    MemTextReader r((c.henka ? c.lines : c.lines + "手数----指手\n1 ７六歩(77)\n").c_str());
    ASSERT_EQ(c.henka ? kifu_read_kif_henka(k, r, false) : kifu_read_kif(k, r, false), 0);
    EXPECT_STREQ(k.GetHeader(c.field), c.value);
    const std::string written = kif_text(k);
    EXPECT_NE(written.find(c.kept + "\r\n"), std::string::npos) << written;
    Kifu again;  // KIF to KIF gives the same text again; KI2 and CSA keep the header
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
