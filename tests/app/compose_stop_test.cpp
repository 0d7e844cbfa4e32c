// Ctrl-C into velkora compose: whatever the composer is doing at that moment
// (drawing, solving, improving, the shorter-mate search, solving a made
// problem again), the command ends within two seconds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "tests/support/test_paths.h"

namespace {

// What a user may wait for after Ctrl-C; a stop lands within milliseconds.
constexpr uint32_t kStopLimitMs = 2000;
constexpr uint32_t kPollMs = 5;

struct Interrupted {
  const char* seed;
  uint32_t signal_at_ms;  // after the start of all runs
  pid_t pid = -1;
  uint32_t signalled_ms = 0;
  bool signalled = false;
  bool ended = false;
  int status = 0;
  uint32_t took_ms = 0;
};

pid_t start_compose(const char* seed, const std::string& dir) {
  const std::string program = test_support::test_binary_dir() + "/app/velkora";
  const pid_t pid = fork();
  if (pid == 0) {
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 1);
    dup2(quiet, 2);
    execl(program.c_str(), "velkora", "compose", "--seed", seed, "--count", "20", "--time", "600", dir.c_str(),
          nullptr);
    _exit(127);
  }
  return pid;
}

// Four composers at once, each interrupted at its own moment: the seeds reach
// different phases at different times, and the moments spread over them.
TEST(ComposeStop, CtrlCEndsTheCommandWithinTwoSecondsAtAnyMoment) {
  std::vector<Interrupted> runs = {{"36", 150}, {"77", 450}, {"107", 900}, {"15", 1500}};
  for (Interrupted& r : runs) {
    std::string dir = ::testing::TempDir() + "/compose_stop_XXXXXX";
    ASSERT_NE(mkdtemp(dir.data()), nullptr);
    r.pid = start_compose(r.seed, dir);
    ASSERT_GT(r.pid, 0);
  }
  const uint32_t start = platform::tick_ms();
  for (bool waiting = true; waiting;) {
    waiting = false;
    const uint32_t now = platform::tick_elapsed(start, platform::tick_ms());
    for (Interrupted& r : runs) {
      if (r.ended) continue;
      waiting = true;
      if (!r.signalled && now >= r.signal_at_ms) {
        kill(r.pid, SIGINT);
        r.signalled = true;
        r.signalled_ms = now;
      }
      if (waitpid(r.pid, &r.status, WNOHANG) == r.pid) {
        r.ended = true;
        r.took_ms = now - r.signalled_ms;
      } else if (r.signalled && now - r.signalled_ms > kStopLimitMs) {
        kill(r.pid, SIGKILL);
        waitpid(r.pid, &r.status, 0);
        r.ended = true;
        r.took_ms = now - r.signalled_ms;
      }
    }
    platform::sleep_ms(kPollMs);
  }
  for (const Interrupted& r : runs) {
    EXPECT_TRUE(r.signalled) << "seed " << r.seed << " ended by itself";
    EXPECT_LE(r.took_ms, kStopLimitMs) << "seed " << r.seed << " stopped at " << r.signal_at_ms << " ms, status "
                                       << r.status;
  }
}

}  // namespace
