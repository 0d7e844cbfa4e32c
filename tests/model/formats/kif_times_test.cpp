// The clock times of KIF move lines: each move's time and its side's total
// along the way from the start to it, for the main line and for variations,
// in plain KIF and in the packed form, written and read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "model/formats/kif_format.h"
#include "model/formats/kifu_dispatch.h"
#include "model/text/ckf_packing.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

using testing::read_file_bytes, testing::read_kif_text;

// A main line of four moves, a variation from move 2 and, inside it, another
// from move 3.
constexpr const char* kRecord =
    "手合割：平手\n"
    "手数----指手---------消費時間--\n"
    "1 ７六歩(77)   ( 0:05/00:00:05)\n"
    "2 ３四歩(33)   ( 0:07/00:00:07)\n"
    "3 ２六歩(27)   ( 0:11/00:00:16)\n"
    "4 ８四歩(83)   ( 0:13/00:00:20)\n"
    "変化：2手\n"
    "2 ８四歩(83)   ( 0:03/00:00:23)\n"
    "3 ２六歩(27)   ( 0:02/00:00:18)\n"
    "変化：3手\n"
    "3 ７八金(69)   ( 0:04/00:00:20)\n";

// The move lines of a KIF text, in the order written, in UTF-8 so that a
// difference is readable.
std::vector<std::string> move_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 4 && line.compare(0, 3, "   ") == 0 && line[3] >= '1' && line[3] <= '9') {
      lines.push_back(sjis_to_utf8(line));
    }
    at = end + 1;
  }
  return lines;
}

// A variation's totals go on from the moves before its branch: the lines
// written before it add nothing. The main line keeps its totals.
const std::vector<std::string> kWritten = move_lines(
    "   1 ７六歩(77)   ( 0:05/00:00:05)\n   2 ３四歩(33)   ( 0:07/00:00:07)\n"
    "   3 ２六歩(27)   ( 0:11/00:00:16)\n   4 ８四歩(83)   ( 0:13/00:00:20)\n"
    "   2 ８四歩(83)   ( 0:03/00:00:03)\n   3 ２六歩(27)   ( 0:02/00:00:07)\n"
    "   3 ７八金(69)   ( 0:04/00:00:09)\n");

TEST(KifTimes, EachTotalSumsItsSideAlongTheWayToTheMove) {
  Kifu kifu;
  ASSERT_EQ(read_kif_text(kifu, kRecord), 0);
  const std::string written = testing::kif_text(kifu);
  EXPECT_EQ(move_lines(written), kWritten);
  // Read back, the record writes the same totals again.
  Kifu again;
  ASSERT_EQ(read_kif_text(again, written), 0);
  EXPECT_EQ(move_lines(testing::kif_text(again)), kWritten);
}

TEST(KifTimes, ThePackedFormHoldsTheSameTotals) {
  KifuHolder holder;
  ASSERT_EQ(read_kif_text(holder.kifu, kRecord), 0);
  const std::string path = ::testing::TempDir() + "/times.ckf";
  int format = 0;
  ASSERT_TRUE(kifu_save_file(holder, path.c_str(), &format));
  ASSERT_EQ(format, kFormatCkf);
  const std::string packed = read_file_bytes(path);
  std::string plain(packed.size() * 3 / 4, '\0');
  const int n = ckf_unpack_blocks(packed.data(), static_cast<int>(packed.size()),
                                  reinterpret_cast<unsigned char*>(plain.data()));
  plain.resize(static_cast<size_t>(n));
  EXPECT_EQ(move_lines(plain), kWritten);
  // Loaded again, the packed file gives the same record and so the same totals.
  KifuHolder loaded;
  format = 0;
  ASSERT_TRUE(kifu_load_file(loaded, path.c_str(), &format, false));
  EXPECT_EQ(move_lines(testing::kif_text(loaded.kifu)), kWritten);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace model
