// Text streams: the six-bit packing, line splitting of every reader kind, the
// CR LF handling of the writers and number output.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/text/ckf_packing.h"
#include "model/text/text_stream.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

using namespace std::string_literals;
using testing::read_file_bytes;

// A file of this test in the process's own temporary folder.
std::string temp_path(const char* name) {
  return ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
}

void write_raw(const std::string& path, const std::string& bytes) {
  FILE* fp = std::fopen(path.c_str(), "wb");
  ASSERT_NE(fp, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), fp);
  std::fclose(fp);
}

std::string packed(const std::string& bytes) {
  const std::string path = temp_path("pack.ckf");
  PackedTextWriter w;
  EXPECT_EQ(w.Open(path.c_str()), 0);
  for (char c : bytes) EXPECT_EQ(w.Putc(c), static_cast<unsigned char>(c));
  EXPECT_EQ(w.Close(), 0);
  return read_file_bytes(path);
}

// Every line GetLine returns, until it reports the end.
std::vector<std::string> lines_of(TextReader& r) {
  std::vector<std::string> lines;
  KString line;
  while (r.GetLine(line) == 0) lines.emplace_back(line.c_str(), line.length());
  EXPECT_EQ(line.length(), 0);
  return lines;
}

TEST(CkfPacking, GivenVectorsAndCharacterMap) {
  EXPECT_EQ(packed("abc"), "XVIc");
  EXPECT_EQ(packed("a"), "XP");  // the tail reaches the file at close
  EXPECT_EQ(packed("ab"), "XVH");
  EXPECT_EQ(packed(""), "");
  // 0xFF 0xFF 0xFF is four values of 63, stored as '?' unshifted.
  EXPECT_EQ(packed("\xff\xff\xff"), "????");

  // A writer destroyed without Close still flushes its tail.
  const std::string path = temp_path("dtor.ckf");
  {
    PackedTextWriter w;
    ASSERT_EQ(w.Open(path.c_str()), 0);
    EXPECT_EQ(w.Puts("abca"), 4);
  }
  EXPECT_EQ(read_file_bytes(path), "XVIcXP");
}

// Putc reports a failed write as -1 (a full device), as it does on a closed
// writer, and Close then reports the failure too.
TEST(CkfPacking, PutcReportsFailures) {
  PackedTextWriter w;
  EXPECT_EQ(w.Putc('a'), -1);  // not open
  FILE* probe = std::fopen("/dev/full", "wb");
  if (probe == nullptr) GTEST_SKIP() << "no /dev/full";
  std::fclose(probe);
  ASSERT_EQ(w.Open("/dev/full"), 0);
  int written = 0, result = 0;
  for (; written < 1 << 20 && (result = w.Putc('a')) == 'a'; ++written) {
  }
  EXPECT_EQ(result, -1) << "after " << written << " bytes";
  EXPECT_EQ(w.Close(), -1);
  EXPECT_EQ(w.Putc('a'), -1);
}

TEST(CkfPacking, ArbitraryBytesRoundTrip) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  std::mt19937 rng(7);
  for (int i = 0; i < 3000; ++i) bytes += static_cast<char>(rng() & 255);
  bytes += "\r\n\n\r\r\n" "投了\n";
  // Every tail length, and lengths on both sides of a block of 768 bytes.
  for (size_t n : {bytes.size(), bytes.size() - 1, bytes.size() - 2, size_t{767}, size_t{768},
                   size_t{769}, size_t{1536}, size_t{1}}) {
    const std::string in = bytes.substr(0, n);
    const std::string text = packed(in);
    EXPECT_EQ(text.size(), (n * 4 + 2) / 3);
    for (char c : text) ASSERT_TRUE(c >= 48 && c <= 111) << int(c);

    PackedTextReader r;
    ASSERT_EQ(r.Open(temp_path("pack.ckf").c_str()), 0);
    std::string out(n + 10, '\0');
    EXPECT_EQ(r.Read(out.data(), static_cast<int>(out.size())), static_cast<int>(n));
    out.resize(n);
    EXPECT_EQ(out, in);
    EXPECT_TRUE(r.IsEof());
    r.Rewind();
    std::string joined;
    for (const std::string& line : lines_of(r)) joined += line;
    EXPECT_EQ(joined, in);  // the lines split the bytes without losing any
  }
}

TEST(PackedTextReader, BlocksPushBackAndCorruptFiles) {
  const std::string path = temp_path("block.ckf");
  std::mt19937 rng(11);
  std::string chars;
  for (int i = 0; i < 1025; ++i) chars += ckf_char(static_cast<int>(rng() & 63));
  // 1024 characters decode to one block of 768 bytes; a 1025th character
  // carries no whole byte.
  for (int n : {1024, 1025}) {
    write_raw(path, chars.substr(0, n));
    PackedTextReader r;
    ASSERT_EQ(r.Open(path.c_str()), 0);
    char out[800];
    EXPECT_EQ(r.Read(out, 800), 768);
    EXPECT_EQ(r.Read(out, 800), 0);
    KString line;
    EXPECT_EQ(r.GetLine(line), -1);
  }

  // A pushed-back byte is read again before the rest.
  write_raw(path, "XVIc");
  PackedTextReader r;
  ASSERT_EQ(r.Open(path.c_str()), 0);
  r.Unget('z');
  char out[8] = {};
  EXPECT_EQ(r.Read(out, 8), 4);
  EXPECT_EQ(std::string(out, 4), "zabc");

  // Characters outside the packing (line breaks, NUL, high bytes) are decoded
  // like any other, six bits each; nothing reads out of bounds.
  std::string junk;
  for (int i = 0; i < 3001; ++i) junk += static_cast<char>(rng() & 255);
  write_raw(path, junk);
  ASSERT_EQ(r.Open(path.c_str()), 0);
  std::string got(3000, '\0');
  EXPECT_EQ(r.Read(got.data(), 3000), 3001 * 6 / 8);
  EXPECT_EQ(r.Open(temp_path("missing.ckf").c_str()), -1);
  EXPECT_EQ(r.Read(out, 8), 0);
  KString line;
  EXPECT_EQ(r.GetLine(line), -1);
}

TEST(FileTextReader, LineEndsLongLinesAndFailures) {
  const std::string path = temp_path("lines.txt");
  const std::string long_line(300, 'x');
  write_raw(path, "a\r\nb\n\n" + long_line + "\nnul\0byte\r\nlast"s);
  FileTextReader r;
  ASSERT_EQ(r.Open(path.c_str()), 0);
  EXPECT_EQ(lines_of(r), (std::vector<std::string>{"a\r\n", "b\n", "\n", long_line + "\n",
                                                   "nul\0byte\r\n"s, "last"}));
  EXPECT_TRUE(r.IsEof());
  r.Rewind();
  char buf[8];
  EXPECT_EQ(r.Read(buf, 2), 2);
  EXPECT_EQ(r.Unget('Q'), 'Q');
  EXPECT_EQ(r.Read(buf, 2), 2);
  EXPECT_EQ(std::string(buf, 2), "Q\n");

  EXPECT_EQ(r.Open(temp_path("missing.txt").c_str()), -1);
  EXPECT_EQ(r.Open(::testing::TempDir().c_str()), -1);  // a folder is no file
  KString line = KString::KStringFromC("old");
  EXPECT_EQ(r.GetLine(line), -1);
  EXPECT_TRUE(line.empty());
  EXPECT_EQ(r.Read(buf, 8), 0);
}

// Every reader kind ends a line at LF, at CRs followed by LF and at a CR that
// no LF follows; the bytes it read ahead to tell come next, to Read too.
TEST(TextReaders, ALoneCrEndsALineInEveryKind) {
  const std::string text = "a\rb\r\nc\n\r\rd\r\r\ne\r\r", file = temp_path("cr.txt"), pack = temp_path("cr.ckf");
  write_raw(file, text);
  write_raw(pack, packed(text));
  FileTextReader f;
  PackedTextReader k;
  MemTextReader m(text.c_str());
  ASSERT_TRUE(f.Open(file.c_str()) == 0 && k.Open(pack.c_str()) == 0);
  for (TextReader* r : std::vector<TextReader*>{&f, &k, &m}) {
    EXPECT_EQ(lines_of(*r), (std::vector<std::string>{"a\r", "b\r\n", "c\n", "\r", "\r", "d\r\r\n", "e\r", "\r"}));
    r->Rewind();
    KString line;
    for (int i = 0; i < 4; ++i) r->GetLine(line);
    char buf[4];
    ASSERT_EQ(r->Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "\rd\r\r");
  }
}

TEST(FileTextWriter, WritesCrLfAndKeepsStandardStreamsOpen) {
  const std::string path = temp_path("out.txt");
  FileTextWriter w;
  ASSERT_EQ(w.Open(path.c_str()), 0);
  EXPECT_EQ(w.Puts("a\nb\r\n"), 6);
  EXPECT_EQ(w.Puts("\r"), 1);
  EXPECT_EQ(w.Puts("\n\n"), 3);  // the first follows the "\r" of the last call
  EXPECT_EQ(w.Putc('\n'), '\n');
  EXPECT_EQ(w.Close(), 0);
  EXPECT_EQ(read_file_bytes(path), "a\r\nb\r\n\r\n\r\n\r\n");
  EXPECT_EQ(w.Puts("x"), -1);
  EXPECT_EQ(w.Putc('x'), -1);
  EXPECT_EQ(w.Open(::testing::TempDir().c_str()), -1);

  ::testing::internal::CaptureStdout();
  ASSERT_EQ(w.Open("-"), 0);
  w.Puts("to stdout");
  EXPECT_EQ(w.Close(), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "to stdout");
  EXPECT_GE(std::fputs("", stdout), 0);  // still open
}

// Line splitting and CR LF output are pinned by the golden files of every
// format; here the push-back the QVF reader relies on, and a missing text.
// Gets of every reader kind reads up to and including the line's "\n", at most
// n - 1 bytes, always ends them with a NUL, and gives null when nothing was
// read, at the end or when not open.
TEST(TextReaders, GetsReadsOneLineAtMostNMinusOneBytes) {
  const std::string text = "ab\ncdefgh\nij";
  const std::string file = temp_path("gets.txt"), packed_file = temp_path("gets.ckf");
  write_raw(file, text);
  write_raw(packed_file, packed(text));
  FileTextReader f;
  PackedTextReader k;
  MemTextReader m(text.c_str());
  ASSERT_EQ(f.Open(file.c_str()), 0);
  ASSERT_EQ(k.Open(packed_file.c_str()), 0);
  LineCountingReader counted(m);
  TextReader* readers[] = {&f, &k, &m, &counted};
  for (TextReader* r : readers) {
    if (r == &counted) counted.Rewind();  // the memory reader under it is at its end
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    ASSERT_EQ(r->Gets(buf, sizeof buf), buf);
    EXPECT_STREQ(buf, "ab\n");
    EXPECT_EQ(r->Gets(buf, 4), buf);
    EXPECT_STREQ(buf, "cde");
    if (r != &f) {  // no room for a byte: nothing read
      EXPECT_EQ(r->Gets(buf, 1), nullptr);
      EXPECT_EQ(buf[0], '\0');
    }
    EXPECT_EQ(r->Gets(buf, sizeof buf), buf);
    EXPECT_STREQ(buf, "fgh\n");
    EXPECT_EQ(r->Gets(buf, sizeof buf), buf);
    EXPECT_STREQ(buf, "ij");
    EXPECT_EQ(r->Gets(buf, sizeof buf), nullptr);
    EXPECT_TRUE(r->IsEof());
  }
  // The counting reader passes every call on and counts only GetLine's lines.
  EXPECT_EQ(counted.lines(), 0);
  counted.Rewind();
  char two[2];
  EXPECT_EQ(counted.Read(two, 2), 2);
  EXPECT_EQ(counted.Unget('x'), 1);
  KString line;
  EXPECT_EQ(counted.GetLine(line), 0);
  EXPECT_STREQ(line.c_str(), "b\n");
  EXPECT_EQ(counted.lines(), 1);
  EXPECT_FALSE(counted.IsEof());
  counted.Rewind();
  EXPECT_EQ(counted.lines(), 0);

  f.Close();
  k.Close();
  char buf[4];
  EXPECT_EQ(f.Gets(buf, sizeof buf), nullptr);
  EXPECT_EQ(k.Gets(buf, sizeof buf), nullptr);
}

TEST(MemTextStreams, PushBackAndAMissingText) {
  MemTextReader r("ab");
  EXPECT_EQ(r.Unget('z'), 0);  // nothing at position 0
  char buf[8];
  EXPECT_EQ(r.Read(buf, 2), 2);
  EXPECT_EQ(r.Unget('z'), 1);  // steps back over its own byte
  EXPECT_EQ(r.Read(buf, 8), 1);
  EXPECT_EQ(buf[0], 'b');
  MemTextReader none(nullptr);
  EXPECT_TRUE(none.IsEof());
  EXPECT_EQ(none.Read(buf, 8), 0);
}

TEST(TextWriter, PutIntInEveryNumberMode) {
  KString text;
  MemTextWriter w(text, true);
  auto put = [&](int value) {
    text.Free();
    w.PutInt(value);
    return std::string(text.c_str());
  };
  EXPECT_EQ(put(12), "12");
  EXPECT_EQ(w.SetOption(TextWriter::kOptionWidth, 4).width(), 4);
  EXPECT_EQ(put(-5), "  -5");
  EXPECT_EQ(put(123456), "123456");
  w.SetOption(TextWriter::kOptionNumberMode, TextWriter::kNumberKanji);
  EXPECT_EQ(put(1234), "千二百三十四");
  w.SetOption(TextWriter::kOptionNumberMode, TextWriter::kNumberZenkaku);
  EXPECT_EQ(put(-7), "－７");
  w.SetOption(7, 1);  // unknown options change nothing
  EXPECT_EQ(w.number_mode(), TextWriter::kNumberZenkaku);
  EXPECT_EQ(w.width(), 4);
}

}  // namespace
}  // namespace model
