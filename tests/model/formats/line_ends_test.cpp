// Line ends: a record reads as the same game, with the same line numbers in
// what the reader tells, whether its lines end with LF, CR LF, a lone CR (as
// older programs write) or CR CR LF (line ends converted twice), in every text
// format, packed, in UTF-8 and as text whose format its content tells.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "model/formats/kifu_dispatch.h"
#include "model/text/ckf_packing.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

using testing::kif_text;

constexpr const char* kLineEnds[] = {"\r\n", "\r", "\r\r\n"};

// `text` with every line end (LF or CR LF) made `end`.
std::string with_line_ends(const std::string& text, const std::string& end) {
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    out += c == '\n' ? end : std::string(1, c);
  }
  return out;
}

std::string packed(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    char group[4];
    const int n = static_cast<int>(std::min<size_t>(3, bytes.size() - i));
    out.append(group, static_cast<size_t>(ckf_pack_group(reinterpret_cast<const unsigned char*>(&bytes[i]), n, group)));
  }
  return out;
}

// What a load gives: the record as KIF text and every line number it tells.
std::string loaded(const std::string& file_bytes, int format, bool utf8) {
  Utf8Flaws flaws;
  std::string bytes = utf8 ? record_text_to_sjis(file_bytes, &flaws) : file_bytes;
  KifuHolder holder;
  KifuReadStop stop;
  KifuLoadError error;
  const bool ok = format == kFormatUnknown ? kifu_load_text(holder, bytes, &stop, &error)
                                           : kifu_load_bytes(holder, bytes, nullptr, format, false, &stop, &error);
  if (!ok) return "refused " + std::to_string(error.kind);
  std::string lines;
  for (int n : {stop.line, stop.skipped.line, stop.passed_over.line, stop.after_end_line, stop.closing.line,
                stop.unknown_end_line, stop.left_out_end_line, flaws.first_line}) {
    lines += std::to_string(n) + " ";
  }
  return lines + "\n" + kif_text(holder.kifu);
}

TEST(LineEnds, EveryFormatReadsTheSameGameWithEveryKindOfLineEnd) {
  struct Case {
    const char* file;
    int format;  // kFormatUnknown: told by the content
    const char* added;  // a line put behind the file, for a line number to tell
    bool packed, utf8;
  } const cases[] = {
      {"kif/cut_move.kif", kFormatKif, "", false, false},
      {"kif/variations.kif", kFormatCkf, "", true, false},
      {"kif/labels.kif", kFormatKif, "", false, true},
      {"ki2/long_variation_number.ki2", kFormatKi2, "▲７六歩\n", false, false},
      {"ki2/other_program.ki2", kFormatKi2, "", false, true},
      {"csa/even_game.csa", kFormatCsa, "+5958OU\n", false, false},
      {"csa/other_program.csa", kFormatUnknown, "", false, false},
      {"qvx/nested.qvx", kFormatKifHenka, "no move here\n", false, false},
      {"qvx/nested.kif", kFormatKif, "", false, false},
      {"qvf/position.qvf", kFormatQvf, "", false, false},
      {"kif/cut_move.kif", kFormatUnknown, "", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string lf = with_line_ends(testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/" + c.file), "\n");
    ASSERT_FALSE(lf.empty());
    lf += c.added;
    // A UTF-8 file with a byte that is no UTF-8 on its third line.
    if (c.utf8) {
      const std::string utf8 = sjis_to_utf8(lf);
      const size_t third = utf8.find('\n', utf8.find('\n') + 1) + 1;
      lf = utf8.substr(0, third) + "\xFF" + utf8.substr(third);
    }
    const auto file = [&c](const std::string& text) { return c.packed ? packed(text) : text; };
    const std::string want = loaded(file(lf), c.format, c.utf8);
    ASSERT_EQ(want.find("refused"), std::string::npos);
    for (const char* end : kLineEnds) {
      EXPECT_EQ(loaded(file(with_line_ends(lf, end)), c.format, c.utf8), want) << ::testing::PrintToString(end);
    }
  }
}

}  // namespace
}  // namespace model
