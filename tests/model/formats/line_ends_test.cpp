// Line ends: a record reads as the same game, with the same line numbers in
// what the reader tells, whether its lines end with LF, CR LF, a lone CR (as
// older programs write) or CR CR LF (line ends converted twice), in every text
// format, packed, in UTF-8 and as text whose format its content tells.
#include <gtest/gtest.h>

#include <string>

#include "model/formats/kifu_dispatch.h"
#include "model/text/ckf_packing.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

// `text` with every line end made `end`.
std::string with_ends(const std::string& text, const std::string& end) {
  std::string out;
  for (char c : text) out += c == '\n' ? end : c == '\r' ? "" : std::string(1, c);
  return out;
}

// What loading `text` as a file of `format` (kFormatUnknown: told by its
// content) gives: every line number it tells, and the record as KIF.
std::string loaded(const std::string& text, int format, bool utf8) {
  std::string bytes;
  for (size_t i = 0; format == kFormatCkf && i < text.size(); i += 3) {
    char group[4];
    const int n = text.size() - i < 3 ? static_cast<int>(text.size() - i) : 3;
    const int chars = ckf_pack_group(reinterpret_cast<const unsigned char*>(&text[i]), n, group);
    bytes.append(group, static_cast<size_t>(chars));
  }
  Utf8Flaws flaws;
  if (format != kFormatCkf) bytes = utf8 ? record_text_to_sjis(text, &flaws) : text;
  KifuHolder h;
  KifuReadStop s;
  const bool ok =
      format == kFormatUnknown ? kifu_load_text(h, bytes, &s) : kifu_load_bytes(h, bytes, "", format, false, &s);
  std::string lines = ok ? "" : "refused ";
  for (int n : {s.line, s.skipped.line, s.passed_over.line, s.after_end_line, flaws.first_line}) {
    lines += std::to_string(n) + " ";
  }
  return lines + testing::kif_text(h.kifu);
}

TEST(LineEnds, EveryFormatReadsTheSameGameWithEveryKindOfLineEnd) {
  const struct {
    const char* file;
    int format;
    const char* added;  // a line behind the file, for a line number to tell
    bool utf8;          // written in UTF-8, with a byte that is none on line 3
  } cases[] = {
      {"kif/cut_move.kif", kFormatKif, "", false},     {"kif/variations.kif", kFormatCkf, "", false},
      {"kif/labels.kif", kFormatKif, "", true},        {"ki2/long_variation_number.ki2", kFormatKi2, "", false},
      {"csa/even_game.csa", kFormatCsa, "+5958OU\n", false},
      {"qvx/nested.qvx", kFormatKifHenka, "no move\n", false}, {"qvf/position.qvf", kFormatQvf, "", false},
      {"csa/other_program.csa", kFormatUnknown, "", false},   {"kif/cut_move.kif", kFormatUnknown, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string lf = with_ends(testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/" + c.file), "\n") + c.added;
    if (c.utf8) {
      lf = sjis_to_utf8(lf);
      const size_t third = lf.find('\n', lf.find('\n') + 1) + 1;
      lf = lf.substr(0, third) + "\xFF" + lf.substr(third);
    }
    const std::string want = loaded(lf, c.format, c.utf8);
    ASSERT_NE(want.substr(0, 7), "refused");
    for (const char* end : {"\r\n", "\r", "\r\r\n"}) EXPECT_EQ(loaded(with_ends(lf, end), c.format, c.utf8), want);
  }
}

}  // namespace
}  // namespace model
