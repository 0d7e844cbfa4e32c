// One damaged character in a CSA or KI2 game, as a user meets it: the
// commands read the moves before it, name the damaged line on standard
// error, and give no result the text does not give to that side.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

// The example game written as CSA and as KI2 in UTF-8: 18 moves, then sente
// resigns (gote wins).
struct Example {
  std::string dir, csa, ki2;
};

const Example& example_game() {
  static const Example e = [] {
    Example x;
    x.dir = ::testing::TempDir() + "/damaged_moves";
    ::mkdir(x.dir.c_str(), 0755);
    const std::string kif = data("../../examples/aigakari.kif");
    run("velkora convert " + kif + " " + x.dir + "/a.csa");
    run("velkora convert " + kif + " " + x.dir + "/a.ki2u");
    x.csa = slurp(x.dir + "/a.csa");
    x.ki2 = slurp(x.dir + "/a.ki2u");
    return x;
  }();
  return e;
}

// `text` with `from` replaced by `to` once, written as `name` in the example's
// folder; its path.
std::string damaged(const std::string& text, const std::string& from, const std::string& to, const std::string& name) {
  std::string changed = text;
  const size_t at = changed.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) changed.replace(at, from.size(), to);
  const std::string path = example_game().dir + "/" + name;
  if (FILE* f = fopen(path.c_str(), "wb")) {
    fwrite(changed.data(), 1, changed.size(), f);
    fclose(f);
  }
  return path;
}

// `velkora show` of `path`: status 0, standard error `told` alone (after the
// command's name and the path), and the moves ending with `last` (the line
// of the position shown is marked "*").
void expect_shown(const std::string& path, const std::string& told, const std::string& last) {
  SCOPED_TRACE(path);
  const Outcome said = run("velkora show " + path, true);  // standard error comes first
  EXPECT_EQ(said.out.rfind("velkora show: " + path + ": " + told + "\n", 0), 0u) << said.out;
  EXPECT_EQ(said.out.find("velkora show: ", 1), std::string::npos) << said.out;  // nothing else is told
  const Outcome shown = run("velkora show " + path);
  EXPECT_EQ(shown.status, 0);
  const std::vector<std::string> lines = lines_of(shown.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), last);
}

TEST(DamagedMovesMessages, CsaStopsAtAMoveOrEndThatLostItsSign) {
  const std::string& csa = example_game().csa;
  ASSERT_NE(csa.find("%TORYO"), std::string::npos);
  expect_shown(damaged(csa, "-7172GI,T90,'", "7172GI,T90,'", "last_sign.csa"),
               "line 37: the moves stop here: cannot read '7172GI'", utf8(u8"*17 ▲３八銀"));
  expect_shown(damaged(csa, "-4132KI,T6,'", "4132KI,T6,'", "middle_sign.csa"),
               "line 24: the moves stop here: cannot read '4132KI'", utf8(u8"*5 ▲７八金"));
  expect_shown(damaged(csa, "%TORYO", "TORYO", "end_word.csa"), "line 38: the moves stop here: cannot read 'TORYO'",
               utf8(u8"*18 △７二銀"));
  expect_shown(damaged(csa, "+2524FU,T20,'", "+2524FU,T20,'\nxyz", "unknown_line.csa"),
               "line 26: ignored 'xyz': a line of no known kind", utf8(u8" 19 ▲投了"));
  expect_shown(damaged(csa, "+KE+KY\r\n", "+KE+KY  %\r\n", "row_tail.csa"),
               "line 16: passed over what names no piece in 'P9+KY+KE+GI+KI+OU+KI+GI+KE+KY  %'", utf8(u8" 19 ▲投了"));

  // Information lines the record has no field for are kept and written back.
  const std::string info = damaged(csa, "%TORYO", "%TORYO\n$MAX_MOVES:256\n$NOTE:a, b", "info.csa");
  const Outcome written = run("velkora convert " + info + " - --to csa");
  EXPECT_NE(written.out.find("\n$MAX_MOVES:256"), std::string::npos) << written.out;
  EXPECT_NE(written.out.find("\n$NOTE:a, b"), std::string::npos) << written.out;
}

TEST(DamagedMovesMessages, Ki2StopsAtAWordThatLostItsMarkAndChecksTheClosingCount) {
  const std::string& ki2 = example_game().ki2;
  expect_shown(damaged(ki2, utf8(u8"△同　飛    ▲８七歩"), utf8(u8"同　飛    ▲８七歩"), "middle_mark.ki2u"),
               utf8(u8"line 12: the moves stop here: cannot read '同'"), utf8(u8"*13 ▲同　歩"));
  expect_shown(damaged(ki2, utf8(u8"△７二銀"), utf8(u8"７二銀"), "last_mark.ki2u"),
               utf8(u8"line 12: the moves stop here: cannot read '７二銀'"), utf8(u8"*17 ▲３八銀"));
  expect_shown(damaged(ki2, utf8(u8"まで18手"), utf8(u8"まで17手"), "count.ki2u"),
               utf8(u8"line 14: left out 'まで17手で後手の勝ち': it counts 17 moves, and 18 were read"),
               utf8(u8"*18 △７二銀"));
  // A word without its piece name stops the moves, though a king could go
  // there; closing words that tell no result end the game as an interruption.
  expect_shown(damaged(slurp(data("ki2/even_game.ki2")), "△７二銀", "△７二", "no_piece.ki2"),
               utf8(u8"line 12: the moves stop here: cannot read '△７二'"), utf8(u8"*15 ▲５六歩"));
  expect_shown(damaged(ki2, utf8(u8"後手の勝ち"), utf8(u8"トライ"), "unknown.ki2u"),
               utf8(u8"line 14: unknown end word 'トライ' read as an interruption"), utf8(u8" 19 中断"));
  // Without its move lines the closing counts moves that are not there.
  const size_t moves = ki2.find(utf8(u8"▲２六歩")), closing = ki2.find(utf8(u8"まで"));
  ASSERT_LT(moves, closing);
  const Outcome bare = run("velkora show " + damaged(ki2, ki2.substr(moves, closing - moves), "", "bare.ki2u"), true);
  EXPECT_EQ(bare.status, 0);
  EXPECT_NE(bare.out.find(utf8(u8"it counts 18 moves, and 0 were read")), std::string::npos) << bare.out;
  EXPECT_EQ(bare.out.find(utf8(u8"投了")), std::string::npos) << bare.out;
  // A comment behind the closing line is told, as the lines behind an end are.
  expect_shown(damaged(ki2, utf8(u8"まで18手で後手の勝ち"), utf8(u8"まで18手で後手の勝ち\n*後から"), "late.ki2u"),
               utf8(u8"line 15: ignored '*後から' and what follows it on its line of play: the game has ended before it"),
               utf8(u8" 19 ▲投了"));
}

}  // namespace
