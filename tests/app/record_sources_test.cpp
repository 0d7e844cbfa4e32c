// Where a record comes from and where it goes: every command that reads a
// record reads it from standard input in every text format (a standard CSA
// record with its version and information lines too), takes --from, and reads
// the UTF-8 files named .kifu and .ki2u; convert writes those in UTF-8, and
// tells what a format that holds less than the record leaves out.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

#include "model/text/text_encoding.h"
#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

std::string written(const std::string& name, const std::string& bytes) {
  const std::string path = ::testing::TempDir() + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// The same two moves and resignation in each text format, as UTF-8.
const std::string kCsa = "V2.2\n'a game\nN+a\nN-b\n$EVENT:club\n$START_TIME:2024/01/01 10:00:00\nPI\n+\n"
                         "+7776FU\n-3334FU\n%TORYO\n";
const std::string kKif = utf8(u8"手合割：平手\n先手：a\n手数----指手---------消費時間--\n1 ７六歩(77)\n2 ３四歩(33)\n3 投了\n");
const std::string kKi2 = utf8(u8"手合割：平手\n先手：a\n\n▲７六歩 △３四歩\nまで2手で後手の勝ち\n");

TEST(RecordSources, EveryReadingCommandReadsStandardInputAndTakesFrom) {
  // How each source names the record to a command: standard input, a file of
  // no known name with --from, a UTF-8 file by its name.
  const std::pair<std::string, std::string> sources[] = {
      {"csa on standard input", "- < " + written("stdin.csa", kCsa)},
      {"kif on standard input", "- < " + written("stdin.kif", kKif)},
      {"ki2 on standard input", "- < " + written("stdin.ki2", kKi2)},
      {"csa --from", written("csa.txt", kCsa) + " --from csa"},
      {"kif --from", written("kif.txt", kKif) + " --from kif"},
      {"ki2 --from", written("ki2.txt", kKi2) + " --from ki2"},
      {"kifu", written("game.kifu", "\xEF\xBB\xBF" + kKif)},
      {"ki2u", written("game.ki2u", kKi2)},
      {"kif --from kifu", written("kifu.txt", kKif) + " --from kifu"},
      {"ki2 --from ki2u", written("ki2u.txt", kKi2) + " --from ki2u"},
  };
  // Each command, R standing for the record: it reads the two moves, then
  // refuses ply 3 (a read that failed would say so instead).
  const std::string book = ::testing::TempDir() + "/record_sources.js5";
  const std::pair<std::string, std::string> commands[] = {
      {"show", "R --ply 3"},
      {"think", "R --ply 3 --depth 2"},
      {"mate", "R --ply 3"},
      {"bench", "--stats R --ply 3"},
      {"book show", book + " R --ply 3"},
      {"book add", book + " R --ply 3"},
      {"book remove", book + " R --ply 3"},
  };
  for (const auto& [source, record] : sources) {
    for (const auto& [command, args] : commands) {
      std::string line = args;
      line.replace(line.find('R'), 1, record);
      EXPECT_TRUE(fails_with("velkora " + command + " " + line, 1,
                             "velkora " + command + ": the record has only 2 moves\n"))
          << source;
    }
    const Outcome review = run("velkora review " + record + " --depth 2", true);
    EXPECT_EQ(review.status, 0) << source;
    EXPECT_EQ(review.out.rfind("velkora review: move 2 thought (1 of 1)", 0), 0u) << source << ": " << review.out;
    const Outcome converted = run("velkora convert " + record + " - --to csa", true);
    EXPECT_EQ(converted.status, 0) << source;
    EXPECT_NE(converted.out.find("+7776FU,T0,'\r\n-3334FU,T0,'\r\n%TORYO\r\n"), std::string::npos)
        << source << ": " << converted.out;
  }
  std::remove(book.c_str());
}

// .kifu and .ki2u are written as KIF and KI2 in UTF-8, without a byte-order
// mark, and read back as the record was; --to kifu and ki2u write the same
// whatever the file's name.
TEST(RecordSources, KifuAndKi2uAreWrittenInUtf8) {
  const std::string example = data("../../examples/aigakari.kif");
  const std::string shown = run("velkora show " + example).out;
  for (const char* format : {"kif", "ki2"}) {
    const std::string out = ::testing::TempDir() + "/written." + format + "u";
    ASSERT_EQ(run("velkora convert " + example + " " + out).status, 0) << format;
    const std::string bytes = slurp(out);
    EXPECT_EQ(bytes, run("velkora convert " + example + " - --to " + format).out) << format;
    EXPECT_EQ(run("velkora show " + out).out, shown) << format;
    const std::string named = ::testing::TempDir() + "/written_" + format + ".txt";
    ASSERT_EQ(run("velkora convert " + example + " " + named + " --to " + format + "u").status, 0) << format;
    EXPECT_EQ(slurp(named), bytes) << format;
    std::remove(named.c_str());
    std::remove(out.c_str());
  }
}

// A format that holds less than the record is written all the same, and one
// line tells what it left out; a record that loses nothing converts silently.
TEST(RecordSources, ConvertTellsWhatTheFormatCannotHold) {
  const std::string record = written(
      "losses.kif", model::utf8_to_sjis(utf8(u8"手合割：平手\n手数----指手---------消費時間--\n*開始の注\n"
                                             "1 ７六歩(77)\n*一手目の注\n&一手目の印\n2 ３四歩(33)\n3 ２六歩(27)\n"
                                             "4 投了\n*投了の注\n&投了の印\n変化：3手\n3 ６六歩(67)\n*変化の注\n")));
  const struct {
    const char* format;
    std::string told;
    std::string kept;  // the comments the file still holds
  } cases[] = {
      {"ki2",
       "ki2 holds the main line only, no comment on the end of the game and no bookmark on the end of the game: "
       "1 variation, 1 comment and 1 bookmark",
       utf8(u8"開始の注 一手目の注 一手目の印")},
      {"csa", "csa holds the main line only and no bookmarks: 1 variation and 2 bookmarks",
       utf8(u8"開始の注 一手目の注 投了の注")},
      {"qvf", "qvf holds the main line only, no comments and no bookmarks: 1 variation, 3 comments and 2 bookmarks",
       ""},
      {"kif", "", utf8(u8"開始の注 一手目の注 投了の注 変化の注 一手目の印 投了の印")},
      {"ckf", "", ""},
  };
  const std::string comments[] = {utf8(u8"開始の注"), utf8(u8"一手目の注"), utf8(u8"投了の注"), utf8(u8"変化の注"),
                                  utf8(u8"一手目の印"), utf8(u8"投了の印")};
  for (const auto& c : cases) {
    const std::string out = ::testing::TempDir() + "/losses_out." + c.format;
    const Outcome r = run("velkora convert " + record + " " + out, true);
    EXPECT_EQ(r.status, 0) << c.format;
    EXPECT_EQ(r.out, c.told.empty() ? "" : "velkora convert: " + c.told + " not written\n") << c.format;
    if (std::string(c.format) == "ckf") continue;
    // What is told lost is not in the file; what is not told is.
    const std::string text = model::sjis_to_utf8(slurp(out));
    for (const std::string& comment : comments) {
      EXPECT_EQ(text.find(comment) != std::string::npos, c.kept.find(comment) != std::string::npos)
          << c.format << " " << comment;
    }
    std::remove(out.c_str());
  }
  // The same line when the text goes to standard output.
  // (Standard error alone goes through the pipe.)
  const std::string errors_only = " 2>&1 >/dev/null | cat";
  EXPECT_EQ(run("velkora convert " + record + " - --to qvf" + errors_only).out,
            "velkora convert: " + cases[2].told + " not written\n");
  // A convert that cannot write OUT says so alone: nothing is left out of a
  // file that is not written.
  const std::string nowhere = ::testing::TempDir() + "/no_such_folder/out.ki2";
  EXPECT_EQ(run("velkora convert " + record + " " + nowhere, true).out,
            "velkora convert: cannot write '" + nowhere + "': No such file or directory\n");
  // The example of run-example, and a line without comments, lose nothing.
  EXPECT_EQ(run("velkora convert " + data("../../examples/aigakari.kif") + " - --to ki2" + errors_only).out, "");
  EXPECT_EQ(run("velkora convert " + data("csa/even_game.csa") + " - --to csa" + errors_only).out, "");
}

}  // namespace
