// velkora book, end to end: a user book built from a game, listed, thinned,
// merged with an older JSD book, a divided book listed, and the failures that
// leave the book as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "tests/engine/driver/book_test_util.h"
#include "tests/app/command_runner.h"
#include "engine/driver/joseki_edit.h"

namespace {

using namespace command_test;

// 1.２六歩 ８四歩 2.２五歩 ８五歩 3.７八金 ３二金 ...
const std::string kGame = std::string(VELKORA_TEST_DATA) + "/../../examples/aigakari.kif";

std::string book(const std::string& args) { return run("velkora book " + args, true).out; }

TEST(BookCommand, AddShowRemoveAndImport) {
  const std::string dir = ::testing::TempDir() + "/book_command";
  ::mkdir(dir.c_str(), 0755);
  const std::string b = dir + "/user.js5";
  std::remove(b.c_str());
  EXPECT_EQ(book("add " + b + " " + kGame + " --ply 6"), "book " + b + " positions 6 moves 6\n");
  EXPECT_EQ(book("show " + b + " " + kGame + " --ply 3"), "-8485FU value 8 weight 23 senkei 00000000\ncandidates 1\n");
  EXPECT_EQ(book("add " + b + " " + kGame + " --ply 1 --value 15 --senkei 1f"), "book " + b + " positions 6 moves 6\n");
  EXPECT_EQ(book("show " + b + " " + kGame + " --ply 0"), "+2726FU value 15 weight 256 senkei 0000001F\ncandidates 1\n");
  EXPECT_EQ(book("show " + b + " " + kGame), "candidates 0\n");  // past what was added
  EXPECT_EQ(book("remove " + b + " " + kGame + " --ply 0"), "book " + b + " positions 5 moves 5\n");
  EXPECT_EQ(book("remove " + b + " " + kGame + " --ply 3 --all"), "book " + b + " positions 4 moves 4\n");

  // An older JSD book of the start position, read at level 7 and merged.
  model::Kyokumen k;
  k.Init(model::kHirate);
  driver::testing::BookRecord r;
  k.ToBookKey(r.pos);
  for (int i = 0; i < 2; ++i) {
    driver::BookMove m;
    ASSERT_TRUE(driver::book_move_from_sashite(k, model::testing::move(k, 7 - 5 * i, 7, 7 - 5 * i, 6), 4 - i,
                                               0x100u << i, &m));
    r.moves.push_back(m);
  }
  driver::testing::write_file(dir + "/old.jsd", driver::testing::book_image({r}, true));
  EXPECT_EQ(book("import " + b + " " + dir + "/old.jsd --level 7 --mode 2"), "book " + b + " positions 5 moves 6\n");
  EXPECT_EQ(book("show " + b + " " + kGame + " --ply 0"),
            "+2726FU value 12 weight 91 senkei 00000200\n+7776FU value 11 weight 64 senkei 00000100\ncandidates 2\n");
  EXPECT_EQ(book("show " + dir + "/old.jsd " + kGame + " --ply 0 --level 0"),
            "+7776FU value 4 weight 6 senkei 00000100\n+2726FU value 3 weight 4 senkei 00000200\ncandidates 2\n");
  // The same moves as a divided book in a folder.
  driver::testing::write_divided_book(dir, {r});
  EXPECT_EQ(book("show " + dir + " " + kGame + " --ply 0"),
            "+7776FU value 4 weight 6 senkei 00000100\n+2726FU value 3 weight 4 senkei 00000200\ncandidates 2\n");
}

TEST(BookCommand, FailuresAreOneLineAndLeaveTheBook) {
  const std::string dir = ::testing::TempDir() + "/book_command_fail";
  ::mkdir(dir.c_str(), 0755);
  const std::string b = dir + "/kept.js5";
  std::remove(b.c_str());
  ASSERT_EQ(run("velkora book add " + b + " " + kGame + " --ply 2").status, 0);
  const std::string before = slurp(b);
  const auto refused = [&](const std::string& args) {
    const Outcome o = run("velkora book " + args, true);
    EXPECT_NE(o.status, 0) << args;
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << o.out;
    EXPECT_EQ(o.out.rfind("velkora book", 0), 0u) << o.out;
    EXPECT_EQ(slurp(b), before) << args;
  };
  refused("add " + b + " " + kGame + " --value 16");
  refused("add " + b + " " + kGame + " --ply 99");
  refused("remove " + b + " " + kGame);  // --ply is needed
  refused("remove " + dir + "/missing.js5 " + kGame + " --ply 1");
  refused("show " + dir + "/missing.js5 " + kGame);
  refused("import " + b + " " + dir + "/missing.jsd");
  // A book that is damaged, or not a JS5 book, is neither read nor replaced.
  const std::string cut = dir + "/cut.js5";
  driver::testing::write_file(cut, {'J', 'S', '5', 0, 5, 0, 0, 0});
  refused("add " + cut + " " + kGame);
  EXPECT_EQ(slurp(cut).size(), 8u);
  refused("import " + b + " " + cut);
  refused("add " + kGame + " " + kGame);
  // A save that cannot finish leaves the book as it was.
  ::mkdir((b + ".tmp").c_str(), 0755);
  refused("add " + b + " " + kGame);
  ::rmdir((b + ".tmp").c_str());
}

}  // namespace
