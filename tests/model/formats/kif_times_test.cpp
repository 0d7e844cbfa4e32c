// The running times of KIF move lines: each total is its side's time along
// the way from the start to the move, for the main line and for variations,
// in plain KIF and in the packed form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "model/formats/kif_format.h"
#include "model/formats/kifu_dispatch.h"
#include "model/text/ckf_packing.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

// The move lines of a KIF text in the order written, in UTF-8 so that a
// difference is readable.
std::string move_lines(const std::string& text) {
  std::string lines;
  for (size_t at = 0, end; at < text.size(); at = end + 1) {
    end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    if (line.size() > 4 && line.compare(0, 3, "   ") == 0 && line[3] >= '1' && line[3] <= '9') {
      lines += sjis_to_utf8(line.substr(0, line.find('\r'))) + "\n";
    }
  }
  return lines;
}

TEST(KifTimes, EachTotalSumsItsSideAlongTheWayToTheMove) {
  // A main line of four moves, a variation from move 2 and, inside it,
  // another from move 3; the totals of the text are not read.
  KifuHolder holder;
  ASSERT_EQ(testing::read_kif_text(holder.kifu,
                                   "手数----指手--\n1 ７六歩(77) ( 0:05/)\n2 ３四歩(33) ( 0:07/)\n"
                                   "3 ２六歩(27) ( 0:11/)\n4 ８四歩(83) ( 0:13/)\n2 ８四歩(83) ( 0:03/)\n"
                                   "3 ２六歩(27) ( 0:02/)\n3 ７八金(69) ( 0:04/)\n"),
            0);
  // The main line keeps its totals; a variation's go on from the moves
  // before its branch, not from the lines written before it.
  const std::string want = move_lines(
      "   1 ７六歩(77)   ( 0:05/00:00:05)\n   2 ３四歩(33)   ( 0:07/00:00:07)\n"
      "   3 ２六歩(27)   ( 0:11/00:00:16)\n   4 ８四歩(83)   ( 0:13/00:00:20)\n"
      "   2 ８四歩(83)   ( 0:03/00:00:03)\n   3 ２六歩(27)   ( 0:02/00:00:07)\n"
      "   3 ７八金(69)   ( 0:04/00:00:09)\n");
  EXPECT_EQ(move_lines(testing::kif_text(holder.kifu)), want);

  // The packed form holds the same text, and loaded again writes it again.
  const std::string path = ::testing::TempDir() + "/times.ckf";
  int format = 0;
  ASSERT_TRUE(kifu_save_file(holder, path.c_str(), &format));
  const std::string packed = testing::read_file_bytes(path);
  std::string plain(packed.size() * 3 / 4, '\0');
  plain.resize(static_cast<size_t>(ckf_unpack_blocks(packed.data(), static_cast<int>(packed.size()),
                                                     reinterpret_cast<unsigned char*>(plain.data()))));
  EXPECT_EQ(move_lines(plain), want);
  KifuHolder loaded;
  ASSERT_TRUE(kifu_load_file(loaded, path.c_str(), &(format = 0), false));
  EXPECT_EQ(move_lines(testing::kif_text(loaded.kifu)), want);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace model
