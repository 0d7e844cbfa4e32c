// Standard output that cannot be written (the full device): every command that
// prints, and every other program that prints (perft, the measuring tools, the
// benchmark program), fails with exit status 1 and one line on standard error
// that says so and why, instead of reporting success.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

constexpr const char* kFull = "/dev/full";

std::string example() { return data("../../examples/aigakari.kif"); }

// The last line of a text (without its line feed).
std::string last_line(const std::string& text) {
  const size_t end = text.empty() || text.back() != '\n' ? text.size() : text.size() - 1;
  const size_t start = text.rfind('\n', end == 0 ? 0 : end - 1);
  return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1));
}

// The built `program` (its path in the build folder) run with `args` and
// written to the full device fails with status 1, and standard error holds
// exactly the line "NAME: cannot write standard output: REASON" (after the
// progress lines that `progress` allows for on standard error).
::testing::AssertionResult program_fails_on_full(const std::string& program, const std::vector<std::string>& args,
                                                 const std::string& name, bool progress = false) {
  const Written r = run_program_writing_to(program, args, kFull);
  const std::string expected = name + ": cannot write standard output: " + std::strerror(ENOSPC) + "\n";
  const bool said = progress ? last_line(r.err) + "\n" == expected : r.err == expected;
  if (WIFEXITED(r.status) && WEXITSTATUS(r.status) == 1 && said) return ::testing::AssertionSuccess();
  std::string command;
  for (const std::string& a : args) command += " " + a;
  return ::testing::AssertionFailure() << program << command << ": status " << r.status << ", said: " << r.err;
}

// The same for `velkora`, its line naming the command NAME.
::testing::AssertionResult fails_on_full(const std::vector<std::string>& args, const std::string& name,
                                         bool progress = false) {
  return program_fails_on_full("app/velkora", args, "velkora " + name, progress);
}

bool exited_with(int status, int code) { return WIFEXITED(status) && WEXITSTATUS(status) == code; }

TEST(OutputFailure, EveryCommandThatPrintsFailsOnAFullDevice) {
  const std::string record = example();
  EXPECT_TRUE(fails_on_full({"board"}, "board"));
  EXPECT_TRUE(fails_on_full({"show", record}, "show"));
  EXPECT_TRUE(fails_on_full({"convert", record, "-", "--to", "kif"}, "convert"));
  EXPECT_TRUE(fails_on_full({"think", record, "--depth", "2"}, "think"));
  EXPECT_TRUE(fails_on_full({"mate", data("tsume/mate01_a.kif")}, "mate"));
  EXPECT_TRUE(fails_on_full({"bench"}, "bench"));
  EXPECT_TRUE(fails_on_full({"bench", "--signature"}, "bench"));
  EXPECT_TRUE(fails_on_full({"bench", "--stats", record}, "bench"));

  const std::string book = ::testing::TempDir() + "/full_device_book.js5";
  std::remove(book.c_str());
  ASSERT_EQ(run("velkora book add " + book + " " + record).status, 0);
  EXPECT_TRUE(fails_on_full({"book", "show", book, record, "--ply", "2"}, "book show"));
  std::remove(book.c_str());

  // The review tells its progress on standard error as it goes; its last
  // line is the failure (its own flush met the failure first, so the line
  // may go without the reason).
  const Written review = run_writing_to({"review", record, "--depth", "2"}, kFull);
  EXPECT_TRUE(WIFEXITED(review.status) && WEXITSTATUS(review.status) == 1) << review.status;
  EXPECT_EQ(last_line(review.err).rfind("velkora review: cannot write standard output", 0), 0u) << review.err;
}

TEST(OutputFailure, UsageToAFullDeviceFailsAndAWritableOneSucceeds) {
  const Written usage = run_writing_to({"--help"}, kFull);
  EXPECT_TRUE(WIFEXITED(usage.status) && WEXITSTATUS(usage.status) == 1) << usage.status;
  EXPECT_EQ(usage.err, std::string("velkora: cannot write standard output: ") + std::strerror(ENOSPC) + "\n");
  EXPECT_TRUE(fails_on_full({"show", "--help"}, "show"));
  // A command that already failed says so once, in its own line.
  const Written missing = run_writing_to({"show", "no_such_record.kif"}, kFull);
  EXPECT_TRUE(WIFEXITED(missing.status) && WEXITSTATUS(missing.status) == 1) << missing.status;
  EXPECT_EQ(missing.err.rfind("velkora show: cannot read 'no_such_record.kif'", 0), 0u) << missing.err;
  EXPECT_EQ(missing.err.find('\n'), missing.err.size() - 1) << missing.err;
  // The same commands to a device that takes everything succeed silently.
  const Written board = run_writing_to({"board"}, "/dev/null");
  EXPECT_TRUE(WIFEXITED(board.status) && WEXITSTATUS(board.status) == 0) << board.status;
  EXPECT_EQ(board.err, "");
}

// perft's counts and its usage after --help fail alike; a usage mistake keeps
// its own status, told on standard error, and a device that takes everything
// still succeeds silently.
TEST(OutputFailure, PerftFailsOnAFullDevice) {
  EXPECT_TRUE(program_fails_on_full("app/perft", {"2"}, "perft"));
  EXPECT_TRUE(program_fails_on_full("app/perft", {"--help"}, "perft"));
  const Written mistake = run_program_writing_to("app/perft", {"0"}, kFull);
  EXPECT_TRUE(exited_with(mistake.status, 2)) << mistake.status;
  EXPECT_EQ(mistake.err.rfind("perft: DEPTH must be from 1 to 20, not 0\nusage: perft ", 0), 0u) << mistake.err;
  const Written counted = run_program_writing_to("app/perft", {"2"}, "/dev/null");
  EXPECT_TRUE(exited_with(counted.status, 0)) << counted.status;
  EXPECT_EQ(counted.err, "");
}

// The measuring tools and the benchmark program, where they are built: the
// evaluation's terms, the self-play's game lines (a game of no move, at once)
// and a record of its that cannot be written, the benchmark list (whose
// library's own flush meets the failure first, so its line may go without
// the reason).
TEST(OutputFailure, TheMeasuringToolsFailOnAFullDevice) {
#ifndef VELKORA_BENCH_TOOLS
  GTEST_SKIP() << "the measuring tools are not built here";
#else
  EXPECT_TRUE(program_fails_on_full("bench/evalterms/velkora_evalterms", {example(), "--ply", "10"},
                                    "velkora_evalterms"));

  const std::string dir = ::testing::TempDir() + "/full_device_selfplay";
  ::mkdir(dir.c_str(), 0755);
  const std::string game = dir + "/game1.csa";
  std::remove(game.c_str());
  const std::string selfplay = "bench/selfplay/velkora_selfplay";
  const std::vector<std::string> no_move = {"--games", "1", "--random-plies", "0", "--max-plies", "0", "--out", dir};
  EXPECT_TRUE(program_fails_on_full(selfplay, no_move, "velkora_selfplay"));
  std::remove(game.c_str());
  ASSERT_EQ(::symlink(kFull, game.c_str()), 0);
  const Written lost = run_program_writing_to(selfplay, no_move, "/dev/null");
  EXPECT_TRUE(exited_with(lost.status, 1)) << lost.status;
  EXPECT_EQ(lost.err, "velkora_selfplay: cannot write '" + game + "': No space left on device\n");
  std::remove(game.c_str());

  const Written listed = run_program_writing_to("bench/velkora_bench", {"--benchmark_list_tests=true"}, kFull);
  EXPECT_TRUE(exited_with(listed.status, 1)) << listed.status;
  EXPECT_EQ(listed.err.rfind("velkora_bench: cannot write standard output", 0), 0u) << listed.err;
  EXPECT_EQ(listed.err.find('\n'), listed.err.size() - 1) << listed.err;
#endif
}

}  // namespace
