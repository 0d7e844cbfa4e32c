// Standard output that cannot be written (the full device): every command that
// prints fails with exit status 1 and one line on standard error that says so
// and why, instead of reporting success.
#include <gtest/gtest.h>
#include <sys/wait.h>

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

// `args` written to the full device fails with status 1, and standard error
// holds exactly the line "velkora NAME: cannot write standard output: REASON"
// (after the progress lines that `progress` allows for on standard error).
::testing::AssertionResult fails_on_full(const std::vector<std::string>& args, const std::string& name,
                                         bool progress = false) {
  const Written r = run_writing_to(args, kFull);
  const std::string expected =
      "velkora " + name + ": cannot write standard output: " + std::strerror(ENOSPC) + "\n";
  const bool said = progress ? last_line(r.err) + "\n" == expected : r.err == expected;
  if (WIFEXITED(r.status) && WEXITSTATUS(r.status) == 1 && said) return ::testing::AssertionSuccess();
  std::string command;
  for (const std::string& a : args) command += " " + a;
  return ::testing::AssertionFailure() << "velkora" << command << ": status " << r.status << ", said: " << r.err;
}

TEST(OutputFailure, EveryCommandThatPrintsFailsOnAFullDevice) {
  const std::string record = example();
  EXPECT_TRUE(fails_on_full({"board"}, "board"));
  EXPECT_TRUE(fails_on_full({"show", record}, "show"));
  EXPECT_TRUE(fails_on_full({"convert", record, "-", "--to", "csa"}, "convert"));
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

}  // namespace
