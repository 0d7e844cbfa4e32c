// velkora bench --stats on positions no game reaches: the side to move could
// take the king (refused in one line), or has no move at all (zero counts);
// and the speed benchmark's one line.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "tests/app/command_runner.h"
#include "tests/model/position/position_builder.h"

namespace {

using namespace command_test;

std::string record_of(const char* name, const model::Kyokumen& k) {
  model::KifuHolder h;
  h.kifu.SetStartPosition(k);
  const std::string path = ::testing::TempDir() + "/" + name;
  int format = 0;
  EXPECT_TRUE(model::kifu_save_file(h, path.c_str(), &format));
  return path;
}

TEST(BenchStats, RefusesATakableKingAndCountsNothingWhenMated) {
  model::Kyokumen open = model::testing::kings_only();
  model::testing::put(open, 5, 5, model::kHi);  // sente to move, gote's king on 5一 open to it
  const std::string takable = record_of("takable.kif", open);
  for (const std::string& extra : {std::string(), std::string(" --mode 1"), std::string(" --move +5948OU")}) {
    const Outcome r = run("velkora bench --stats " + takable + extra, true);
    EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 1) << extra << ": " << r.status;
    EXPECT_EQ(r.out, "velkora bench: the side to move can already capture the king\n") << extra;
  }

  // Gote to move, mated by a gold on 5二 that a pawn on 5三 guards.
  model::Kyokumen mated = model::testing::kings_only();
  model::testing::put(mated, 5, 2, model::kKin);
  model::testing::put(mated, 5, 3, model::kFu);
  mated.teban = 1;
  const Outcome r = run("velkora bench --stats " + record_of("mated.kif", mated), true);
  EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0) << r.status;
  EXPECT_EQ(r.out.rfind("generated 0 legal 0 cycles ", 0), 0u) << r.out;
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;  // no move lines
}

// Plain velkora bench runs the speed benchmark in a game of its own and prints
// its time as one line.
TEST(BenchSpeed, PrintsTheMillisecondsOfTheWalk) {
  const Outcome r = run("velkora bench", true);
  EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0) << r.status;
  unsigned ms = 0;
  char end = 0;
  EXPECT_EQ(std::sscanf(r.out.c_str(), "bench ms %u%c", &ms, &end), 2) << r.out;
  EXPECT_EQ(end, '\n');
  EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
}

}  // namespace
