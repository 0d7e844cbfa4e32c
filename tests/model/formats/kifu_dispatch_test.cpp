// Loading and saving by format: extension detection, refusals that leave the
// holder and existing files alone, merge loads, the paste order, a file's text
// whose format nothing names, UTF-8 files, and every kind of line end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "model/formats/kifu_dispatch.h"
#include "model/text/record_file.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"
#include "tests/model/formats/record_snapshot.h"
#include "tests/model/formats/round_trip.h"
#include "tests/model/formats/vkr_test_writer.h"

namespace model {
namespace {

using testing::record_snapshot;

std::string data(const char* name) { return std::string(VELKORA_TEST_DATA) + "/" + name; }

// Loading (or merging) and saving with the format chosen by the extension.
bool load(KifuHolder& h, const std::string& path, bool merge = false) {
  int format = 0;
  return kifu_load_file(h, path.c_str(), &format, merge);
}
bool save(KifuHolder& h, const std::string& path) {
  int format = 0;
  return kifu_save_file(h, path.c_str(), &format);
}

// Loading each format by its extension is tested below; here the edge cases.
TEST(KifuDispatch, FormatFromExtension) {
  EXPECT_EQ(kifu_format_from_path("A.KIF"), kFormatKif);
  EXPECT_EQ(kifu_format_from_path("x/y.Bkf"), kFormatKif);
  EXPECT_EQ(kifu_format_from_path("g.kifu"), kFormatUnknown);  // four letters
  EXPECT_EQ(kifu_format_from_path("kif"), kFormatUnknown);     // no dot
  EXPECT_EQ(kifu_format_from_path("dir.kif/game"), kFormatUnknown);
  EXPECT_EQ(kifu_format_from_path("g.txt"), kFormatUnknown);
  EXPECT_EQ(kifu_format_from_path(nullptr), kFormatUnknown);
}

TEST(KifuDispatch, FailedLoadsLeaveTheHolderAlone) {
  KifuHolder h;
  int format = 0;
  ASSERT_TRUE(kifu_load_file(h, data("kif/variations.kif").c_str(), &format, false));
  EXPECT_EQ(format, kFormatKif);
  EXPECT_EQ(h.current, h.kifu.root.get());
  EXPECT_STREQ(h.name.c_str(), data("kif/variations.kif").c_str());
  h.modified = 1;
  // A CSA file named as KIF is not KIF (nor KIF with change sections).
  const std::string tmp = ::testing::TempDir() + "/notkif.kif";
  std::ofstream(tmp, std::ios::binary) << testing::read_file_bytes(data("csa/even_game.csa"));

  // Every failure tells its kind. Files larger than the limit are refused by
  // their size; an input of unknown size (a device) once it passes the limit.
  const std::string huge = ::testing::TempDir() + "/huge.csa";
  std::ofstream(huge, std::ios::binary) << "";
  ASSERT_EQ(truncate(huge.c_str(), kMaxRecordBytes + 1), 0);
  const struct {
    std::string path;
    int format;
    KifuLoadError::Kind kind;
    int os_error;
  } failures[] = {
      {"noextension", 0, KifuLoadError::kUnknownFormat, 0},
      {"/no/such/file.kif", 0, KifuLoadError::kSystem, ENOENT},
      {"/tmp", 0, KifuLoadError::kUnknownFormat, 0},
      {::testing::TempDir(), kFormatKif, KifuLoadError::kSystem, EISDIR},
      {tmp, kFormatKif, KifuLoadError::kNotARecord, 0},
      {huge, 0, KifuLoadError::kTooLarge, 0},
      {"/dev/zero", kFormatCsa, KifuLoadError::kTooLarge, 0},
  };
  const std::string kept = record_snapshot(h.kifu);
  for (const auto& f : failures) {
    KifuLoadError error;
    format = f.format;
    EXPECT_FALSE(kifu_load_file(h, f.path.c_str(), &format, false, nullptr, &error)) << f.path;
    EXPECT_EQ(error.kind, f.kind) << f.path;
    if (f.os_error) {
      EXPECT_EQ(error.os_error, f.os_error) << f.path;
    }
  }
  std::remove(huge.c_str());
  EXPECT_EQ(record_snapshot(h.kifu), kept);
  EXPECT_EQ(h.modified, 1);
  EXPECT_STREQ(h.name.c_str(), data("kif/variations.kif").c_str());
  // A given code overrides the extension.
  format = kFormatCsa;
  EXPECT_TRUE(kifu_load_file(h, tmp.c_str(), &format, false));
}

// Each format code loads its file; the text formats' files pasted load the
// same record, so the paste order gives each text to its own reader.
TEST(KifuDispatch, EveryFormatCodeLoadsAndPastesToItsReader) {
  const std::string dir = ::testing::TempDir();
  KifuHolder h;
  ASSERT_TRUE(load(h, data("kif/variations.kif")));
  ASSERT_TRUE(save(h, dir + "/every.ckf"));
  int format = 0;
  std::ofstream(dir + "/every.vkr", std::ios::binary) << testing::vkr_game_file(
      h.kifu.Start()->kyokumen, {{h.kifu.NodeAtTesu(1)->sashite}}, 1);
  // A change-branch file named as KIF: the KIF reader refuses it, the second
  // try on the rewound file reads it.
  const std::string henka = testing::read_file_bytes(data("qvx/nested.qvx"));
  std::ofstream(dir + "/henka.kif", std::ios::binary) << henka;
  MemTextReader reader(henka.c_str());
  ASSERT_EQ(kifu_read_kif(h.kifu, reader, false), -1);
  const struct {
    std::string path;
    int code;
    bool text;
  } cases[] = {{data("kif/variations.kif"), kFormatKif, true},
               {data("csa/even_game.csa"), kFormatCsa, true},
               {data("qvf/position.qvf"), kFormatQvf, true},
               {dir + "/every.vkr", kFormatVkr, false},
               {dir + "/every.ckf", kFormatCkf, false},
               {data("qvx/nested.qvx"), kFormatKifHenka, true},
               {dir + "/henka.kif", kFormatKif, false},
               {data("ki2/even_game.ki2"), kFormatKi2, true},
               {data("kif/other_program.kif"), kFormatKif, true}};
  std::string texts[std::size(cases)];
  for (size_t i = 0; i < std::size(cases); ++i) {
    KifuHolder loaded, pasted;
    ASSERT_TRUE(kifu_load_file(loaded, cases[i].path.c_str(), &(format = 0), false)) << i;
    EXPECT_EQ(format, cases[i].code) << i;
    texts[i] = testing::kif_text(loaded.kifu);
    if (!cases[i].text) continue;
    ASSERT_TRUE(kifu_load_memory(pasted, testing::read_file_bytes(cases[i].path).c_str())) << i;
    EXPECT_EQ(testing::kif_text(pasted.kifu), texts[i]) << i;
  }
  EXPECT_EQ(texts[4], texts[0]);
  EXPECT_EQ(texts[6], texts[5]);
  EXPECT_NE(texts[3].find("７六歩"), std::string::npos);
  EXPECT_NE(texts[8].find("  22 同　金(32)"), std::string::npos);
}

// Loading and pasting say where a KIF text's moves stop short of its end; a
// complete text, and any other format, leave the report empty.
TEST(KifuDispatch, LoadsTellWhereTheMovesStop) {
  const std::string cut = data("kif/cut_move.kif");
  KifuHolder h;
  KifuReadStop stop;
  int format = 0;
  ASSERT_TRUE(kifu_load_memory(h, testing::read_file_bytes(cut).c_str(), &stop));
  EXPECT_EQ(h.kifu.GetTesu(), 14);
  EXPECT_EQ(stop.line, 21);
  EXPECT_TRUE(kifu_load_file(h, data("csa/even_game.csa").c_str(), &(format = 0), false, &stop));
  EXPECT_EQ(stop.line, 0);
  EXPECT_TRUE(stop.text.empty());
  // The change-branch layout, read on the second try of a ".kif" file.
  std::string henka = testing::read_file_bytes(data("qvx/nested.qvx"));
  henka += "△９九歩\r\n";
  const std::string henka_kif = ::testing::TempDir() + "/stop.kif";
  std::ofstream(henka_kif, std::ios::binary) << henka;
  ASSERT_TRUE(kifu_load_file(h, henka_kif.c_str(), &(format = 0), false, &stop));
  EXPECT_EQ(stop.line, std::count(henka.begin(), henka.end(), '\n'));
  EXPECT_TRUE(stop.text == "△９九歩");

  // A start position that breaks the rules is told apart from text that is
  // no record, by the file load and by the paste.
  const std::string two_kings = ::testing::TempDir() + "/two_kings.csa";
  std::ofstream(two_kings, std::ios::binary) << "PI\nP+55OU\n+\n+7776FU\n";
  KifuLoadError error;
  EXPECT_FALSE(kifu_load_file(h, two_kings.c_str(), &(format = 0), false, &stop, &error));
  EXPECT_EQ(error.kind, KifuLoadError::kBadStart);
  EXPECT_FALSE(kifu_load_memory(h, "手合割：平手\r\n後手の持駒：飛二\r\n手数----指手--\r\n", &stop));
  EXPECT_TRUE(stop.bad_start);
  EXPECT_FALSE(kifu_load_memory(h, "hello\n", &stop));
  EXPECT_FALSE(stop.bad_start);
}

// A handicap name that no reader knows is why the text could not be read: the
// readers of the KIF header tell its line and the name, to the file load and
// to the paste alike, and the holder stays as it was. Other header faults
// stay text that is no record.
TEST(KifuDispatch, AnUnknownHandicapIsToldWithItsLineAndName) {
  KifuHolder h;
  ASSERT_TRUE(load(h, data("kif/variations.kif")));
  const std::string kept = record_snapshot(h.kifu);
  const std::string kif = "# 棋譜\r\n表題：研究\r\n手合割：右香落ち\r\n手数----指手--\r\n1 ７六歩(77)\r\n";
  const std::string ki2 = "表題：研究\r\n\r\n手合割：右香落ち\r\n▲７六歩\r\n";
  const std::string henka = "表題：研究\r\n先手番\r\n手合割：右香落ち\r\n\r\n";
  const struct {
    const std::string& text;
    int format;
  } cases[] = {{kif, kFormatKif}, {ki2, kFormatKi2}, {henka, kFormatKifHenka}, {henka, kFormatKif}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::format_name(c.format) + (": " + c.text));
    KifuReadStop stop;
    KifuLoadError error;
    EXPECT_FALSE(kifu_load_bytes(h, c.text, nullptr, c.format, false, &stop, &error));
    EXPECT_EQ(error.kind, KifuLoadError::kUnknownHandicap);
    EXPECT_EQ(stop.unknown_handicap_line, 3);
    EXPECT_STREQ(stop.unknown_handicap.c_str(), "右香落ち");
    stop = KifuReadStop{};
    EXPECT_FALSE(kifu_load_memory(h, c.text.c_str(), &stop));
    EXPECT_EQ(stop.unknown_handicap_line, 3);
    EXPECT_STREQ(stop.unknown_handicap.c_str(), "右香落ち");
  }
  EXPECT_EQ(record_snapshot(h.kifu), kept);
  KifuReadStop stop;
  KifuLoadError error;
  EXPECT_FALSE(kifu_load_bytes(h, "手合割：平手\r\n先手の持駒：玉\r\n手数----指手--\r\n", nullptr, kFormatKif, false,
                               &stop, &error));
  EXPECT_EQ(error.kind, KifuLoadError::kNotARecord);
  EXPECT_EQ(stop.unknown_handicap_line, 0);
}

TEST(KifuDispatch, SavesRefuseReadOnlyFormatsAndNeverHalfWrite) {
  KifuHolder h;
  ASSERT_TRUE(load(h, data("kif/labels.kif")));
  const std::string dir = ::testing::TempDir();
  for (const char* ext : {".vkr", ".qvx"}) {
    const std::string path = dir + "/keep" + ext;
    std::ofstream(path, std::ios::binary) << "old";
    EXPECT_FALSE(save(h, path));
    EXPECT_EQ(testing::read_file_bytes(path), "old");
  }
  // The target is a folder: the write succeeds into the temporary file, the
  // rename fails, nothing is left behind and the holder keeps its state.
  const std::string folder = dir + "/folder.kif";
  mkdir(folder.c_str(), 0755);
  h.modified = 1;
  EXPECT_FALSE(save(h, folder));
  EXPECT_EQ(h.modified, 1);
  EXPECT_STRNE(h.name.c_str(), folder.c_str());

  // Each written format reads back; KIF and packed KIF carry the whole graph.
  for (const char* name : {"/out.kif", "/out.ckf", "/out.ki2", "/out.csa", "/out.qvf"}) {
    const std::string path = dir + name;
    ASSERT_TRUE(save(h, path)) << name;
    EXPECT_EQ(h.modified, 0);
    EXPECT_STREQ(h.name.c_str(), path.c_str());
    KifuHolder back;
    ASSERT_TRUE(load(back, path)) << name;
    EXPECT_EQ(back.kifu.Start()->kyokumen, h.kifu.Start()->kyokumen);
    if (std::string(name) == "/out.kif" || std::string(name) == "/out.ckf") {
      EXPECT_EQ(record_snapshot(back.kifu), record_snapshot(h.kifu)) << name;
    }
  }

  h.SetCurrent(h.kifu.NodeAtTesu(3));
  const std::string from = dir + "/from.kif";
  int format = 0;
  ASSERT_TRUE(kifu_save_file_from(h, from.c_str(), &format));
  KifuHolder pos;
  ASSERT_TRUE(load(pos, from));
  EXPECT_EQ(pos.kifu.Start()->kyokumen, h.kyokumen);
  EXPECT_EQ(pos.kifu.GetTesu(), 0);
}

// A save replaces what the path leads to, never the path's own link or
// device: a link keeps leading to the file, which keeps its mode; a pipe (as
// a device such as /dev/null) takes the text and stays a pipe; a link planted
// where a temporary name of the process might be leads nowhere it is written.
TEST(KifuDispatch, SavesKeepLinksModesPipesAndPlantedNames) {
  KifuHolder h;
  ASSERT_TRUE(load(h, data("kif/labels.kif")));
  const std::string dir = ::testing::TempDir() + "/save_paths";
  mkdir(dir.c_str(), 0755);
  const std::string target = dir + "/target.kif", link = dir + "/link.kif";
  std::remove(target.c_str());
  std::remove(link.c_str());
  std::ofstream(target, std::ios::binary) << "old";
  chmod(target.c_str(), 0600);
  ASSERT_EQ(symlink("target.kif", link.c_str()), 0);
  ASSERT_TRUE(save(h, link));
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  KifuHolder back;
  ASSERT_TRUE(load(back, target));
  EXPECT_EQ(record_snapshot(back.kifu), record_snapshot(h.kifu));

  const std::string pipe = dir + "/pipe.csa";
  std::remove(pipe.c_str());
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);  // so that the writer's open does not wait
  ASSERT_GE(reader, 0);
  ASSERT_TRUE(save(h, pipe));
  char text[4096];
  EXPECT_GT(read(reader, text, sizeof text), 0);
  close(reader);
  ASSERT_EQ(lstat(pipe.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  const std::string victim = dir + "/victim.txt", out = dir + "/out.kif";
  std::ofstream(victim, std::ios::binary) << "victim";
  const std::string planted = out + ".tmp" + std::to_string(getpid());
  std::remove(planted.c_str());
  ASSERT_EQ(symlink(victim.c_str(), planted.c_str()), 0);
  ASSERT_TRUE(save(h, out));
  EXPECT_EQ(testing::read_file_bytes(victim), "victim");
}

TEST(KifuDispatch, MergeLoadsMarkTheRecordModified) {
  KifuHolder h;
  ASSERT_TRUE(load(h, data("kif/variations.kif")));
  const int nodes = h.kifu.table->Count();
  ASSERT_TRUE(load(h, data("csa/even_game.csa"), true));
  EXPECT_EQ(h.modified, 1);
  EXPECT_STREQ(h.name.c_str(), data("kif/variations.kif").c_str());
  EXPECT_GT(h.kifu.table->Count(), nodes);
  // A record that starts elsewhere cannot be merged: reported, nothing changed.
  const std::string before = record_snapshot(h.kifu);
  EXPECT_FALSE(load(h, data("kif/handicap.kif"), true));
  EXPECT_EQ(record_snapshot(h.kifu), before);
}

TEST(KifuDispatch, ClipboardTextRoundTripsAndPasteOrder) {
  KifuHolder h;
  ASSERT_TRUE(load(h, data("kif/variations.kif")));
  for (int code : {kFormatKif, kFormatKi2, kFormatCsa, kFormatQvf}) {
    KString text;
    ASSERT_TRUE(kifu_save_memory(h, text, code, false));
    const std::string s = text.c_str();
    EXPECT_EQ(s.find("\n"), s.find("\r\n") + 1) << code;  // CR LF line ends
    KifuHolder pasted;
    pasted.name.Assign("keep");
    ASSERT_TRUE(kifu_load_memory(pasted, text.c_str())) << code;
    EXPECT_EQ(pasted.kifu.Start()->kyokumen, h.kifu.Start()->kyokumen);
    // QVF brings back the position only.
    EXPECT_EQ(pasted.kifu.GetTesu(), code == kFormatQvf ? 0 : h.kifu.GetTesu()) << code;
    EXPECT_TRUE(pasted.name.empty());
  }
  // KI2 also for the codes without a text form of their own, position flag or
  // not; with the flag, code 2 copies the current position.
  KString ki2, other, position;
  h.SetCurrent(h.kifu.NodeAtTesu(3));
  kifu_save_memory(h, ki2, kFormatKi2, false);
  ASSERT_TRUE(kifu_save_memory(h, other, kFormatCkf, true));
  EXPECT_STREQ(other.c_str(), ki2.c_str());
  ASSERT_TRUE(kifu_save_memory(h, position, kFormatKi2, true));
  KifuHolder pasted;
  ASSERT_TRUE(kifu_load_memory(pasted, position.c_str()));
  EXPECT_EQ(pasted.kifu.Start()->kyokumen, h.kyokumen);
  EXPECT_EQ(pasted.kifu.GetTesu(), 0);

  // Text that no reader recognises changes nothing. CSA text with a line that
  // is no CSA statement is no clipboard CSA; it falls through to the KI2
  // reader, which finds neither a header line nor a move in it and refuses it
  // too.
  const std::string before = record_snapshot(h.kifu);
  h.SetCurrent(h.kifu.NodeAtTesu(2));
  const std::string csa = "Club game\r\n" + testing::read_file_bytes(data("csa/other_program.csa"));
  for (const char* junk : {"", "hello\r\nworld\r\n", "T12", "+1 for this", "▲hello", csa.c_str()}) {
    EXPECT_FALSE(kifu_load_memory(h, junk)) << junk;
  }
  EXPECT_EQ(record_snapshot(h.kifu), before);
  EXPECT_EQ(h.current, h.kifu.NodeAtTesu(2));
}

// A file's text whose format nothing names (standard input) is read as the
// file of its format is: every record of the tests alike, a CSA text with
// version and information lines too, as pasted text is.
TEST(KifuDispatch, AFileTextOfNoNamedFormatReadsAsItsFile) {
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(VELKORA_TEST_DATA)) {
    const std::string path = entry.path().string();
    int format = kifu_format_from_path(path.c_str());
    if (format == kFormatUnknown || format == kFormatVkr || format == kFormatCkf) continue;
    KifuHolder file, text;
    ASSERT_TRUE(kifu_load_file(file, path.c_str(), &format, false)) << path;
    KifuReadStop stop;
    ASSERT_TRUE(kifu_load_text(text, testing::read_file_bytes(path), &stop)) << path;
    EXPECT_EQ(testing::kif_text(text.kifu), testing::kif_text(file.kifu)) << path;
    EXPECT_TRUE(text.name.empty());
    ++files;
  }
  EXPECT_GT(files, 90);
  const std::string csa = testing::read_file_bytes(data("csa/other_program.csa"));
  KifuHolder pasted, read;
  ASSERT_TRUE(kifu_load_memory(pasted, csa.c_str()));
  ASSERT_TRUE(kifu_load_text(read, csa));
  EXPECT_EQ(read.kifu.names[0], "Kobayashi");
  EXPECT_EQ(testing::kif_text(pasted.kifu), testing::kif_text(read.kifu));

  KifuLoadError error;
  EXPECT_FALSE(kifu_load_text(read, "hello\r\nworld\r\n", nullptr, &error));
  EXPECT_EQ(error.kind, KifuLoadError::kNotARecord);
  EXPECT_EQ(read.kifu.names[0], "Kobayashi");  // the record as it was
  EXPECT_FALSE(kifu_load_text(read, "P1-KY-KE\n+\n", nullptr, &error));
  EXPECT_EQ(error.kind, KifuLoadError::kBadStart);
}

// ".kifu" and ".ki2u" name KIF and KI2 in UTF-8, which the saver writes
// without a byte-order mark; the three-letter names stay Shift-JIS.
TEST(KifuDispatch, Utf8FilesByTheirNames) {
  EXPECT_EQ(kifu_utf8_format_from_path("a/G.KIFU"), kFormatKif);
  EXPECT_EQ(kifu_utf8_format_from_path("g.ki2u"), kFormatKi2);
  for (const char* other : {"g.kif", "g.kifuu", "g.csau", "kifu"}) {
    EXPECT_EQ(kifu_utf8_format_from_path(other), kFormatUnknown) << other;
  }
  EXPECT_EQ(kifu_utf8_format_from_path(nullptr), kFormatUnknown);
  KifuHolder h;
  ASSERT_TRUE(load(h, data("kif/variations.kif")));
  const std::string sjis_path = ::testing::TempDir() + "/sjis.kif";
  const std::string utf8_path = ::testing::TempDir() + "/utf8.kifu";
  ASSERT_TRUE(save(h, sjis_path));
  int format = kFormatKif;
  ASSERT_TRUE(kifu_save_file_utf8(h, utf8_path.c_str(), &format));
  EXPECT_STREQ(h.name.c_str(), utf8_path.c_str());
  const std::string utf8 = testing::read_file_bytes(utf8_path);
  EXPECT_EQ(utf8.rfind("# ---- \xE6\x9F\xBF", 0), 0u);  // 柿 in UTF-8, no mark before it
  EXPECT_EQ(utf8_to_sjis(utf8), testing::read_file_bytes(sjis_path));
  std::remove(sjis_path.c_str());
  std::remove(utf8_path.c_str());
}

// `text` with every line end made `end`.
std::string with_ends(const std::string& text, const std::string& end) {
  std::string out;
  for (char c : text) out += c == '\n' ? end : c == '\r' ? "" : std::string(1, c);
  return out;
}

// What loading `text` as a file of `format` (kFormatUnknown: told by its
// content) gives: every line number it tells, and the record as KIF.
std::string loaded(const std::string& text, int format, bool utf8) {
  Utf8Flaws flaws;
  const std::string bytes = utf8 ? record_text_to_sjis(text, &flaws) : text;
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

// A record reads as the same game, with the same line numbers in what the
// reader tells, whether its lines end with LF, CR LF, a lone CR (as older
// programs write) or CR CR LF (line ends converted twice), in every text
// format, in UTF-8 and as text whose format its content tells.
TEST(KifuDispatch, EveryFormatReadsTheSameGameWithEveryKindOfLineEnd) {
  const struct {
    const char* file;
    int format;
    const char* added;  // a line behind the file, for a line number to tell
    bool utf8;          // written in UTF-8, with a byte that is none on line 3
  } cases[] = {
      {"kif/cut_move.kif", kFormatKif, "", false},
      {"ki2/long_variation_number.ki2", kFormatKi2, "", true},
      {"csa/even_game.csa", kFormatCsa, "+5958OU\n", false},
      {"qvx/nested.qvx", kFormatKifHenka, "no move\n", false},
      {"qvf/position.qvf", kFormatQvf, "", false},
      {"csa/other_program.csa", kFormatUnknown, "", false},
      {"kif/labels.kif", kFormatUnknown, "", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::string lf = with_ends(testing::read_file_bytes(data(c.file)), "\n") + c.added;
    if (c.utf8) {
      lf = sjis_to_utf8(lf);
      lf.insert(lf.find('\n', lf.find('\n') + 1) + 1, 1, '\xFF');  // on line 3
    }
    const std::string want = loaded(lf, c.format, c.utf8);
    ASSERT_NE(want.substr(0, 7), "refused");
    for (const char* end : {"\r\n", "\r", "\r\r\n"}) EXPECT_EQ(loaded(with_ends(lf, end), c.format, c.utf8), want);
  }
}

}  // namespace
}  // namespace model
