// velkora book, end to end: a user book built from a game, listed, thinned,
// merged with an older JSD book, a divided book listed, the failures that
// leave the book as it was, files that are no readable book, saves through a
// symbolic link keeping the mode and owner, and four processes changing one
// book at once.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/engine/driver/book_test_util.h"
#include "tests/app/command_runner.h"
#include "engine/driver/joseki_edit.h"
#include "platform/clock.h"
#include "platform/file_lock.h"

namespace {

using namespace command_test;

// 1.２六歩 ８四歩 2.２五歩 ８五歩 3.７八金 ３二金 ...
const std::string kGame = data("../../examples/aigakari.kif");

std::string book(const std::string& args) { return run("velkora book " + args, true).out; }

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Runs a command line with sh.
Outcome sh(const std::string& script) {
  FILE* p = popen(script.c_str(), "r");
  if (!p) return {-1, {}};
  std::string out = read_all(p);
  return {pclose(p), out};
}

std::string velkora(const std::string& args);

TEST(BookCommand, AddShowRemoveAndImport) {
  const std::string dir = ::testing::TempDir() + "/book_command";
  ::mkdir(dir.c_str(), 0755);
  const std::string b = dir + "/user.js5";
  std::remove(b.c_str());
  EXPECT_EQ(book("add " + b + " " + kGame + " --ply 6"), "book " + b + " positions 6 moves 6\n");
  EXPECT_EQ(book("show " + b + " " + kGame + " --ply 3"), "-8485FU value 8 weight 23 senkei 00000000\ncandidates 1\n");
  EXPECT_EQ(book("add " + b + " " + kGame + " --ply 1 --value 15 --senkei 1f"), "book " + b + " positions 6 moves 6\n");
  EXPECT_EQ(book("show " + b + " " + kGame + " --ply 0"), "+2726FU value 15 weight 256 senkei 0000001F\ncandidates 1\n");
  // Value 0, the lowest rating, is stored as given.
  EXPECT_EQ(book("add " + b + " " + kGame + " --ply 1 --value 0"), "book " + b + " positions 6 moves 6\n");
  EXPECT_EQ(book("show " + b + " " + kGame + " --ply 0"), "+2726FU value 0 weight 0 senkei 00000000\ncandidates 1\n");
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
  // A save that cannot finish (no room on the disk) leaves the book as it was,
  // and no temporary file beside it.
  const Outcome full = sh("trap '' XFSZ; ulimit -f 0; " + velkora("book add " + b + " " + kGame));
  EXPECT_EQ(full.out, "velkora book add: cannot write '" + b + "': File too large\n");
  EXPECT_EQ(slurp(b), before);
  EXPECT_EQ(driver::testing::folder_names(dir), (std::set<std::string>{"kept.js5", "kept.js5.lock", "cut.js5", "cut.js5.lock"}));
}

// `velkora` with `args`, standard error kept with standard output, as a
// command for sh.
std::string velkora(const std::string& args) { return test_support::test_binary_dir() + "/app/velkora " + args + " 2>&1"; }

// A failure in one line on standard error with exit status 1.
void expect_one_line_failure(const Outcome& o, const std::string& what) {
  EXPECT_TRUE(WIFEXITED(o.status) && WEXITSTATUS(o.status) == 1) << what << ": status " << o.status;
  EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 1) << what << ": " << o.out;
  EXPECT_EQ(o.out.rfind("velkora ", 0), 0u) << what << ": " << o.out;
}

TEST(BookCommand, WhatIsNoReadableBookIsOneLineAndMakesNothing) {
  const std::string dir = ::testing::TempDir() + "/book_junk";
  const std::string parts = dir + "/parts", game = dir + "/game.csa";
  ::mkdir(dir.c_str(), 0755);
  driver::testing::write_divided_book(parts, {});
  driver::testing::write_file(game, {'P', 'I', '\n', '+', '\n', '+', '7', '7', '7', '6', 'F', 'U', '\n'});
  driver::testing::Bytes junk(1000);
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<uint8_t>(i * 37 + 11);
  driver::testing::write_file(dir + "/junk.bin", junk);
  driver::testing::write_file(dir + "/huge.js5", {'J', 'S', '5', 0});
  ASSERT_EQ(::truncate((dir + "/huge.js5").c_str(), driver::kMaxBookFileBytes + 1), 0);
  for (const char* args : {"book show junk.bin game.csa", "book show parts game.csa", "book show huge.js5 game.csa",
                                  "book import new.js5 parts", "book import new.js5 game.csa", "book add junk.bin game.csa",
                                  "think game.csa --depth 2 --book junk.bin", "think game.csa --depth 2 --book parts"}) {
    expect_one_line_failure(sh("cd " + dir + " && " + velkora(args)), args);
  }
  // Nothing was made of the failed imports, and no lock file beside junk.
  EXPECT_EQ(driver::testing::folder_names(dir), (std::set<std::string>{"parts", "game.csa", "junk.bin", "huge.js5"}));

  // A part that declares 4 GB unpacked from 4 MB packed is refused before any
  // of it is allocated: show fails in one line within 1 GB of memory, and a
  // think warns and goes without the book. (Under the address sanitizer,
  // whose shadow memory takes more than 1 GB, without the limit.)
  driver::testing::Bytes head = {'J', 'o', 'S', 'e', 'K', 'i', '5', 0};
  driver::testing::put(head, 4u << 20, 4);
  driver::testing::put(head, 0xFFFFFFFFu, 4);
  driver::testing::write_file(parts + "/joseki/b00.jdb", head);
  ASSERT_EQ(::truncate((parts + "/joseki/b00.jdb").c_str(), 16 + (4 << 20)), 0);
  const std::string limit = kSanitized ? "" : "ulimit -v 1048576; ";
  expect_one_line_failure(sh(limit + "cd " + dir + " && " + velkora("book show parts game.csa --ply 0")), "4 GB part");
  const Outcome think = run("velkora think " + game + " --ply 0 --depth 2 --book " + parts, true);
  EXPECT_EQ(think.status, 0);
  EXPECT_EQ(think.out.rfind("velkora think: warning: cannot read '" + parts + "/joseki/b00.jdb' as an opening book", 0), 0u)
      << think.out;
  EXPECT_NE(think.out.find("\nbestmove "), std::string::npos) << think.out;

  // No change may leave a book of no position, which no book may be.
  ASSERT_EQ(run("velkora book add " + dir + "/one.js5 " + game).status, 0);
  const std::string one = slurp(dir + "/one.js5");
  expect_one_line_failure(sh(velkora("book remove " + dir + "/one.js5 " + game + " --ply 0")), "last position");
  EXPECT_EQ(slurp(dir + "/one.js5"), one);
}

// A change that would make a new book without a position is refused before
// the book is locked: no book and no lock file is left behind.
TEST(BookCommand, NothingToAddToANewBookMakesNothing) {
  const std::string dir = ::testing::TempDir() + "/book_empty_new";
  ::mkdir(dir.c_str(), 0755);
  driver::testing::write_file(dir + "/start.csa", {'P', 'I', '\n', '+', '\n'});  // no move
  driver::testing::write_file(dir + "/empty.jsd", driver::testing::book_image({}, true));
  for (const std::string& args : {"book add new.js5 " + kGame + " --ply 0", std::string("book add new.js5 start.csa"),
                                 std::string("book import new.js5 empty.jsd")}) {
    const Outcome o = sh("cd " + dir + " && " + velkora(args));
    expect_one_line_failure(o, args);
    EXPECT_EQ(o.out, "velkora " + args.substr(0, args.find(' ', 5)) +
                         ": 'new.js5' would hold no position, which no book may: it is not made\n");
  }
  EXPECT_EQ(driver::testing::folder_names(dir), (std::set<std::string>{"start.csa", "empty.jsd"}));

  // The same changes of a book that is there leave it as it was.
  ASSERT_EQ(sh("cd " + dir + " && " + velkora("book add kept.js5 " + kGame + " --ply 2")).status, 0);
  const std::string kept = slurp(dir + "/kept.js5");
  for (const char* args : {"book add kept.js5 start.csa", "book import kept.js5 empty.jsd"}) {
    EXPECT_EQ(sh("cd " + dir + " && " + velkora(args)).out, "book kept.js5 positions 2 moves 2\n") << args;
  }
  EXPECT_EQ(slurp(dir + "/kept.js5"), kept);
}

TEST(BookCommand, SavesGoThroughTheLinkKeepTheModeAndOwnerAndFollowNoPlantedLink) {
  const std::string dir = ::testing::TempDir() + "/book_link";
  const std::string real = dir + "/real.js5", link = dir + "/link.js5", victim = dir + "/victim";
  ::mkdir(dir.c_str(), 0755);
  ASSERT_EQ(run("velkora book add " + real + " " + kGame + " --ply 2").status, 0);
  // Only root may give the book to another user (one that need not exist), as
  // when the administrator changes a user's book.
  const uid_t owner = geteuid() == 0 ? 12345 : geteuid();
  const gid_t group = geteuid() == 0 ? 23456 : getegid();
  ASSERT_EQ(::chown(real.c_str(), owner, group), 0);
  ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
  ASSERT_EQ(::symlink("real.js5", link.c_str()), 0);
  // Links planted where a fixed temporary name would be.
  driver::testing::write_file(victim, {'k', 'e', 'e', 'p'});
  for (const std::string& planted : {real + ".tmp", link + ".tmp"}) ASSERT_EQ(::symlink(victim.c_str(), planted.c_str()), 0);
  EXPECT_EQ(book("add " + link + " " + kGame + " --ply 4"), "book " + link + " positions 4 moves 4\n");
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  EXPECT_EQ(st.st_uid, owner);
  EXPECT_EQ(st.st_gid, group);
  EXPECT_EQ(book("show " + real + " " + kGame + " --ply 3"), "-8485FU value 8 weight 23 senkei 00000000\ncandidates 1\n");
  EXPECT_EQ(slurp(victim), "keep");
}

TEST(BookCommand, FourProcessesAddingAtOnceAllLand) {
  const std::string dir = ::testing::TempDir() + "/book_race", b = dir + "/race.js5";
  ::mkdir(dir.c_str(), 0755);
  // Twelve first moves, three for each process: the nine pawns, three of the rook.
  const char* moves[] = {"+1716FU", "+2726FU", "+3736FU", "+4746FU", "+5756FU", "+6766FU",
                         "+7776FU", "+8786FU", "+9796FU", "+2818HI", "+2838HI", "+2848HI"};
  std::string script;
  for (int p = 0; p < 4; ++p) {
    script += "(";
    for (int i = p; i < 12; i += 4) {
      const std::string game = dir + "/" + std::to_string(i) + ".csa";
      driver::testing::write_file(game, {});
      std::FILE* f = std::fopen(game.c_str(), "w");
      std::fprintf(f, "PI\n+\n%s\n", moves[i]);
      std::fclose(f);
      script += velkora("book add " + b + " " + game) + " >/dev/null || echo failed " + moves[i] + "; ";
    }
    script += ") & ";
  }
  // A process that waits more than a second for the lock says so; nothing
  // else is said.
  for (const std::string& line : lines_of(sh(script + "wait").out)) {
    EXPECT_NE(line.find(": waiting for the lock '" + b + ".lock', which another process holds"), std::string::npos)
        << line;
  }
  const std::string shown = book("show " + b + " " + dir + "/0.csa --ply 0");
  for (const char* m : moves) EXPECT_NE(shown.find(m), std::string::npos) << m;
  EXPECT_EQ(shown.substr(shown.size() - 14), "candidates 12\n");
}

// A book that the system will not let the command read is told with the
// system's reason: a path through a plain file ...
TEST(BookCommand, ABookOnAPathThroughAFileIsToldWithTheSystemsReason) {
  const std::string dir = ::testing::TempDir() + "/book_reason";
  ::mkdir(dir.c_str(), 0755);
  driver::testing::write_file(dir + "/file", {'x'});
  ASSERT_EQ(sh("cd " + dir + " && rm -f kept.js5 && " + velkora("book add kept.js5 " + kGame + " --ply 2")).status, 0);
  // A folder whose joseki is a file in the folder's place.
  ::mkdir((dir + "/parts").c_str(), 0755);
  driver::testing::write_file(dir + "/parts/joseki", {'x'});
  const std::string cannot_read = ": cannot read 'file/b.js5' as an opening book: Not a directory\n";
  const std::string no_parts = ": cannot read 'parts/joseki/bXX.jdb' as an opening book: Not a directory\n";
  for (const auto& [args, said] : std::vector<std::pair<std::string, std::string>>{
           {"book show file/b.js5 " + kGame, "velkora book show" + cannot_read},
           {"book remove file/b.js5 " + kGame + " --ply 1", "velkora book remove" + cannot_read},
           {"book import kept.js5 file/b.js5", "velkora book import" + cannot_read},
           {"book show parts " + kGame, "velkora book show" + no_parts},
           {"think " + kGame + " --depth 2 --book parts", "velkora think" + no_parts},
       }) {
    const Outcome o = sh("cd " + dir + " && " + velkora(args));
    expect_one_line_failure(o, args);
    EXPECT_EQ(o.out, said) << args;
  }
  EXPECT_EQ(driver::testing::folder_names(dir), (std::set<std::string>{"file", "kept.js5", "kept.js5.lock", "parts"}));
}

// ... and a book file, a folder on the way or a divided book's part that may
// not be read. Permission bits do not stop the superuser, so this is skipped
// when run as one.
TEST(BookCommand, ABookThatMayNotBeReadIsToldWithTheSystemsReason) {
  if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop the superuser";
  const std::string dir = ::testing::TempDir() + "/book_denied";
  ::mkdir(dir.c_str(), 0755);
  ASSERT_EQ(sh("cd " + dir + " && rm -f kept.js5 && " + velkora("book add kept.js5 " + kGame + " --ply 2")).status, 0);
  ASSERT_EQ(sh("cd " + dir + " && cp kept.js5 locked.js5 && chmod 000 locked.js5").status, 0);
  ASSERT_EQ(sh("cd " + dir + " && mkdir -p closed && cp kept.js5 closed/in.js5 && chmod 000 closed").status, 0);
  // The divided book of the start position, its part file unreadable.
  model::Kyokumen k;
  k.Init(model::kHirate);
  driver::testing::BookRecord r;
  k.ToBookKey(r.pos);
  r.moves.push_back(driver::testing::push(7, 4));
  driver::testing::write_divided_book(dir + "/parts", {r});
  const std::set<std::string> names = driver::testing::folder_names(dir + "/parts/joseki");
  ASSERT_EQ(names.size(), 1u);
  const std::string part = "parts/joseki/" + *names.begin();
  ASSERT_EQ(::chmod((dir + "/" + part).c_str(), 0), 0);
  const std::string denied = "' as an opening book: Permission denied\n";
  for (const auto& [args, said] : std::vector<std::pair<std::string, std::string>>{
           {"book show locked.js5 " + kGame, "velkora book show: cannot read 'locked.js5" + denied},
           {"book add locked.js5 " + kGame, "velkora book add: cannot read 'locked.js5" + denied},
           {"book remove locked.js5 " + kGame + " --ply 1", "velkora book remove: cannot read 'locked.js5" + denied},
           {"book import kept.js5 locked.js5", "velkora book import: cannot read 'locked.js5" + denied},
           {"book show closed/in.js5 " + kGame, "velkora book show: cannot read 'closed/in.js5" + denied},
           {"book remove closed/in.js5 " + kGame + " --ply 1",
            "velkora book remove: cannot read 'closed/in.js5" + denied},
           {"book show parts " + kGame + " --ply 0", "velkora book show: cannot read '" + part + denied},
       }) {
    const Outcome o = sh("cd " + dir + " && " + velkora(args));
    expect_one_line_failure(o, args);
    EXPECT_EQ(o.out, said) << args;
  }
  // A divided book whose joseki folder may not be entered.
  ASSERT_EQ(::chmod((dir + "/parts/joseki").c_str(), 0), 0);
  EXPECT_EQ(sh("cd " + dir + " && " + velkora("book show parts " + kGame)).out,
            "velkora book show: cannot read 'parts/joseki/bXX.jdb" + denied);
  ::chmod((dir + "/parts/joseki").c_str(), 0755);
  ::chmod((dir + "/closed").c_str(), 0755);
}

// The file's identity and last change: a book saved again is a new file.
struct FileStamp {
  ino_t inode;
  int64_t modified_ns;
  bool operator==(const FileStamp&) const = default;
};
FileStamp stamp(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return {st.st_ino, int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec};
}

// Removing what the book does not hold, a position or a move of one, fails in
// one line that says which, and the book is neither changed nor saved again.
TEST(BookCommand, RemovingWhatTheBookDoesNotHoldFailsAndLeavesTheFile) {
  const std::string dir = ::testing::TempDir() + "/book_remove_absent";
  ::mkdir(dir.c_str(), 0755);
  // The book holds the positions after plies 0 to 3 of the game; 7776FU is
  // another first move.
  driver::testing::write_file(dir + "/other.csa", {'P', 'I', '\n', '+', '\n', '+', '7', '7', '7', '6', 'F', 'U', '\n'});
  ASSERT_EQ(sh("cd " + dir + " && rm -f b.js5 && " + velkora("book add b.js5 " + kGame + " --ply 4")).status, 0);
  const std::string bytes = slurp(dir + "/b.js5");
  const FileStamp before = stamp(dir + "/b.js5");
  for (const auto& [args, said] : std::vector<std::pair<std::string, std::string>>{
           {"book remove b.js5 " + kGame + " --ply 6", "'b.js5' does not hold the position after ply 6"},
           {"book remove b.js5 " + kGame + " --ply 6 --all", "'b.js5' does not hold the position after ply 6"},
           {"book remove b.js5 other.csa --ply 0", "'b.js5' holds the position after ply 0 but not its move +7776FU"},
       }) {
    const Outcome o = sh("cd " + dir + " && " + velkora(args));
    expect_one_line_failure(o, args);
    EXPECT_EQ(o.out, "velkora book remove: " + said + "\n") << args;
    EXPECT_EQ(slurp(dir + "/b.js5"), bytes) << args;
    EXPECT_TRUE(stamp(dir + "/b.js5") == before) << args;
  }
  EXPECT_EQ(driver::testing::folder_names(dir), (std::set<std::string>{"b.js5", "b.js5.lock", "other.csa"}));
}

// A change of a book whose lock another process holds waits: after a second
// it says so in one line on standard error and goes on waiting, to make its
// change once the lock is free.
TEST(BookCommand, AChangeWaitsForAHeldLockAndSaysSo) {
  constexpr int kLimitMs = 10000;  // a change that waits without a word is not waited for longer
  const std::string dir = ::testing::TempDir() + "/book_wait", b = dir + "/b.js5";
  ::mkdir(dir.c_str(), 0755);
  std::remove(b.c_str());
  ASSERT_EQ(run("velkora book add " + b + " " + kGame + " --ply 2").status, 0);
  const int held = ::open((b + ".lock").c_str(), O_RDONLY | O_CLOEXEC);  // no program started here inherits it
  ASSERT_TRUE(held >= 0 && ::flock(held, LOCK_EX) == 0);
  const uint32_t start = platform::tick_ms();
  FILE* p = popen(velkora("book add " + b + " " + kGame + " --ply 4").c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string said;
  pollfd out{fileno(p), POLLIN, 0};
  for (char c = 0; c != '\n' && poll(&out, 1, kLimitMs) > 0 && ::read(out.fd, &c, 1) == 1;) said += c;
  EXPECT_EQ(said, "velkora book add: waiting for the lock '" + b + ".lock', which another process holds\n");
  EXPECT_GE(platform::tick_elapsed(start, platform::tick_ms()), platform::FileLock::kWaitNoticeMs);
  ::close(held);
  EXPECT_EQ(read_all(p), "book " + b + " positions 4 moves 4\n");
  EXPECT_EQ(pclose(p), 0);
}

}  // namespace
