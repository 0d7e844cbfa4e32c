#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/file_replace.h"
#include "platform/large_memory.h"
#include "platform/mailbox.h"
#include "platform/memory.h"

namespace platform {
namespace {

TEST(Clock, IntervalsSurviveTheWrapOfTheCounter) {
  EXPECT_EQ(tick_elapsed(0xFFFFFFF0u, 0x10u), 0x20u);
  EXPECT_EQ(tick_elapsed(100, 350), 250u);
  const uint32_t a = tick_ms();
  const uint32_t b = tick_ms();
  EXPECT_LT(tick_elapsed(a, b), 1000u);
}

TEST(Memory, ReadsTotalAndAvailableFromMeminfo) {
  MemoryStatus m;
  ASSERT_TRUE(parse_meminfo("MemTotal:       16384 kB\nMemFree:  100 kB\nMemAvailable:   8192 kB\n", m));
  EXPECT_EQ(m.total_physical, 16384ull * 1024);
  EXPECT_EQ(m.available_physical, 8192ull * 1024);
  // Without MemAvailable (old kernels) the free memory stands in.
  ASSERT_TRUE(parse_meminfo("MemTotal: 2048 kB\nMemFree: 1024 kB\n", m));
  EXPECT_EQ(m.available_physical, 1024ull * 1024);
  EXPECT_FALSE(parse_meminfo("MemFree: 1 kB\n", m));
  EXPECT_FALSE(parse_meminfo("MemTotal: lots\n", m));
  EXPECT_EQ(m.total_physical, 0u);
  // This machine's own figures.
  ASSERT_TRUE(memory_status(m));
  EXPECT_GT(m.total_physical, 64ull << 20);
  EXPECT_LE(m.available_physical, m.total_physical);
}

TEST(LargeMemory, BigBlocksStartOnALargePageAndEverySizeIsUsable) {
  for (const size_t bytes : {size_t{0}, size_t{100}, kLargeBlockBytes - 1, kLargeBlockBytes, kLargePageBytes - 1,
                             kLargePageBytes, 3 * kLargePageBytes + 5}) {
    auto* block = static_cast<unsigned char*>(large_alloc(bytes));
    ASSERT_NE(block, nullptr) << bytes;
    if (bytes >= kLargeBlockBytes) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kLargePageBytes, 0u) << bytes;
    }
    if (bytes > 0) {
      std::memset(block, 0xA5, bytes);
      EXPECT_EQ(block[bytes - 1], 0xA5);
    }
    large_free(block);
  }
  // A size the address space cannot hold is refused, not wrapped round.
  EXPECT_EQ(large_alloc(SIZE_MAX - 1), nullptr);
  large_free(nullptr);
}

TEST(Mailbox, DeliversInOrderWaitsAndRefusesWhenFull) {
  Mailbox box(2);
  WindowMessage m;
  EXPECT_FALSE(box.Wait(m, 1));  // nothing came
  EXPECT_TRUE(post_message(&box, 7, 1, -1));
  EXPECT_TRUE(post_message(&box, 8));
  EXPECT_FALSE(post_message(&box, 9));  // full
  EXPECT_FALSE(post_message(nullptr, 9));
  ASSERT_TRUE(box.Wait(m, 0));
  EXPECT_EQ(m.id, 7u);
  EXPECT_EQ(m.wparam, 1u);
  EXPECT_EQ(m.lparam, -1);
  ASSERT_TRUE(box.Wait(m, 0));
  EXPECT_EQ(m.id, 8u);
  EXPECT_EQ(box.Size(), 0u);
}

TEST(FileReplacement, NewFilesTakeTheUmaskAndADroppedOneLeavesNothing) {
  const std::string dir = ::testing::TempDir() + "/replace";
  ::mkdir(dir.c_str(), 0755);
  // A link into a folder that is not there leads nowhere a file can be made.
  ASSERT_EQ(::symlink((dir + "/nofolder/nowhere").c_str(), (dir + "/dangling").c_str()), 0);
  EXPECT_EQ(resolve_file_path((dir + "/dangling").c_str()), "");
  EXPECT_EQ(FileReplacement::Begin((dir + "/dangling").c_str()), nullptr);
  EXPECT_EQ(FileReplacement::Begin(dir.c_str()), nullptr);  // a folder is no file
  const mode_t mask = ::umask(027);
  auto r = FileReplacement::Begin((dir + "/new").c_str());
  ASSERT_NE(r, nullptr);
  std::fputs("new", r->stream());
  EXPECT_TRUE(r->Commit());
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat((dir + "/new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Dropped before Commit: the file keeps its three bytes, no temporary stays.
  r = FileReplacement::Begin((dir + "/new").c_str());
  std::fputs("changed", r->stream());
  r.reset();
  ASSERT_EQ(::stat((dir + "/new").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 3);
  ASSERT_EQ(::unlink((dir + "/new").c_str()), 0);
  ASSERT_EQ(::unlink((dir + "/dangling").c_str()), 0);
  EXPECT_EQ(::rmdir(dir.c_str()), 0);  // empty
}

// Writes `text` as the new contents of `path`; true when the replacement landed.
bool replace_with(const std::string& path, const char* text) {
  auto r = FileReplacement::Begin(path.c_str());
  if (!r) return false;
  std::fputs(text, r->stream());
  return r->Commit();
}

// The bytes of a file; empty when it cannot be read.
std::string contents(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    for (int c; (c = std::fgetc(f)) != EOF;) bytes += static_cast<char>(c);
    std::fclose(f);
  }
  return bytes;
}

// A write through links follows them as the system does: a chain of relative
// links, each read against its own folder, makes the file it leads to and
// stays. Links that lead nowhere a file can be made are refused with the
// system's reason and tell where they lead.
TEST(FileReplacement, WritesThroughLinksToAFileNotThereYet) {
  const std::string dir = ::testing::TempDir() + "/through";
  ::mkdir(dir.c_str(), 0755);
  ::mkdir((dir + "/sub").c_str(), 0755);
  ASSERT_EQ(::symlink("second", (dir + "/first").c_str()), 0);
  ASSERT_EQ(::symlink("sub/made", (dir + "/second").c_str()), 0);
  EXPECT_EQ(find_write_target((dir + "/first").c_str()).link_end, dir + "/sub/made");
  ASSERT_TRUE(replace_with(dir + "/first", "new"));
  ASSERT_TRUE(replace_with(dir + "/first", "again"));  // now there: replaced through the links
  EXPECT_EQ(contents(dir + "/sub/made"), "again");
  struct stat st {};
  ASSERT_EQ(::lstat((dir + "/first").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));

  const struct {
    const char* text;
    int error;
  } refused[] = {{"gone/x", ENOENT}, {"sub/made/x", ENOTDIR}, {"loop", ELOOP}};
  for (const auto& r : refused) {
    const std::string link = dir + "/loop";  // the last text names the link itself
    ASSERT_EQ(::symlink(r.text, link.c_str()), 0);
    EXPECT_EQ(find_write_target(link.c_str()).link_end, dir + "/" + r.text);
    errno = 0;
    EXPECT_EQ(FileReplacement::Begin(link.c_str()), nullptr) << r.text;
    EXPECT_EQ(errno, r.error) << r.text;
    ASSERT_EQ(::unlink(link.c_str()), 0);
  }
}

// Users and groups that need not exist: a file may belong to any number.
constexpr uid_t kSomeUser = 12345;
constexpr uid_t kAnotherUser = 54321;
constexpr gid_t kSomeGroup = 23456;
constexpr gid_t kAnotherGroup = 34567;

// A file the process may not write is not replaced, though its folder would
// take the new one, as a shell redirection refuses it. The superuser may
// write any file, and does; an ordinary user is tried in a child that
// becomes one.
TEST(FileReplacement, AFileThatMayNotBeWrittenIsLeftAsItWas) {
  const std::string dir = ::testing::TempDir() + "/protected";
  const std::string file = dir + "/kept.kif";
  ::mkdir(dir.c_str(), 0777);
  ::chmod(dir.c_str(), 0777);
  ASSERT_TRUE(replace_with(file, "old"));
  ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  constexpr int kUnreachable = 3;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(kSomeGroup) != 0 || setuid(kSomeUser) != 0)) _exit(2);
    if (access(dir.c_str(), W_OK | X_OK) != 0) _exit(kUnreachable);
    errno = 0;
    _exit(FileReplacement::Begin(file.c_str()) == nullptr && errno == EACCES ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kUnreachable) GTEST_SKIP() << "the test folder is out of another user's reach";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(contents(file), "old");
  if (geteuid() == 0) {
    ASSERT_TRUE(replace_with(file, "new"));
    EXPECT_EQ(contents(file), "new");
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0444u);
  }
}

// A group this process belongs to besides its own, for the group it may give
// a file; -1 when it has none.
gid_t other_group_of_mine() {
  std::vector<gid_t> groups(static_cast<size_t>(getgroups(0, nullptr)) + 1);
  const int n = getgroups(static_cast<int>(groups.size()), groups.data());
  for (int i = 0; i < n; ++i) {
    if (groups[i] != getegid()) return groups[i];
  }
  return static_cast<gid_t>(-1);
}

TEST(FileReplacement, KeepsTheOwnerGroupAndModeOfTheFileReplaced) {
  const std::string dir = ::testing::TempDir() + "/owner";
  const std::string file = dir + "/book.jsd";
  const std::string link = dir + "/link.jsd";
  uid_t owner = getuid();
  gid_t group = other_group_of_mine();
  if (geteuid() == 0) {
    owner = kSomeUser;
    group = kSomeGroup;
  } else if (group == static_cast<gid_t>(-1)) {
    GTEST_SKIP() << "an ordinary user of one group cannot give a file another owner or group";
  }
  ::mkdir(dir.c_str(), 0755);
  ASSERT_TRUE(replace_with(file, "old"));
  ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
  ASSERT_EQ(::chown(file.c_str(), owner, group), 0);
  // The set-group-id bit of a group-executable file, which a change of owner
  // clears, shows that the mode is given after the owner.
  ASSERT_EQ(::chmod(file.c_str(), 02750), 0);
  for (const std::string& path : {file, link}) {
    ASSERT_TRUE(replace_with(path, "new")) << path;
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, owner) << path;
    EXPECT_EQ(st.st_gid, group) << path;
    EXPECT_EQ(st.st_mode & 07777, 02750u) << path;
    EXPECT_EQ(st.st_size, 3);
  }
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));  // the link stays
  ASSERT_EQ(::unlink(link.c_str()), 0);
  ASSERT_EQ(::unlink(file.c_str()), 0);
  EXPECT_EQ(::rmdir(dir.c_str()), 0);  // no temporary file left
}

// An ordinary user replacing another's file in a folder it may write keeps
// the group it belongs to, becomes the owner, and the save still lands.
TEST(FileReplacement, AnOwnerThatCannotBeKeptDoesNotStopTheSave) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to set up a file of another user and to become one";
  const std::string dir = ::testing::TempDir() + "/foreign";
  const std::string file = dir + "/game.kif";
  ::mkdir(dir.c_str(), 0755);
  ASSERT_TRUE(replace_with(file, "old"));
  ASSERT_EQ(::chown(file.c_str(), kAnotherUser, kSomeGroup), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0660), 0);  // its group may write it
  ASSERT_EQ(::chown(dir.c_str(), kSomeUser, kAnotherGroup), 0);
  constexpr int kUnreachable = 3;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The replacing user's own group differs from the file's; the file's is
    // one it belongs to as well.
    const gid_t groups[] = {kSomeGroup};
    if (setgroups(1, groups) != 0 || setgid(kAnotherGroup) != 0 || setuid(kSomeUser) != 0) _exit(2);
    if (access(dir.c_str(), W_OK | X_OK) != 0) _exit(kUnreachable);
    _exit(replace_with(file, "new") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kUnreachable) GTEST_SKIP() << "the test folder is out of another user's reach";
  ASSERT_EQ(WEXITSTATUS(status), 0);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 3);
  EXPECT_EQ(st.st_uid, kSomeUser);
  EXPECT_EQ(st.st_gid, kSomeGroup);
  EXPECT_EQ(st.st_mode & 07777, 0660u);
  ASSERT_EQ(::unlink(file.c_str()), 0);
  EXPECT_EQ(::rmdir(dir.c_str()), 0);  // no temporary file left
}

// A folder under the system's shared temporary folder, which every user may
// reach wherever the build tree lies; removed with what it holds.
class SharedFolder {
 public:
  SharedFolder() {
    char name[] = "/tmp/velkora-shared-XXXXXX";
    if (::mkdtemp(name)) path_ = name;
  }
  ~SharedFolder() {
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// In a folder with the sticky bit (a shared temporary folder), another
// user's file that the process may write cannot be renamed over: its new
// contents are written into it, and it keeps its owner, mode and inode. A
// folder that takes no new file is named as the reason a file it holds is not
// written.
TEST(FileReplacement, AFileThatMayNotBeReplacedInAStickyFolderIsWrittenInPlace) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to set up a file of another user and to become one";
  const SharedFolder shared;
  ASSERT_FALSE(shared.path().empty());
  const std::string dir = shared.path() + "/sticky";
  const std::string file = dir + "/w.kif";
  const std::string locked = shared.path() + "/locked";
  ASSERT_EQ(::chmod(shared.path().c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(dir.c_str(), 0), 0);
  ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
  ASSERT_EQ(::mkdir(locked.c_str(), 0), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0555), 0);
  for (const std::string& path : {file, locked + "/w.kif"}) {
    ASSERT_TRUE(replace_with(path, "the old contents")) << path;
    ASSERT_EQ(::chown(path.c_str(), kAnotherUser, kAnotherGroup), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  }
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(kSomeGroup) != 0 || setuid(kSomeUser) != 0) _exit(2);
    if (!replace_with(file, "new")) _exit(3);
    errno = 0;
    if (FileReplacement::Begin((locked + "/w.kif").c_str()) != nullptr || errno != EACCES) _exit(4);
    if (refusing_folder((locked + "/w.kif").c_str()) != locked || refusing_folder(file.c_str()) != "") _exit(5);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(contents(file), "new");
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, kAnotherUser);
  EXPECT_EQ(after.st_gid, kAnotherGroup);
  EXPECT_EQ(after.st_mode & 07777, 0666u);
  EXPECT_EQ(contents(locked + "/w.kif"), "the old contents");
  ASSERT_EQ(::unlink(file.c_str()), 0);
  EXPECT_EQ(::rmdir(dir.c_str()), 0);  // no temporary file left
}

}  // namespace
}  // namespace platform
