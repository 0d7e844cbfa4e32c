#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

constexpr const char* kLockSuffix = ".lock";
constexpr mode_t kLockFileMode = 0666;  // as the umask allows: others who share the file share the lock

}  // namespace

FileLock::FileLock(const std::string& path) {
  if (path.empty()) return;
  // Read-only is enough for flock, and lets everyone who can read the lock
  // file take it; O_NOFOLLOW refuses a link planted in its place.
  const std::string name = path + kLockSuffix;
  fd_ = open(name.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, kLockFileMode);
  if (fd_ < 0) return;
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    close(fd_);
    fd_ = -1;
    return;
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace platform
