// The KIF reader on damaged files: seeded truncations and mutations of the
// test files. No read may crash or trip a sanitizer; a failed read leaves the
// record as it was, and a successful one gives a record whose every position
// is valid and whose written form reads back.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "kif_test_util.h"
#include "model/kif_format.h"
#include "model/kifu.h"

namespace model {
namespace {

using testing::kif_data_path;
using testing::kif_text;
using testing::read_file_bytes;
using testing::read_kif_text;

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

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string join(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l;
  return s;
}

// One random change: a cut, a changed or inserted byte, or a line dropped,
// doubled, moved or taken from another file.
void mutate(std::string& text, const std::vector<std::string>& donors, std::mt19937& rng) {
  static const char kInteresting[] =
      "0123456789()|:#%*!= v\n\r\t\x81\x40\x82\x4f\x90\x94\x88\xea\x00";
  auto pick = [&](size_t n) { return n ? rng() % n : 0; };
  if (text.empty()) text = donors[pick(donors.size())];
  std::vector<std::string> lines = split_lines(text);
  switch (rng() % 8) {
    case 0:
      text.resize(pick(text.size()));
      return;
    case 1:
      text[pick(text.size())] = static_cast<char>(rng());
      return;
    case 2:
      text[pick(text.size())] = kInteresting[pick(sizeof kInteresting)];
      return;
    case 3:
      text.insert(pick(text.size()), 1, kInteresting[pick(sizeof kInteresting)]);
      return;
    case 4:
      lines.erase(lines.begin() + static_cast<long>(pick(lines.size())));
      break;
    case 5: {
      const size_t i = pick(lines.size());
      lines.insert(lines.begin() + static_cast<long>(i), lines[i]);
      break;
    }
    case 6:
      std::swap(lines[pick(lines.size())], lines[pick(lines.size())]);
      break;
    default: {
      const std::vector<std::string> other = split_lines(donors[pick(donors.size())]);
      const std::string& line = other[pick(other.size())];
      lines.insert(lines.begin() + static_cast<long>(pick(lines.size())), line);
      break;
    }
  }
  text = join(lines);
}

TEST(KifFuzz, DamagedFilesNeverCorruptTheRecord) {
  std::vector<std::string> files;
  for (const char* name :
       {"variations.kif", "handicap.kif", "setup.kif", "tsume.kif", "labels.kif"}) {
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
    const int r = kifu_read_kif(kifu, reader, merge);
    if (r != 0) {
      ++failed;
      ASSERT_EQ(r, -1);
      ASSERT_EQ(kif_text(kifu), base_text) << "round " << round;
      continue;
    }
    ++read;
    for (const KifuKyokumen* n : kifu.table->Nodes()) {
      ASSERT_TRUE(n->kyokumen.Check()) << "round " << round;
    }
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
