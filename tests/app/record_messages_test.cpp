// What the commands say of the records they read and the files they write:
// one count of the moves played, every ply of a record however long, QVF's
// position-only reading, and the system's reason in every "cannot write".
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

// Nine moves, then the resignation "%TORYO" as the record's tenth entry.
const std::string kResigned = data("csa/even_game.csa");

std::string temp_dir(const std::string& name) {
  const std::string dir = ::testing::TempDir() + "/record_messages_" + name;
  ::mkdir(dir.c_str(), 0755);
  return dir;
}

// A resignation ends the game without being a move: every command's --ply
// reaches the position after the ninth move and no further, and says so in
// the same words.
TEST(RecordMessages, EveryCommandCountsTheMovesPlayedAlike) {
  const std::string only = ": the record has only 9 moves\n";
  EXPECT_TRUE(fails_with("velkora show " + kResigned + " --ply 10", 1, "velkora show" + only));
  EXPECT_TRUE(fails_with("velkora think " + kResigned + " --ply 10 --depth 2", 1, "velkora think" + only));
  EXPECT_TRUE(fails_with("velkora mate " + kResigned + " --ply 10", 1, "velkora mate" + only));
  EXPECT_TRUE(fails_with("velkora bench --stats " + kResigned + " --ply 10", 1, "velkora bench" + only));
  const std::string book = temp_dir("ply") + "/user.js5";
  std::remove(book.c_str());
  EXPECT_TRUE(fails_with("velkora book add " + book + " " + kResigned + " --ply 10", 1, "velkora book add" + only));

  // The last move played is the default, and --ply 9 names it.
  const Outcome shown = run("velkora show " + kResigned);
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.out.find(utf8(u8"9手目まで\n")), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("\n*9 "), std::string::npos) << shown.out;
  EXPECT_EQ(run("velkora show " + kResigned + " --ply 9").out, shown.out);
  EXPECT_EQ(run("velkora book add " + book + " " + kResigned + " --ply 9").status, 0);
  std::remove(book.c_str());
}

// A KIF record of `moves` moves: the kings step forward and back again, over
// and over.
std::string kings_walk_kif(int moves) {
  static const char* const kSteps[] = {"５八玉(59)", "５二玉(51)", "５九玉(58)", "５一玉(52)"};
  std::string text = "手合割：平手\n手数----指手---------消費時間--\n";
  for (int ply = 1; ply <= moves; ++ply) text += std::to_string(ply) + " " + kSteps[(ply - 1) % 4] + "\n";
  return text;
}

// A record of more than a hundred thousand moves: --ply reaches each of them,
// and a ply past the end is refused with the record's length.
TEST(RecordMessages, EveryPlyOfALongRecordIsReached) {
  const std::string record = temp_dir("long") + "/kings_walk.kif";
  if (FILE* f = fopen(record.c_str(), "wb")) {
    const std::string text = kings_walk_kif(100004);
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
  }
  const Outcome shown = run("velkora show " + record + " --ply 100001");
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.out.find(utf8(u8"100001手目まで\n")), std::string::npos);
  EXPECT_NE(shown.out.find(utf8(u8"\n*100001 ▲５八玉\n")), std::string::npos);
  EXPECT_TRUE(fails_with("velkora show " + record + " --ply 100005", 1,
                         "velkora show: the record has only 100004 moves\n"));
  std::remove(record.c_str());
}

// A QVF file gives back its position only: reading one that holds moves says
// so on standard error (from a file and from standard input alike), one
// without moves says nothing, and --help says it where QVF is listed.
TEST(RecordMessages, QvfSaysItsMovesAreNotRead) {
  const std::string dir = temp_dir("qvf");
  const std::string game = dir + "/game.qvf", moveless = dir + "/moveless.qvf", out = dir + "/out.csa";
  ASSERT_EQ(run("velkora convert " + kResigned + " " + game).status, 0);
  const std::string told = ": QVF carries back only the position: its moves are not read\n";
  const Outcome converted = run("velkora convert " + game + " " + out, true);
  EXPECT_EQ(converted.status, 0);
  EXPECT_EQ(converted.out, "velkora convert: " + game + told);
  EXPECT_EQ(slurp(out).find("+7776FU"), std::string::npos);  // the position alone was written
  EXPECT_EQ(run("velkora convert - " + out + " --from qvf < " + game, true).out,
            "velkora convert: standard input" + told);
  EXPECT_EQ(run("velkora convert - " + out + " < " + game, true).out, "velkora convert: standard input" + told);
  const Outcome shown = run("velkora show " + game, true);
  EXPECT_EQ(shown.out.rfind("velkora show: " + game + told, 0), 0u) << shown.out;

  ASSERT_EQ(run("velkora convert " + game + " " + moveless).status, 0);
  EXPECT_EQ(run("velkora convert " + moveless + " " + out, true).out, "");

  for (const std::string help : {"velkora --help", "velkora convert --help", "velkora show --help"}) {
    const std::string text = run(help).out;
    EXPECT_NE(text.find("qvf"), std::string::npos) << help;
    EXPECT_NE(text.find("gives back its position only"), std::string::npos) << help;
  }
}

// A file read as CSA that is not CSA is refused with the first line that is
// no CSA statement; a move after the end of the game is told, with its line,
// and not played, and a time behind a passed-over end times no move.
TEST(RecordMessages, CsaTellsWhatIsNoCsaAndWhatFollowsTheEnd) {
  const std::string kif = data("kif/variations.kif");
  EXPECT_TRUE(fails_with("velkora show " + kif + " --from csa", 1,
                         "velkora show: cannot read '" + kif + utf8(u8"': line 1: '# ---- 柿木将棋形式棋譜ファイル'") +
                             " is no CSA statement\n"));
  const std::string csa = temp_dir("csa") + "/after_end.csa";
  if (FILE* f = fopen(csa.c_str(), "wb")) {
    fputs("PI\n+\n+7776FU\n-3334FU\nT6\n%MATTA\nT9\n%TORYO\n+2726FU\n", f);
    fclose(f);
  }
  const Outcome shown = run("velkora convert " + csa + " - --to kif", true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_NE(shown.out.find("velkora convert: " + csa +
                           ": line 9: ignored '+2726FU' and what follows it on its line of play: the game has ended "
                           "before it\n"),
            std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find(utf8(u8"   2 ３四歩(33)   ( 0:06/00:00:06)")), std::string::npos) << shown.out;
  EXPECT_EQ(shown.out.find(utf8(u8"２六歩")), std::string::npos) << shown.out;
  std::remove(csa.c_str());
}

std::string written_file(const std::string& dir, const std::string& name, const std::string& text) {
  const std::string path = temp_dir(dir) + "/" + name;
  if (FILE* f = fopen(path.c_str(), "wb")) {
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
  }
  return path;
}

// A text with a line of no known kind from which no move could be read is
// refused with that line, from a file and from standard input alike, and
// the file a conversion would have written is left as it was.
TEST(RecordMessages, ATextWithoutMovesIsRefusedWithItsFirstUnknownLine) {
  const std::string kif = written_file("unknown", "game.kif",
                                       utf8(u8"手合割：平手\n手数----指手---------消費時間--\n1 ７六歩(77)\n2 投了\n"));
  const std::string out = written_file("unknown", "out.kif", "kept\n");
  EXPECT_TRUE(fails_with("velkora convert " + kif + " " + out + " --from ki2", 1,
                         "velkora convert: cannot read '" + kif + utf8(u8"': line 2: '手数----指手---------消費時間--' ") +
                             "is a line of no known kind, and no move was read\n"));
  EXPECT_EQ(slurp(out), "kept\n");
  const std::string headless =
      written_file("unknown", "headless.kif", utf8(u8"手合割：平手\n先手：a\n1 ７六歩(77)\n2 投了\n"));
  const std::string told = utf8(u8"line 3: '1 ７六歩(77)' is a line of no known kind, and no move was read\n");
  EXPECT_TRUE(fails_with("velkora show - < " + headless, 1, "velkora show: cannot read standard input: " + told));
  EXPECT_TRUE(fails_with("velkora show " + headless, 1, "velkora show: cannot read '" + headless + "': " + told));
  const std::string unmarked =
      written_file("unknown", "unmarked.ki2", utf8(u8"手合割：平手\n\n７六歩 ３四歩\nまで2手で後手の勝ち\n"));
  EXPECT_TRUE(fails_with("velkora show " + unmarked, 1,
                         "velkora show: cannot read '" + unmarked + utf8(u8"': line 3: '７六歩 ３四歩' ") +
                             "is a line of no known kind, and no move was read\n"));
}

// What a reader passed over is told: the first line of no known kind with
// their count, and the first line behind an end; a damaged move stops the
// reading where it stands, not read as an end.
TEST(RecordMessages, LinesPassedOverAndLinesBehindAnEndAreTold) {
  const std::string ki2 = written_file(
      "told", "game.ki2", utf8(u8"手合割：平手\n\n▲７六歩\nひとこと\n△３四歩\nふたこと\nまで2手で後手の勝ち\n"));
  const Outcome shown = run("velkora show " + ki2, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.rfind("velkora show: " + ki2 + utf8(u8": line 4: ignored 'ひとこと': ") +
                                "a line of no known kind (2 such lines in all)\n",
                            0),
            0u)
      << shown.out;
  const std::string ended = written_file(
      "told", "ended.kif", utf8(u8"手数----指手--\n1 ７六歩(77)\n2 中断\n3 ２六歩(27)\n4 投了\n"));
  const Outcome converted = run("velkora convert " + ended + " - --to csa", true);
  EXPECT_EQ(converted.out.rfind("velkora convert: " + ended + utf8(u8": line 4: ignored '3 ２六歩(27)' ") +
                                    "and what follows it on its line of play: the game has ended before it\n",
                                0),
            0u)
      << converted.out;
  EXPECT_EQ(converted.out.find("%TORYO"), std::string::npos) << converted.out;
  const std::string damaged = written_file(
      "told", "damaged.kif", utf8(u8"手数----指手--\n1 ７六歩(77)\n2 次 ３四歩(33)\n3 投了\n"));
  const Outcome read = run("velkora convert " + damaged + " - --to csa", true);
  EXPECT_EQ(read.out.rfind("velkora convert: " + damaged + utf8(u8": line 3: the moves stop here: cannot read '2 次 ") +
                               utf8(u8"３四歩(33)'\n"),
                           0),
            0u)
      << read.out;
  EXPECT_EQ(read.out.find("%"), std::string::npos) << read.out;
}

// "cannot write" names the system's reason; compose finds out that it
// cannot write before it makes a problem, and tells a missing folder from a
// file in its place.
TEST(RecordMessages, EveryCannotWriteSaysWhy) {
  const std::string dir = temp_dir("write");
  const std::string missing = dir + "/nodir";
  std::remove(missing.c_str());
  EXPECT_TRUE(fails_with("velkora book add " + missing + "/user.js5 " + kResigned, 1,
                         "velkora book add: cannot write '" + missing + "/user.js5': No such file or directory\n"));
  EXPECT_TRUE(fails_with("velkora compose --seed 1 " + missing, 1, "velkora compose: '" + missing + "' does not exist\n"));
  const std::string file = dir + "/file";
  if (FILE* f = fopen(file.c_str(), "wb")) fclose(f);
  EXPECT_TRUE(fails_with("velkora compose --seed 1 " + file, 1, "velkora compose: '" + file + "' is not a folder\n"));
  // A folder where the first problem goes: refused at once, with the reason.
  const std::string taken = dir + "/taken";
  ::mkdir(taken.c_str(), 0755);
  ::mkdir((taken + "/001.kif").c_str(), 0755);
  EXPECT_TRUE(fails_with("velkora compose --seed 1 --force " + taken, 1,
                         "velkora compose: cannot write '" + taken + "/001.kif': Is a directory\n"));

  if (geteuid() == 0) return;  // the superuser writes into any folder
  const std::string locked = dir + "/locked";
  ::mkdir(locked.c_str(), 0755);
  ::chmod(locked.c_str(), 0555);
  const std::string denied = "': its folder '" + locked + "' may not be written: Permission denied\n";
  EXPECT_TRUE(fails_with("velkora book add " + locked + "/user.js5 " + kResigned, 1,
                         "velkora book add: cannot write '" + locked + "/user.js5" + denied));
  EXPECT_TRUE(fails_with("velkora compose --seed 1 " + locked, 1,
                         "velkora compose: cannot write '" + locked + "/001.kif" + denied));
  ::chmod(locked.c_str(), 0755);
}

// compose tells a folder it cannot reach by the system's reason: a path
// through a plain file ...
TEST(RecordMessages, ComposeSaysWhyItCannotReachItsFolder) {
  const std::string file = temp_dir("reach") + "/file";
  if (FILE* f = fopen(file.c_str(), "wb")) fclose(f);
  EXPECT_TRUE(fails_with("velkora compose --seed 1 " + file + "/sub", 1,
                         "velkora compose: cannot reach folder '" + file + "/sub': Not a directory\n"));
}

// ... and through a folder that may not be entered, which does not stop the
// superuser.
TEST(RecordMessages, ComposeSaysWhyItCannotEnterTheWayToItsFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop the superuser";
  const std::string closed = temp_dir("closed") + "/closed";
  ::mkdir(closed.c_str(), 0755);
  ::mkdir((closed + "/sub").c_str(), 0755);
  ::chmod(closed.c_str(), 0);
  EXPECT_TRUE(fails_with("velkora compose --seed 1 " + closed + "/sub", 1,
                         "velkora compose: cannot reach folder '" + closed + "/sub': Permission denied\n"));
  ::chmod(closed.c_str(), 0755);
}

}  // namespace
