#include "platform/file_info.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace platform {

// stat rather than <filesystem>, whose clock text does not build under the
// program's Shift-JIS execution character set.
bool path_is_directory(const char* path) {
  struct stat st {};
  return path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool path_exists(const char* path) {
  struct stat st {};
  return path && stat(path, &st) == 0;
}

bool path_writable(const char* path) {
  if (path == nullptr || *path == '\0') {
    errno = ENOENT;
    return false;
  }
  if (path_is_directory(path)) {
    errno = EISDIR;
    return false;
  }
  const std::string probe = std::string(path) + ".probe" + std::to_string(getpid());
  const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}

}  // namespace platform
