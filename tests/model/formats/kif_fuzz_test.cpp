// The KIF reader on damaged files: seeded truncations and mutations of the
// test files. No read may crash or trip a sanitizer; a failed read leaves the
// record as it was, and a successful one gives a record whose every position
// is valid and whose written form reads back in every format.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "model/formats/kif_format.h"
#include "model/record/kifu.h"
#include "tests/model/formats/damaged_text.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/formats/round_trip.h"

namespace model {
namespace {

using testing::kif_data_path, testing::kif_text, testing::read_file_bytes, testing::read_kif_text;

// Serves the lines of a byte string, NUL bytes included.
class StringReader : public TextReader {
 public:
  explicit StringReader(std::string bytes) : bytes_(std::move(bytes)) {}
  int GetLine(KString& line) override {
    line.Free();
    if (pos_ >= bytes_.size()) return -1;
    size_t end = bytes_.find('\n', pos_);
    end = end == std::string::npos ? bytes_.size() : end + 1;
    line.AssignBytes(bytes_.data() + pos_, static_cast<int>(end - pos_));
    pos_ = end;
    return 0;
  }
  char* Gets(char*, int) override { return nullptr; }
  int Read(char*, int) override { return 0; }
  int Unget(int) override { return 0; }
  void Rewind() override { pos_ = 0; }
  bool IsEof() const override { return pos_ >= bytes_.size(); }

 private:
  std::string bytes_;
  size_t pos_ = 0;
};

// One random change: a cut, a byte edit of damage_once (NUL bytes included),
// a line dropped, or a whole line of one of the files put at a line start.
void mutate(std::string& text, const std::vector<std::string>& donors, std::mt19937& rng) {
  static constexpr std::string_view kInteresting{
      "0123456789()|:#%*!= v\n\r\t\x81\x40\x82\x4f\x90\x94\x88\xea\x00", 33};
  const std::string& donor = donors[rng() % donors.size()];
  if (text.empty()) text = donor;
  switch (rng() % 4) {
    case 0:
      text.resize(rng() % text.size());
      break;
    case 1:
      testing::damage_once(text, rng, kInteresting, 120);
      break;
    case 2: {
      const size_t at = text.rfind('\n', rng() % text.size()) + 1;
      text.erase(at, text.find('\n', at) - at + 1);
      break;
    }
    default: {
      const size_t from = donor.rfind('\n', rng() % donor.size()) + 1;  // npos + 1 is 0
      const size_t at = text.rfind('\n', rng() % text.size()) + 1;
      text.insert(at, donor.substr(from, donor.find('\n', from) - from + 1));
    }
  }
}

TEST(KifFuzz, DamagedFilesNeverCorruptTheRecord) {
  std::vector<std::string> files;
  for (const char* name :
       {"variations.kif", "handicap.kif", "setup.kif", "tsume.kif", "labels.kif",
        "other_program_times.kif", "cut_move.kif"}) {
    files.push_back(read_file_bytes(kif_data_path(name)));
    ASSERT_FALSE(files.back().empty());
  }
  // The record that every read starts from, and its text.
  Kifu base;
  ASSERT_EQ(read_kif_text(base, files[0]), 0);
  const std::string base_text = kif_text(base);

  std::mt19937 rng(20240309);
  int failed = 0, read = 0;
  for (int round = 0; round < 4000; ++round) {
    std::string text = files[round % files.size()];
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int c = 0; c < changes; ++c) mutate(text, files, rng);
    const bool merge = rng() % 4 == 0;

    Kifu kifu(base);
    StringReader reader(text);
    KifuReadStop stop;
    stop.line = -1;
    const int r = kifu_read_kif(kifu, reader, merge, &stop);
    if (r != 0) {
      ++failed;
      ASSERT_EQ(r, -1);
      ASSERT_EQ(kif_text(kifu), base_text) << "round " << round;
      ASSERT_EQ(stop.line, 0);
      continue;
    }
    ++read;
    // A stop names a line of the text, at most the last (which may lack "\n").
    ASSERT_GE(stop.line, 0);
    ASSERT_LE(stop.line, std::count(text.begin(), text.end(), '\n') + 1) << "round " << round;
    for (const KifuKyokumen* n : kifu.table->Nodes()) {
      ASSERT_TRUE(n->kyokumen.Check()) << "round " << round;
    }
    ASSERT_TRUE(testing::every_writer_reads_back(kifu)) << "round " << round;
    const std::string written = kif_text(kifu);
    Kifu again;
    ASSERT_EQ(read_kif_text(again, written), 0) << "round " << round;
    ASSERT_EQ(again.table->Count(), kifu.table->Count()) << "round " << round;
  }
  // Both outcomes must have been exercised.
  EXPECT_GT(failed, 100);
  EXPECT_GT(read, 100);
}

}  // namespace
}  // namespace model
