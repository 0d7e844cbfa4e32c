// Bookmark lines ("&" and a name, as other programs write them): read onto the
// move they follow (the start before the first move) by the KIF, KI2 and
// change-branch readers, the first line no move can hold told, and written
// back by KIF and KI2 (KI2 writes none on the end of the game).
#include <gtest/gtest.h>

#include <string>

#include "model/formats/kifu_dispatch.h"
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

TEST(Bookmarks, ReadOntoTheirMovesAndWrittenBack) {
  std::string qvx = testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/qvx/nested.qvx");
  qvx.insert(qvx.find("\r\n", qvx.find("△３四歩")) + 2, "&角道\r\n");
  qvx.insert(qvx.find("投了\r\n") + 6, "&結果\r\n");  // behind a result: the last move's, as comments are
  const struct {
    int format;
    std::string text;
    const char* bookmarks;
    int unheld_line;  // the first bookmark line no move holds
    const char* in_ki2;
  } cases[] = {
      {kFormatKif, "&始\n手数----指手\n1 ７六歩(77)\n&一\n2 ３四歩(33)\n  &二\n&二つ目\n&\n3 投了\n&了\n",
       "0:始 1:一 2:二 3:了 ", 7, "0:始 1:一 2:二 "},
      {kFormatKi2, "手合割：平手\n\n&始\n▲７六歩 △３四歩\n&二\n▲２六歩\n&\n", "0:始 2:二 ", 7, "0:始 2:二 "},
      {kFormatKifHenka, qvx, "2:角道 11:結果 ", 0, "2:角道 11:結果 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    Kifu k;
    KifuReadStop stop;
    MemTextReader r(c.text.c_str());
    ASSERT_EQ(kifu_read_stream(k, r, c.format, false, &stop), 0);
    EXPECT_EQ(bookmarks_of(k), c.bookmarks);
    EXPECT_EQ(stop.bookmarks_passed.line, c.unheld_line);
    for (const int format : {kFormatKif, kFormatKi2}) {
      KifuHolder back;
      ASSERT_EQ(testing::write_and_read(k, format, back), 0);
      EXPECT_EQ(bookmarks_of(back.kifu), format == kFormatKif ? c.bookmarks : c.in_ki2);
    }
  }
}

}  // namespace
}  // namespace model
