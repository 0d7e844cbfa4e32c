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
  for (const KifuSashite* m = kifu.root.get(); m; m = m->to ? m->to->next.At(0) : nullptr, ++ply) {
    if (!m->bookmark.empty()) s += std::to_string(ply) + ":" + m->bookmark.c_str() + " ";
  }
  return s;
}

TEST(Bookmarks, ReadOntoTheirMovesWrittenBackOrToldAsLeftOut) {
  std::string qvx = testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
  qvx.insert(qvx.find("\r\n", qvx.find("△３四歩")) + 2, "&角道\r\n");
  qvx.insert(qvx.find("投了\r\n") + 6, "&結果\r\n");  // behind a result: the last move's, as comments are
  const struct {
    int format;
    std::string text;
    const char* bookmarks;
    int unheld_line, unheld;  // the first bookmark line no move holds, and how many
    const char* in_ki2;       // KI2 writes none on the end of the game
  } cases[] = {
      {kFormatKif, "&始\n手数----指手\n1 ７六歩(77)\n&一\n2 ３四歩(33)\n  &二\n&二つ目\n&\n3 投了\n&了\n",
       "0:始 1:一 2:二 3:了 ", 7, 2, "0:始 1:一 2:二 "},
      {kFormatKif, "手数----指手\n1 ７六歩(77)\n2 封じ手\n&封\n2 ３四歩(33)\n3 封じ手\n&中\n", "2:封 3:中 ", 0, 0,
       "2:封 "},
      {kFormatKi2, "手合割：平手\n\n&始\n▲７六歩 △３四歩\n&二\n▲２六歩\n&\n", "0:始 2:二 ", 7, 1, "0:始 2:二 "},
      {kFormatKifHenka, qvx, "2:角道 11:結果 ", 0, 0, "2:角道 11:結果 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    Kifu k;
    KifuReadStop stop;
    MemTextReader r(c.text.c_str());
    ASSERT_EQ(c.format == kFormatKi2       ? kifu_read_ki2(k, r, false, &stop)
              : c.format == kFormatKifHenka ? kifu_read_kif_henka(k, r, false, &stop)
                                            : kifu_read_kif(k, r, false, &stop),
              0);
    EXPECT_EQ(bookmarks_of(k), c.bookmarks);
    EXPECT_EQ(stop.bookmarks_passed.line, c.unheld_line);
    EXPECT_EQ(stop.bookmarks_passed.count, c.unheld);
    for (const int format : {kFormatKif, kFormatKi2}) {
      KifuHolder back;
      ASSERT_EQ(testing::write_and_read(k, format, back), 0);
      EXPECT_EQ(bookmarks_of(back.kifu), format == kFormatKif ? c.bookmarks : c.in_ki2);
    }
    const auto count = [](std::string s) { return static_cast<int>(std::count(s.begin(), s.end(), ' ')); };
    const int all = count(c.bookmarks);
    EXPECT_EQ(kifu_write_loss(k, kFormatKi2).bookmarks, all - count(c.in_ki2));
    EXPECT_EQ(kifu_write_loss(k, kFormatCsa).bookmarks, all);
    EXPECT_EQ(kifu_write_loss(k, kFormatQvf).bookmarks, all);
  }
  // A merge gives a move without a bookmark the one it reads there.
  Kifu k;
  ASSERT_EQ(testing::read_kif_text(k, "手数----指手\n1 ７六歩(77)\n2 ３四歩(33)\n"), 0);
  ASSERT_EQ(testing::read_kif_text(k, "手数----指手\n1 ７六歩(77)\n&一\n2 ８四歩(83)\n", true), 0);
  EXPECT_EQ(bookmarks_of(k), "1:一 ");
}

}  // namespace
}  // namespace model
