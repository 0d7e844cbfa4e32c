// The front end as a newcomer meets it: every command's --help, errors that
// name the option and what is wrong with its value, the handicap names, the
// --from hint only where --from exists, a start position that breaks the
// rules, compose keeping the problem files it finds, and one exit status for
// every job stopped by Ctrl-C.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

std::string example() { return data("../../examples/aigakari.kif"); }

void write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(CommandOptions, EveryCommandAnswersHelpWithItsOwnUsage) {
  for (const std::string command : {"board", "convert", "show", "book", "book show", "book add", "book remove",
                                    "book import", "think", "mate", "compose", "review", "bench"}) {
    const Outcome r = run("velkora " + command + " --help");
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind("usage: velkora " + command + " ", 0), 0u) << command << ": " << r.out;
  }
  // Wherever it stands, and for the perft tool too.
  EXPECT_EQ(run("velkora show " + example() + " --ply 3 --help").out.rfind("usage: velkora show FILE", 0), 0u);
  const Outcome perft = run("perft --help");
  EXPECT_EQ(perft.status, 0);
  EXPECT_EQ(perft.out.rfind("usage: perft ", 0), 0u);
}

TEST(CommandOptions, ErrorsNameTheOptionAndWhatIsWrongWithItsValue) {
  const std::string show = "velkora show " + example();
  const std::string ply = "velkora show: --ply needs a number of moves from 0 to 2147483647";
  EXPECT_TRUE(fails_with(show + " --ply -1", 1, ply + ", not '-1'\n"));
  EXPECT_TRUE(fails_with(show + " --ply abc", 1, ply + ", not 'abc'\n"));
  EXPECT_TRUE(fails_with(show + " --ply", 1, ply + "\n"));
  EXPECT_TRUE(fails_with(show + " --plies 3", 1,
                         "velkora show: unknown option '--plies' (velkora show --help lists the options)\n"));
  EXPECT_TRUE(fails_with(show + " more", 1, "velkora show: unexpected argument 'more'\n"));
  EXPECT_TRUE(fails_with("velkora show", 1, "velkora show: usage: velkora show FILE [--ply N] [--from F]\n"));
  EXPECT_TRUE(fails_with("velkora review " + example() + " --side up", 1,
                         "velkora review: --side needs sente or gote, not 'up'\n"));
  EXPECT_TRUE(fails_with("velkora mate " + example() + " --memory 0", 1,
                         "velkora mate: --memory needs megabytes from 1 to 1048576, not '0'\n"));
  EXPECT_TRUE(fails_with("velkora compose --seed -1 /tmp", 1, "velkora compose: --seed needs a number below 2^32, not '-1'\n"));
  EXPECT_TRUE(fails_with("velkora bench --ply 3", 1, "velkora bench: --ply goes with --stats FILE\n"));
  EXPECT_TRUE(fails_with("velkora book add x.js5 " + example() + " --value 16", 1,
                         "velkora book add: --value needs a value from 0 to 15, not '16'\n"));
  // --to lists the formats that can be written; one that cannot is named.
  EXPECT_TRUE(fails_with("velkora convert " + example() + " - --to kifx", 1,
                         "velkora convert: --to needs a format: kif ki2 csa qvf ckf kifu ki2u, not 'kifx'\n"));
  EXPECT_TRUE(fails_with("velkora convert " + example() + " - --to vkr", 1,
                         "velkora convert: the format vkr can be read but not written\n"));
  // A value or a name that holds a line break or a tab is still told in one line.
  EXPECT_TRUE(fails_with(show + " --ply \"$(printf '1\\n2')\"", 1, ply + ", not '1?2'\n"));
  EXPECT_TRUE(fails_with("velkora book show \"$(printf 'no\\nbook')\" " + example(), 1,
                         "velkora book show: cannot read 'no?book' as an opening book: no such file\n"));
  EXPECT_TRUE(fails_with("velkora \"$(printf 'no\\tcommand')\"", 1,
                         "velkora: unknown command 'no?command' (velkora --help lists them)\n"));
}

// A file whose extension tells no format: every command that reads a record
// has --from, and points to it.
TEST(CommandOptions, TheFromHintWhereverARecordIsRead) {
  const std::string dir = ::testing::TempDir();
  const std::string game = dir + "/game.txt";
  std::ifstream in(example(), std::ios::binary);
  write(game, std::string(std::istreambuf_iterator<char>(in), {}));
  const std::string told =
      "cannot tell the format of '" + game + "' from its extension (kif ki2 csa qvf ckf vkr qvx kifu ki2u)";
  EXPECT_TRUE(fails_with("velkora show " + game, 1, "velkora show: " + told + "; use --from\n"));
  EXPECT_TRUE(fails_with("velkora review " + game, 1, "velkora review: " + told + "; use --from\n"));
  EXPECT_TRUE(fails_with("velkora convert " + game + " " + dir + "/out.kif", 1,
                         "velkora convert: " + told + "; use --from\n"));
  EXPECT_EQ(run("velkora convert " + game + " " + dir + "/out.kif --from kif").status, 0);
}

TEST(CommandOptions, HandicapsByNameOrNumber) {
  const Outcome named = run("velkora board --handicap " + utf8(u8"角落ち"));
  EXPECT_EQ(named.status, 0);
  EXPECT_EQ(named.out, run("velkora board --handicap 256").out);
  EXPECT_NE(named.out, run("velkora board").out);
  EXPECT_TRUE(fails_with("velkora board --handicap " + utf8(u8"百枚落ち"), 1,
                         "velkora board: --handicap needs a handicap name (" + utf8(u8"平手 香落ち")));
  const Outcome perft = run("perft --handicap " + utf8(u8"二枚落ち") + " 2");
  EXPECT_EQ(perft.status, 0);
  EXPECT_EQ(perft.out, run("perft --handicap 768 2").out);
}

TEST(CommandOptions, AStartPositionThatBreaksTheRulesSaysSo) {
  const std::string two_kings = ::testing::TempDir() + "/two_kings.csa";
  write(two_kings, "PI\nP+55OU\n+\n+7776FU\n");
  EXPECT_TRUE(fails_with("velkora show " + two_kings, 1,
                         "velkora show: cannot read '" + two_kings + "': its start position breaks the rules\n"));
  EXPECT_TRUE(fails_with("velkora convert - - --to kif < " + two_kings, 1,
                         "velkora convert: cannot read standard input: its start position breaks the rules\n"));
}

TEST(CommandOptions, ComposeKeepsProblemFilesUnlessForced) {
  const std::string dir = ::testing::TempDir() + "/kept_problems";
  ::mkdir(dir.c_str(), 0755);
  write(dir + "/001.kif", "old");
  EXPECT_TRUE(fails_with("velkora compose --seed 7 --count 1 --time 600 " + dir, 1,
                         "velkora compose: '" + dir + "/001.kif' exists (--force overwrites it)\n"));
  EXPECT_EQ(slurp(dir + "/001.kif"), "old");
  // With --force it composes (see the Ctrl-C test below, which forces).
}

// think and mate are stopped in command_line_test.cpp; compose and review
// here. Each prints what it has and exits with 130.
TEST(CommandOptions, JobsStoppedByCtrlCExitWith130) {
  const std::string dir = ::testing::TempDir() + "/stopped_problems";
  ::mkdir(dir.c_str(), 0755);
  write(dir + "/001.kif", "old");  // overwritten with --force, refused without
  const Interrupted compose = run_interrupted(
      {"compose", "--seed", "7", "--count", "999", "--time", "600", "--force", dir}, "", 300, 10000);
  ASSERT_TRUE(compose.ended) << compose.out << compose.err;
  EXPECT_TRUE(WIFEXITED(compose.status) && WEXITSTATUS(compose.status) == 130) << compose.status;
  EXPECT_EQ(compose.err.rfind("velkora compose: stopped ", 0), 0u) << compose.err;

  const Interrupted review = run_interrupted({"review", example(), "--time", "60"}, "", 300, 10000);
  ASSERT_TRUE(review.ended) << review.out << review.err;
  EXPECT_TRUE(WIFEXITED(review.status) && WEXITSTATUS(review.status) == 130) << review.status;
}

}  // namespace
