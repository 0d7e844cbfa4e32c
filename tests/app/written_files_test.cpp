// Every command that writes a file, as a user meets it: a file the user may
// not write is refused as a shell redirection refuses it, a symbolic link to
// a file not there yet is written through (its file made, the link kept), and
// another user's file in a shared sticky folder is written in place.
// What cannot be written is found out before the work (no solve, think,
// problem or game shows), with one line that says why.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

const std::string kGame = data("../../examples/aigakari.kif");

// A command that writes the file `file` in the folder its command line names
// as @DIR; @SETUP is the folder of the books it reads.
struct Writer {
  const char* label;
  const char* file;
  std::string command;
  const char* said;         // the start of its messages
  bool needs_book = false;  // changes a book that must be there (book remove)
};

const Writer kWriters[] = {
    {"convert", "out.kif", "velkora convert " + data("kif/tsume.kif") + " @DIR/out.kif", "velkora convert"},
    {"mate --save", "out.kif", "velkora mate " + data("tsume/mate07_b_ai.kif") + " --ply 0 --save @DIR/out.kif",
     "velkora mate"},
    {"review --save", "out.kif", "velkora review " + kGame + " --depth 2 --save @DIR/out.kif", "velkora review"},
    {"compose --force", "001.kif", "velkora compose --seed 7 --count 1 --time 600 --force @DIR", "velkora compose"},
    {"book add", "user.js5", "velkora book add @DIR/user.js5 " + kGame + " --ply 6", "velkora book add"},
    {"book remove", "user.js5", "velkora book remove @DIR/user.js5 " + kGame + " --ply 1", "velkora book remove",
     true},
    {"book import", "user.js5", "velkora book import @DIR/user.js5 @SETUP/source.js5", "velkora book import"},
#ifdef VELKORA_BENCH_TOOLS
    {"velkora_selfplay", "game1.csa",
     "../bench/selfplay/velkora_selfplay --games 1 --random-plies 0 --max-plies 0 --out @DIR", "velkora_selfplay"},
#endif
};

// Makes mate print a progress line as soon as its solve runs, which a refusal
// must come before.
constexpr const char* kProgressAtOnce = "VELKORA_PROGRESS_MS=1 ";

// The writer's command line writing into `dir`.
std::string command_of(const Writer& w, const std::string& dir, const std::string& setup) {
  std::string line = w.command;
  for (const auto& [name, value] : {std::pair<std::string, std::string>{"@DIR", dir}, {"@SETUP", setup}}) {
    for (size_t at; (at = line.find(name)) != std::string::npos;) line.replace(at, name.size(), value);
  }
  return line;
}

// What a refused write must leave: the same file, bytes and time.
struct FileState {
  bool there = false;
  bool link = false;
  ino_t inode = 0;
  int64_t mtime_ns = 0;
  std::string bytes;
  bool operator==(const FileState&) const = default;
};

FileState state_of(const std::string& path) {
  FileState s;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return s;
  s.there = true;
  s.link = S_ISLNK(st.st_mode);
  s.inode = st.st_ino;
  s.mtime_ns = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
  s.bytes = slurp(path);
  return s;
}

// A fresh folder of its own for each case.
std::string fresh_folder(const std::string& name) {
  const std::string dir = ::testing::TempDir() + "/written_" + name;
  ::mkdir(dir.c_str(), 0755);
  return dir;
}

// The books the book commands read and change: a source to import, and the
// book that stands in the place of each writer's file where one is needed.
std::string books_setup() {
  const std::string setup = fresh_folder("setup");
  EXPECT_EQ(run("velkora book add " + setup + "/source.js5 " + kGame + " --ply 4").status, 0);
  return setup;
}

std::string label_of(const Writer& w) { return std::string(w.label) + ": "; }

// Puts a book's bytes at `file`: the book commands find a book to change,
// the others a file to replace.
void put_book(const std::string& setup, const std::string& file) {
  const std::string book = slurp(setup + "/source.js5");
  FILE* f = fopen(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(fwrite(book.data(), 1, book.size(), f), book.size());
  ASSERT_EQ(fclose(f), 0);
}

// A file the user may not write, and one it may write in a folder it may not
// write, are refused before the work and left as they were; a shell
// redirection or cp refuses the first the same way. The second is replaced
// through a new file beside it, which the folder refuses: the folder is named.
TEST(WrittenFiles, AFileTheUserMayNotWriteIsRefusedBeforeTheWorkAndLeftAsItWas) {
  if (geteuid() == 0) GTEST_SKIP() << "permission bits do not stop the superuser";
  const std::string setup = books_setup();
  const struct {
    mode_t file_mode, folder_mode;
    bool folder_named;
  } kCases[] = {{0444, 0755, false}, {0666, 0555, true}};
  int n = 0;
  for (const auto& c : kCases) {
    for (const Writer& w : kWriters) {
      const std::string dir = fresh_folder("protected" + std::to_string(n++));
      const std::string file = dir + "/" + w.file;
      put_book(setup, file);
      ASSERT_EQ(::chmod(file.c_str(), c.file_mode), 0);
      ASSERT_EQ(::chmod(dir.c_str(), c.folder_mode), 0);
      const FileState before = state_of(file);
      const Outcome r = run(command_of(w, dir, setup), true, kProgressAtOnce);
      ::chmod(dir.c_str(), 0755);
      EXPECT_EQ(r.status >> 8, 1) << label_of(w) << r.out;
      // The whole output is the one line: no progress, problem or game before it.
      const std::string why = c.folder_named ? "its folder '" + dir + "' may not be written: Permission denied"
                                             : std::string("Permission denied");
      EXPECT_EQ(r.out, std::string(w.said) + ": cannot write '" + file + "': " + why + "\n") << w.label;
      EXPECT_EQ(state_of(file), before) << w.label;
    }
  }
}

// Users that need not exist: the owner of a file in a shared folder, and the
// user who writes it.
constexpr uid_t kOwner = 54321;
constexpr uid_t kWritingUser = 12345;
// What a command run as another user exits with when it cannot reach the
// programs or the data.
constexpr int kUnreachable = 99;

// Runs `args` as the built programs are run (run()), as `user`; `shell` (a
// umask and ";") goes before the program.
Outcome run_as_another_user(const std::string& args, const std::vector<std::string>& needed,
                            uid_t user = kWritingUser, const std::string& shell = "") {
  std::string line;
  for (const std::string& path : needed) {
    line += "test -r '" + path + "' || exit " + std::to_string(kUnreachable) + "; ";
  }
  line += shell + test_support::test_binary_dir() + "/app/" + args + " 2>&1";
  int out[2];
  if (pipe(out) != 0) return {-1, {}};
  const pid_t child = fork();
  if (child < 0) return {-1, {}};
  if (child == 0) {
    dup2(out[1], 1);
    close(out[0]);
    if (setgroups(0, nullptr) != 0 || setgid(user) != 0 || setuid(user) != 0) _exit(2);
    execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* f = fdopen(out[0], "r");
  Outcome r{0, f ? read_all(f) : std::string()};
  if (f) fclose(f);
  waitpid(child, &r.status, 0);
  return r;
}

// In a folder with the sticky bit (a shared temporary folder), a file of
// another user that the user may write is written in place, as a shell
// redirection writes it, by every command: it keeps its owner and is
// the same file. Replacing it would need a rename the folder refuses. A
// book's lock takes the book's bits whatever the umask, so that whoever may
// write the book may take it; a lock that may not be opened is named.
TEST(WrittenFiles, AnotherUsersFileInAStickyFolderIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to set up a file of another user and to become one";
  const std::string setup = books_setup();
  char name[] = "/tmp/velkora-sticky-XXXXXX";
  ASSERT_NE(::mkdtemp(name), nullptr);
  const std::string shared = name;
  ASSERT_EQ(::chmod(shared.c_str(), 0755), 0);
  int n = 0;
  std::string book;
  for (const Writer& w : kWriters) {
    const std::string dir = shared + "/" + std::to_string(n++);
    const std::string file = dir + "/" + w.file;
    ASSERT_EQ(::mkdir(dir.c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
    put_book(setup, file);
    ASSERT_EQ(::chown(file.c_str(), kOwner, kOwner), 0);
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    const FileState before = state_of(file);
    const Outcome r = run_as_another_user(command_of(w, dir, setup),
                                          {test_support::test_binary_dir() + "/app/velkora", kGame, setup},
                                          kWritingUser, "umask 077; ");
    if (r.status >> 8 == kUnreachable) {
      std::system(("rm -rf " + shared).c_str());
      GTEST_SKIP() << "the programs or the data are out of another user's reach";
    }
    EXPECT_EQ(r.status, 0) << label_of(w) << r.out;
    const FileState after = state_of(file);
    EXPECT_EQ(after.inode, before.inode) << w.label;
    EXPECT_NE(after.mtime_ns, before.mtime_ns) << w.label;  // written (a book import may leave the same bytes)
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kOwner) << w.label;
    EXPECT_EQ(st.st_mode & 07777, 0666u) << w.label;
    if (std::string(w.file) != "user.js5") continue;
    book = file;
    EXPECT_TRUE(::stat((book + ".lock").c_str(), &st) == 0 && (st.st_mode & 07777) == 0666u) << w.label;
  }
  ASSERT_EQ(::chmod((book + ".lock").c_str(), 0600), 0);  // as an older build left it
  const std::string before = slurp(book);
  EXPECT_EQ(run_as_another_user("velkora book add " + book + " " + kGame, {}, kOwner).out,
            "velkora book add: cannot open the lock '" + book + ".lock': Permission denied\n");
  EXPECT_EQ(slurp(book), before);
  std::system(("rm -rf " + shared).c_str());
}

// Runs `line` with /bin/sh in `dir`, @V standing for the built velkora;
// standard error is kept.
Outcome shell_in(const std::string& dir, std::string line) {
  const std::string velkora = test_support::test_binary_dir() + "/app/velkora";
  for (size_t at; (at = line.find("@V")) != std::string::npos;) line.replace(at, 2, velkora);
  FILE* p = popen(("cd " + dir + " && { " + line + "; } 2>&1").c_str(), "r");
  std::string out = p ? read_all(p) : "";
  return {p ? pclose(p) : -1, out};
}

// A link to a file not there yet, in a folder that is there, is written
// through as a shell redirection writes: its file is made where it leads and
// the link stays. A link whose folder is missing is refused before the work,
// naming where it leads, and nothing is made. A book that must be there
// (remove) is told as missing either way.
TEST(WrittenFiles, ALinkToNothingIsWrittenThroughOrRefusedBeforeTheWork) {
  const std::string setup = books_setup();
  int n = 0;
  for (const Writer& w : kWriters) {
    const std::string dir = fresh_folder("link" + std::to_string(n++));
    const std::string link = dir + "/" + w.file;
    ::mkdir((dir + "/kept").c_str(), 0755);
    const std::string target = std::string("kept/") + w.file;
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    const Outcome made = run(command_of(w, dir, setup), true);
    if (w.needs_book) {
      EXPECT_EQ(made.out, std::string(w.said) + ": no book '" + link + "'\n") << w.label;
    } else {
      EXPECT_EQ(made.status, 0) << label_of(w) << made.out;
      EXPECT_FALSE(slurp(dir + "/" + target).empty()) << w.label;
    }
    EXPECT_TRUE(state_of(link).link) << w.label;

    ASSERT_EQ(::unlink(link.c_str()), 0);
    const std::string gone = std::string("gone/") + w.file;
    ASSERT_EQ(::symlink(gone.c_str(), link.c_str()), 0);
    const Outcome refused = run(command_of(w, dir, setup), true, kProgressAtOnce);
    EXPECT_EQ(refused.status >> 8, 1) << label_of(w) << refused.out;
    const std::string why = w.needs_book ? "no book '" + link + "'"
                                         : "cannot write '" + link + "': its link leads to '" + dir + "/" + gone +
                                               "', whose folder does not exist";
    EXPECT_EQ(refused.out, std::string(w.said) + ": " + why + "\n") << w.label;
    EXPECT_TRUE(state_of(link).link) << w.label;
    EXPECT_FALSE(state_of(dir + "/gone").there) << w.label;
  }
}

// An OUT that names an open descriptor, or a link to one, is written through
// it where the shell's redirection stands (behind what came before, at the
// end for ">>"), never put in place of the file it leads to, by every command
// that writes a file. One not open for writing is refused in one line, and a
// book is not changed through one.
TEST(WrittenFiles, AnOutThatNamesAnOpenDescriptorIsWrittenThroughIt) {
  const std::string dir = fresh_folder("descriptor");
  ASSERT_EQ(shell_in(dir, "mkdir -p c && ln -sf /dev/stdout so.kif && ln -sf /dev/fd/1 c/001.kif && @V convert " +
                              kGame + " ref.csa").status, 0);
  const std::string csa = slurp(dir + "/ref.csa"), head = "PREV\nBEFORE\n", tail = "AFTER\n";
  const struct {
    std::string args, said;  // `said`: the refusal, "" for a write
    bool as_csa;             // writes what convert writes to a file
  } kCases[] = {
      {"convert " + kGame + " /dev/stdout --to csa", "", true},
      {"convert " + kGame + " /dev/fd/1 --to csa", "", true},
      {"mate " + data("tsume/mate07_b_ai.kif") + " --ply 0 --save so.kif", "", false},
      {"review " + kGame + " --depth 2 --save so.kif", "", false},
      {"compose --seed 7 --count 1 --force c", "", false},
      {"convert " + kGame + " /dev/fd/7 --to csa",
       "velkora convert: cannot write '/dev/fd/7': descriptor 7 is not open for writing\n", false},
      {"book add /dev/stdout " + kGame,
       "velkora book add: cannot write '/dev/stdout': a book is changed in its own file, not through a descriptor\n",
       false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.args);
    ASSERT_EQ(shell_in(dir, "echo PREV > out").status, 0);
    const Outcome r = shell_in(dir, "{ echo BEFORE; @V " + c.args + "; s=$?; echo AFTER; exit $s; } >> out");
    EXPECT_EQ(r.status >> 8, c.said.empty() ? 0 : 1) << r.out;
    EXPECT_TRUE(c.said.empty() || r.out == c.said) << r.out;
    const std::string got = slurp(dir + "/out");
    ASSERT_TRUE(got.size() >= head.size() + tail.size() && got.rfind(head, 0) == 0 &&
                got.substr(got.size() - tail.size()) == tail) << got;
    const std::string written = got.substr(head.size(), got.size() - head.size() - tail.size());
    EXPECT_TRUE(c.as_csa ? written == csa : written.empty() == !c.said.empty()) << written;
  }
}

// A record whose reading did not take in all its file holds is not written
// over that file, however OUT names it: the command fails before any work
// (no think, no solve), in one line after the reading's warning, and the file
// stays as it was. A record read whole may be written over its file.
TEST(WrittenFiles, ARecordNotReadWholeIsNotWrittenOverItsOwnFile) {
  const std::string dir = fresh_folder("onto_itself");
  // Move 5's piece changed to one that makes no move there, on line 14.
  ASSERT_EQ(shell_in(dir, "@V convert " + kGame + " whole.kifu && @V convert " + kGame + " g.qvf && " +
                              utf8(u8"sed 's/   5 ７八金/   5 ７八歩/' whole.kifu > ak.kifu") +
                              " && ln -sf ak.kifu link.kif && ln -f ak.kifu hard.kifu").status, 0);
  const std::string stops = "the moves stop at line 14";
  const struct {
    std::string line, out, reason;  // `reason` "" for a write that goes on
  } kCases[] = {
      {"convert ak.kifu ak.kifu", "ak.kifu", stops},
      {"convert ak.kifu link.kif --to kifu", "link.kif", stops},
      {"convert - ./ak.kifu --from kifu < ak.kifu", "./ak.kifu", stops},
      {"review ak.kifu --depth 2 --save ak.kifu", "ak.kifu", stops},
      {"mate ak.kifu --save hard.kifu", "hard.kifu", stops},
      {"convert g.qvf g.qvf", "g.qvf", "QVF gives back its position, not its moves"},
      {"convert whole.kifu whole.kifu", "", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    const FileState before = state_of(dir + "/ak.kifu"), qvf = state_of(dir + "/g.qvf");
    const Outcome r = shell_in(dir, "@V " + c.line);
    EXPECT_EQ(r.status >> 8, c.reason.empty() ? 0 : 1) << r.out;
    if (c.reason.empty()) continue;
    const std::vector<std::string> lines = lines_of(r.out);  // the warning, then the refusal
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[1], "velkora " + c.line.substr(0, c.line.find(' ')) + ": cannot write '" + c.out +
                            "': it is the file read, which holds more than was read (" + c.reason +
                            "), so writing it would lose the rest; it is left as it was");
    EXPECT_EQ(state_of(dir + "/ak.kifu"), before);
    EXPECT_EQ(state_of(dir + "/g.qvf"), qvf);
  }
}

}  // namespace
