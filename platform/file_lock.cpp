#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/clock.h"
#include "platform/file_replace.h"

namespace platform {

namespace {

// The permission bits a lock file takes from the file it guards: reading and
// writing, never running or the set-id bits.
constexpr mode_t kLockModeBits = 0666;
// How often a held lock is tried again before the wait is told.
constexpr uint32_t kRetryMs = 20;
// Opening the lock file meets a new one made by another process at most this
// often before it gives up (lock files are never removed, so once is enough).
constexpr int kOpenTries = 4;

// The bits and group a lock file takes from the file it guards.
struct Sharing {
  bool file_there;  // false: the file is not there yet, and a new lock file
                    // takes the bits a new file gets
  mode_t mode;
  gid_t group;
};

Sharing sharing_of(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return {false, new_file_mode(), 0};
  return {true, static_cast<mode_t>(st.st_mode & kLockModeBits), st.st_gid};
}

// Gives the open lock file the bits and group of the file it guards where the
// system lets this process; what it does not let stays as it is.
void share(int fd, const Sharing& with) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return;
  if (st.st_gid != with.group) (void)fchown(fd, static_cast<uid_t>(-1), with.group);
  if ((st.st_mode & 07777) != with.mode) (void)fchmod(fd, with.mode);
}

// Opens the lock file `name`, making it when it is not there. An existing one
// is opened without O_CREAT, which a system that protects files in shared
// sticky folders refuses for another user's file even when its bits allow.
// Read-only is enough for flock; O_NOFOLLOW refuses a link planted in its
// place. -1 with errno telling why.
int open_lock_file(const std::string& name, const Sharing& with) {
  constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC;
  for (int tries = 0; tries < kOpenTries; ++tries) {
    int fd = open(name.c_str(), kFlags);
    if (fd < 0 && errno == ENOENT) fd = open(name.c_str(), kFlags | O_CREAT | O_EXCL, with.mode);
    if (fd >= 0) {
      if (with.file_there) share(fd, with);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// Takes the lock on `fd`, waiting while another process holds it; `waiting`
// is told once the wait has lasted FileLock::kWaitNoticeMs. False with errno
// telling why.
bool take(int fd, const std::function<void()>& waiting) {
  const uint32_t start = tick_ms();
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (tick_elapsed(start, tick_ms()) >= FileLock::kWaitNoticeMs) {
      if (waiting) waiting();
      while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) return false;
      }
      return true;
    }
    sleep_ms(kRetryMs);
  }
  return true;
}

}  // namespace

FileLock::FileLock(const std::string& path, const std::function<void()>& waiting) {
  if (path.empty()) {
    error_ = ENOENT;
    return;
  }
  name_ = path + kSuffix;
  const int fd = open_lock_file(name_, sharing_of(path));
  if (fd < 0) {
    error_ = errno;
    return;
  }
  opened_ = true;
  if (!take(fd, waiting)) {
    error_ = errno;
    close(fd);
    return;
  }
  fd_ = fd;
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace platform
