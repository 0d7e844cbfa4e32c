// Lines of no known kind in the KIF-family texts: a text that holds one and
// from which no move could be read is no record, refused with its first such
// line, in a file of a named format and in a text whose format nothing names;
// with moves read, the first such line and their count are told.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "model/formats/ki2_format.h"
#include "model/formats/kif_format.h"
#include "model/formats/kif_henka_reader.h"
#include "model/formats/kifu_dispatch.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

const std::string kKif = "手合割：平手\n先手：a\n手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n";
const std::string kKifWithoutHeading = "手合割：平手\n先手：a\n1 ７六歩(77)\n2 ３四歩(33)\n3 投了\n";
const std::string kKi2WithoutMarks = "手合割：平手\n先手：a\n\n７六歩 ３四歩\nまで2手で後手の勝ち\n";

// The change-branch fixture's header, board block and the empty line behind.
std::string henka_head() {
  const std::string nested = testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
  return nested.substr(0, nested.find("\r\n\r\n*") + 4);
}
int henka_lines() {
  const std::string head = henka_head();
  return static_cast<int>(std::count(head.begin(), head.end(), '\n'));
}

int read_as(int format, Kifu& kifu, const std::string& text, KifuReadStop& stop) {
  MemTextReader reader(text.c_str());
  switch (format) {
    case kFormatKi2: return kifu_read_ki2(kifu, reader, false, &stop);
    case kFormatKifHenka: return kifu_read_kif_henka(kifu, reader, false, &stop);
    default: return kifu_read_kif(kifu, reader, false, &stop);
  }
}

TEST(UnknownLines, ATextWithoutMovesIsRefusedWithItsFirstSuchLine) {
  const struct {
    const char* what;
    int format;
    std::string text;
    int line;
    std::string first;
  } cases[] = {
      {"KIF read as KI2", kFormatKi2, kKif, 3, "手数----指手---------消費時間--"},
      {"KIF without its heading", kFormatKif, kKifWithoutHeading, 3, "1 ７六歩(77)"},
      {"KIF read as KI2 without its heading", kFormatKi2, kKifWithoutHeading, 3, "1 ７六歩(77)"},
      {"KI2 without marks", kFormatKi2, kKi2WithoutMarks, 4, "７六歩 ３四歩"},
      {"KI2 without marks or header", kFormatKi2, "７六歩\nまで1手で先手の勝ち\n", 1, "７六歩"},
      {"KIF with a stray line and no move", kFormatKif, "手数----指手--\nひとこと\n1 投了\n", 2, "ひとこと"},
      {"change-branch layout", kFormatKifHenka, henka_head() + "ひとこと\n投了\n", henka_lines() + 1, "ひとこと"},
  };
  KifuHolder holder;
  ASSERT_TRUE(kifu_load_bytes(holder, kKif, nullptr, kFormatKif, false));
  const std::string before = testing::kif_text(holder.kifu);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    KifuReadStop stop;
    EXPECT_EQ(read_as(c.format, holder.kifu, c.text, stop), -1);
    EXPECT_EQ(stop.passed_over.line, c.line);
    EXPECT_STREQ(stop.passed_over.text.c_str(), c.first.c_str());
    EXPECT_EQ(testing::kif_text(holder.kifu), before);
    KifuLoadError error;
    EXPECT_FALSE(kifu_load_bytes(holder, c.text, nullptr, c.format, false, &stop, &error));
    EXPECT_EQ(error.kind, KifuLoadError::kUnknownLine);
  }
  // A text whose format nothing names is refused alike (no reader takes it).
  KifuReadStop stop;
  KifuLoadError error;
  EXPECT_FALSE(kifu_load_text(holder, kKifWithoutHeading, &stop, &error));
  EXPECT_EQ(error.kind, KifuLoadError::kUnknownLine);
  EXPECT_EQ(stop.passed_over.line, 3);
  // Text that holds no header, move or result is no record of any kind.
  EXPECT_FALSE(kifu_load_text(holder, "hello\nworld\n", &stop, &error));
  EXPECT_EQ(error.kind, KifuLoadError::kNotARecord);
  EXPECT_EQ(testing::kif_text(holder.kifu), before);
}

TEST(UnknownLines, WithMovesReadTheFirstSuchLineAndTheirCountAreTold) {
  const struct {
    const char* what;
    int format;
    std::string text;
    int line;
    int count;
  } cases[] = {
      {"KIF", kFormatKif, "手合割：平手\nひとこと\n手数----指手--\n1 ７六歩(77)\nふたこと\n2 ３四歩(33)\nまで2手で中断\n", 2, 2},
      {"KI2", kFormatKi2, "手合割：平手\n\n▲７六歩\nひとこと\n△３四歩\nふたこと\nまで2手で後手の勝ち\nあと\n", 4, 2},
      {"change-branch layout", kFormatKifHenka, henka_head() + "▲７六歩\nひとこと\n", henka_lines() + 2, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Kifu kifu;
    KifuReadStop stop;
    ASSERT_EQ(read_as(c.format, kifu, c.text, stop), 0);
    EXPECT_EQ(stop.passed_over.line, c.line);
    EXPECT_STREQ(stop.passed_over.text.c_str(), "ひとこと");
    EXPECT_EQ(stop.passed_over.count, c.count);
  }
}

}  // namespace
}  // namespace model
