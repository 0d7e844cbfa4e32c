// Every text reader on damaged files: seeded cuts, byte edits (NUL bytes
// included), dropped lines and lines of other files, read into a loaded record,
// plain, as a merge and (CSA) as clipboard text. No read may crash or trip a
// sanitizer; a refused read leaves the record as it was and names no stop line;
// an accepted one gives only valid positions, a stop line inside the text, and
// a record whose every writer's text reads back in its own format.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/formats/kif_henka_reader.h"
#include "tests/model/formats/damaged_text.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/formats/round_trip.h"
#include "tests/model/position/position_builder.h"

namespace model {
namespace {

using testing::kif_text;

int read_as(int format, Kifu& kifu, const std::string& text, bool merge, bool strict, KifuReadStop* stop) {
  MemTextReader r(text.data(), static_cast<int>(text.size()));
  switch (format) {
    case kFormatKif: return kifu_read_kif(kifu, r, merge, stop);
    case kFormatKifHenka: return kifu_read_kif_henka(kifu, r, merge, stop);
    case kFormatKi2: return kifu_read_ki2(kifu, r, merge);
    default: return kifu_read_csa(kifu, r, merge, strict);
  }
}

// One random change: a cut, a byte edit of damage_once, a line dropped, or a
// whole line of one of the files put at a line start.
void mutate(std::string& text, const std::vector<std::string>& donors, std::string_view noise,
            std::mt19937& rng) {
  const std::string& donor = donors[rng() % donors.size()];
  if (text.empty()) text = donor;
  switch (rng() % 4) {
    case 0: text.resize(rng() % text.size()); break;
    case 1: testing::damage_once(text, rng, noise, 120); break;
    case 2: {
      const size_t at = text.rfind('\n', rng() % text.size()) + 1;  // npos + 1 is 0
      text.erase(at, text.find('\n', at) - at + 1);
      break;
    }
    default: {
      const size_t from = donor.rfind('\n', rng() % donor.size()) + 1;
      const size_t at = text.rfind('\n', rng() % text.size()) + 1;
      text.insert(at, donor.substr(from, donor.find('\n', from) - from + 1));
    }
  }
}

struct Case {
  int format;
  std::vector<const char*> files;  // the first one is the loaded record
  std::string_view noise;          // the bytes that matter to the format
  int rounds;
  int sample;  // every writer is tried on every sample-th round, for time
};

TEST(DamagedRecords, NeverHarmTheRecordAndWhatIsReadWritesBack) {
  using namespace std::string_view_literals;
  const Case cases[] = {
      {kFormatKif,
       {"kif/variations.kif", "kif/handicap.kif", "kif/setup.kif", "kif/tsume.kif", "kif/labels.kif",
        "kif/other_program_times.kif", "kif/cut_move.kif"},
       "0123456789()|:#%*!= v\n\r\t\x81\x40\x82\x4f\x90\x94\x88\xea\x00"sv, 4000, 1},
      {kFormatKifHenka, {"qvx/nested.qvx", "qvx/hostile_header.qvx"}, "\n|:*#\x81@0"sv, 3000, 1},
      {kFormatKi2,
       {"ki2/even_game.ki2", "ki2/setup.ki2", "ki2/handicap.ki2", "ki2/other_program.ki2"},
       "*&|:0123456789 \r\n\x81\x40\x81\xa3\x81\xa2\x93\xaf\x95\xcf\x89\xbb"sv, 5000, 2},
      {kFormatCsa,
       {"csa/even_game.csa", "csa/setup_chudan.csa", "csa/other_program.csa", "csa/handicap_pi.csa",
        "csa/tsume_al.csa"},
       "+-%,'TPNIAL0123456789 \r\n\x82\xa0\x81"sv, 12000, 4},
  };
  std::mt19937 rng(20240309);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::format_name(c.format));
    std::vector<std::string> files;
    for (const char* name : c.files) {
      files.push_back(testing::read_file_bytes(std::string(VELKORA_TEST_DATA) + "/" + name));
      ASSERT_FALSE(files.back().empty()) << name;
    }
    Kifu base;
    ASSERT_EQ(read_as(c.format, base, files[0], false, false, nullptr), 0);
    const std::string base_text = kif_text(base);
    int failed = 0, read = 0;
    for (int round = 0; round < c.rounds && !HasFailure(); ++round) {
      std::string text = files[round % files.size()];
      for (int n = 1 + static_cast<int>(rng() % 4); n > 0; --n) mutate(text, files, c.noise, rng);
      Kifu kifu(base);
      KifuReadStop stop;
      stop.line = -1;
      if (read_as(c.format, kifu, text, rng() % 4 == 0, rng() % 2, &stop) != 0) {
        ++failed;
        ASSERT_EQ(kif_text(kifu), base_text) << "round " << round;
        if (c.format == kFormatKif || c.format == kFormatKifHenka) {
          ASSERT_EQ(stop.line, 0);
        }
      } else {
        ++read;
        if (c.format == kFormatKif || c.format == kFormatKifHenka) {
          ASSERT_GE(stop.line, 0);
          const auto ends = std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r');
          ASSERT_LE(stop.line, ends + 1) << "round " << round;  // a lone CR ends a line too
        }
        for (const KifuKyokumen* n : kifu.table->Nodes()) ASSERT_TRUE(n->kyokumen.Check()) << round;
        if (round % c.sample == 0) {
          ASSERT_TRUE(testing::every_writer_reads_back(kifu)) << "round " << round;
        }
        Kifu again;
        ASSERT_EQ(testing::read_kif_text(again, kif_text(kifu)), 0) << "round " << round;
        ASSERT_EQ(again.table->Count(), kifu.table->Count()) << "round " << round;
      }
      if (c.format != kFormatCsa) continue;
      // The position reader on the same text: a refusal leaves the position.
      Kyokumen pos = testing::initial(kKakuOchi);
      const Kyokumen marker = pos;
      MemTextReader r(text.data(), static_cast<int>(text.size()));
      if (csa_read_position(r, pos) == 0) {
        ASSERT_TRUE(pos.Check()) << "round " << round;
      } else {
        ASSERT_EQ(pos, marker) << "round " << round;
      }
    }
    // Both outcomes must have been exercised.
    EXPECT_GT(failed, c.rounds / 40);
    EXPECT_GT(read, c.rounds / 40);
  }
}

}  // namespace
}  // namespace model
