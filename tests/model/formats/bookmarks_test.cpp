// Bookmark lines ("&" and a name, as other programs write them): read onto the
// move they follow (the start before the first move) by the KIF, KI2 and
// change-branch readers, the lines no move can hold told, written back by KIF
// and KI2, and told as left out by the formats that cannot hold them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "model/formats/kif_henka_reader.h"
#include "model/formats/kifu_write_loss.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/formats/round_trip.h"

namespace model {
namespace {

// The bookmarks along the first moves: "ply:name" each, the start's as 0.
std::string bookmarks_of(const Kifu& kifu) {
  std::string s;
  int ply = 0;
  for (const KifuSashite* m = kifu.root.get(); m; ++ply) {
    if (!m->bookmark.empty()) s += std::to_string(ply) + ":" + m->bookmark.c_str() + " ";
    m = m->to ? m->to->next.At(0) : nullptr;
  }
  return s;
}

int read_as(int format, Kifu& kifu, const std::string& text, KifuReadStop* stop) {
  MemTextReader r(text.c_str());
  switch (format) {
    case kFormatKi2: return kifu_read_ki2(kifu, r, false, stop);
    case kFormatKifHenka: return kifu_read_kif_henka(kifu, r, false, stop);
    default: return kifu_read_kif(kifu, r, false, stop);
  }
}

TEST(Bookmarks, ReadOntoTheirMovesWrittenBackOrToldAsLeftOut) {
  std::string nested = testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
  nested.insert(nested.find("\r\n", nested.find("△３四歩")) + 2, "&角道\r\n");
  // Behind the result: the last move's, as comments there are.
  nested.insert(nested.find("投了\r\n") + 6, "&結果\r\n");
  struct Case {
    int format;
    std::string text;
    const char* bookmarks;
    int unheld_line, unheld;  // the first bookmark line no move holds, and how many
    int left_in_ki2;          // the bookmarks KI2 does not write (on the end of the game)
  } const cases[] = {
      {kFormatKif,
       "&開始\n手数----指手\n1 ７六歩(77)\n&一手目\n2 ３四歩(33)\n3 ２六歩(27)\n&山場\n&二つ目\n&\n4 投了\n&終局\n",
       "0:開始 1:一手目 3:山場 4:終局 ", 8, 2, 1},
      {kFormatKif, "手数----指手\n&序盤\n1 ７六歩(77)\n2 封じ手\n&封\n2 ３四歩(33)\n3 封じ手\n&中断\n",
       "0:序盤 2:封 3:中断 ", 0, 0, 1},
      {kFormatKi2, "手合割：平手\n\n&開始\n▲７六歩 △３四歩\n&二手目\n▲２六歩\n&\n", "0:開始 2:二手目 ", 7, 1, 0},
      {kFormatKifHenka, nested, "2:角道 11:結果 ", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    Kifu k;
    KifuReadStop stop;
    ASSERT_EQ(read_as(c.format, k, c.text, &stop), 0);
    EXPECT_EQ(bookmarks_of(k), c.bookmarks);
    EXPECT_EQ(stop.bookmarks_passed.line, c.unheld_line);
    EXPECT_EQ(stop.bookmarks_passed.count, c.unheld);

    KifuHolder kif, ki2;
    ASSERT_EQ(testing::write_and_read(k, kFormatKif, kif), 0);
    EXPECT_EQ(bookmarks_of(kif.kifu), c.bookmarks);
    ASSERT_EQ(testing::write_and_read(k, kFormatKi2, ki2), 0);
    std::string on_line = c.bookmarks;
    for (int i = 0; i < c.left_in_ki2; ++i) on_line.erase(on_line.rfind(' ', on_line.size() - 2) + 1);
    EXPECT_EQ(bookmarks_of(ki2.kifu), on_line);
    const int all = static_cast<int>(std::count(on_line.begin(), on_line.end(), ' ')) + c.left_in_ki2;
    EXPECT_EQ(kifu_write_loss(k, kFormatKi2).bookmarks, c.left_in_ki2);
    EXPECT_EQ(kifu_write_loss(k, kFormatCsa).bookmarks, all);
    EXPECT_EQ(kifu_write_loss(k, kFormatQvf).bookmarks, all);
    EXPECT_EQ(kifu_write_loss(k, kFormatKif).bookmarks, 0);
  }

  // A merge gives a move without a bookmark the bookmark it reads there.
  Kifu k;
  ASSERT_EQ(testing::read_kif_text(k, "手数----指手\n1 ７六歩(77)\n2 ３四歩(33)\n"), 0);
  ASSERT_EQ(testing::read_kif_text(k, "手数----指手\n1 ７六歩(77)\n&一\n2 ８四歩(83)\n", true), 0);
  EXPECT_EQ(bookmarks_of(k), "1:一 ");
}

}  // namespace
}  // namespace model
