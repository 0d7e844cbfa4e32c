// The built command-line programs, run as a user runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/terminal.h"
#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

// A UTF-8 literal as the bytes the terminal gets.
std::string utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

TEST(CommandLine, BoardPrintsTheStartPositionInUtf8) {
  const Outcome r = run("velkora board");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(utf8(u8"|v香v桂v銀v金v玉v金v銀v桂v香|一")), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(utf8(u8"| 香 桂 銀 金 玉 金 銀 桂 香|九")), std::string::npos);
  EXPECT_NE(r.out.find(utf8(u8"先手番")), std::string::npos);
  const Outcome h = run("velkora board --handicap 1023");
  EXPECT_NE(h.out.find(utf8(u8"| ・ ・ ・ ・v玉 ・ ・ ・ ・|一")), std::string::npos) << h.out;
  EXPECT_NE(run("velkora nonsense").status, 0);
  EXPECT_NE(run("velkora").status, 0);
}

TEST(CommandLine, ConvertWritesFilesAndStandardOutput) {
  const std::string dir = ::testing::TempDir();
  // A file the program wrote converts to itself byte for byte.
  const std::string out = dir + "/copy.kif";
  ASSERT_EQ(run("velkora convert " + data("kif/variations.kif") + " " + out).status, 0);
  EXPECT_EQ(slurp(out), slurp(data("kif/variations.kif")));
  // KIF to CSA and back through standard output and input.
  const Outcome csa = run("velkora convert " + out + " - --to csa");
  EXPECT_EQ(csa.status, 0);
  EXPECT_EQ(csa.out.rfind("'=== CSA-Format Kifu File", 0), 0u);
  const Outcome back = run("velkora convert " + out + " - --to csa | " + VELKORA_BINARY_DIR +
                           "/app/velkora convert - - --to kif");
  EXPECT_EQ(back.status, 0);
  EXPECT_NE(back.out.find(utf8(u8"７六歩(77)")), std::string::npos) << back.out;
  const Outcome show = run("velkora show " + out + " --ply 2");
  EXPECT_EQ(show.status, 0);
  EXPECT_NE(show.out.find(utf8(u8"*2 △３四歩")), std::string::npos) << show.out;
}

// Files of other programs convert to the program's own KIF; a file whose moves
// stop early converts what was read, with one warning line naming the line.
TEST(CommandLine, ConvertWarnsWhereTheMovesStop) {
  const std::string dir = ::testing::TempDir();
  const std::string out = dir + "/other.kif";
  const Outcome whole = run("velkora convert " + data("kif/other_program.kif") + " " + out, true);
  EXPECT_EQ(whole.status, 0);
  EXPECT_EQ(whole.out, "");
  EXPECT_NE(app::sjis_to_utf8(slurp(out)).find(utf8(u8"  22 同　金(32)")), std::string::npos);

  const std::string cut = data("kif/cut_move.kif");
  const std::string warning =
      utf8(u8"velkora convert: ") + cut + utf8(u8": line 21: the moves stop here: cannot read '15 ３四飛(2'\n");
  const Outcome stopped = run("velkora convert " + cut + " " + dir + "/cut.kif", true);
  EXPECT_EQ(stopped.status, 0);
  EXPECT_EQ(stopped.out, warning);
  const Outcome shown = run("velkora show " + cut, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.find(utf8(u8"velkora show: ") + cut + ": line 21:"), 0u) << shown.out;
  EXPECT_NE(shown.out.find(utf8(u8"*14 △同　飛")), std::string::npos) << shown.out;
}

TEST(CommandLine, ConvertFailuresAreOneClearLine) {
  const std::string dir = ::testing::TempDir();
  const Outcome missing = run("velkora convert /no/such/game.kif " + dir + "/x.kif", true);
  EXPECT_NE(missing.status, 0);
  EXPECT_EQ(missing.out, "velkora convert: cannot read '/no/such/game.kif' as a game record\n");
  const Outcome folder = run("velkora convert " + dir + " " + dir + "/x.kif --from kif", true);
  EXPECT_NE(folder.status, 0);
  // A failed save leaves the existing file as it was.
  const std::string keep = dir + "/keep.qvx";
  if (FILE* f = fopen(keep.c_str(), "wb")) {
    fputs("old", f);
    fclose(f);
  }
  EXPECT_NE(run("velkora convert " + data("kif/labels.kif") + " " + keep).status, 0);
  EXPECT_EQ(slurp(keep), "old");
  EXPECT_NE(run("echo nonsense | " + std::string(VELKORA_BINARY_DIR) + "/app/velkora convert - - --to kif").status, 0);
  EXPECT_NE(run("velkora convert " + data("kif/labels.kif") + " -").status, 0);  // no format for "-"
  EXPECT_NE(run("velkora show " + data("kif/labels.kif") + " --ply 999").status, 0);
}

TEST(CommandLine, PerftPrintsOneLinePerDepth) {
  const Outcome r = run("perft 3");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "depth 1 nodes 30\ndepth 2 nodes 900\ndepth 3 nodes 25470\n");
  EXPECT_NE(run("perft").status, 0);
  EXPECT_NE(run("perft x").status, 0);
  const Outcome e = run("perft --engine 3");
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out, r.out);
  // A set-up position from a CSA file: both rule sets count alike.
  const std::string csa = data("csa/setup_chudan.csa");
  const Outcome m = run("perft " + csa + " 2");
  EXPECT_EQ(m.status, 0);
  EXPECT_EQ(m.out.rfind("depth 1 nodes ", 0), 0u);
  EXPECT_EQ(run("perft --engine " + csa + " 2").out, m.out);
  EXPECT_NE(run("perft /no/such.csa 2").status, 0);
  EXPECT_EQ(run("perft --engine --handicap 768 2").out, run("perft --handicap 768 2").out);
}

}  // namespace
