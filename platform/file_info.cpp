#include "platform/file_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_replace.h"

namespace platform {

// stat rather than <filesystem>, whose clock text does not build under the
// program's Shift-JIS execution character set.
bool path_is_directory(const char* path) {
  struct stat st {};
  return path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool path_exists(const char* path) {
  if (path == nullptr) {
    errno = ENOENT;
    return false;
  }
  struct stat st {};
  return stat(path, &st) == 0;
}

bool path_is_device(const char* path) {
  struct stat st {};
  return path && stat(path, &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode) &&
         find_write_target(path).descriptor < 0;
}

namespace {

bool plain_file_identity(bool found, const struct stat& st, FileIdentity* id) {
  if (!found || !S_ISREG(st.st_mode)) return false;
  *id = FileIdentity{st.st_dev, st.st_ino};
  return true;
}

}  // namespace

bool file_identity(const char* path, FileIdentity* id) {
  struct stat st {};
  return plain_file_identity(path && stat(path, &st) == 0, st, id);
}

bool descriptor_identity(int fd, FileIdentity* id) {
  struct stat st {};
  return plain_file_identity(fstat(fd, &st) == 0, st, id);
}

bool write_target_identity(const char* path, FileIdentity* id) {
  const WriteTarget where = find_write_target(path);
  if (where.descriptor >= 0) return where.error == 0 && descriptor_identity(where.descriptor, id);
  return where.exists && file_identity(where.file.c_str(), id);
}

bool path_writable(const char* path) {
  if (path == nullptr || *path == '\0') {
    errno = ENOENT;
    return false;
  }
  if (path_is_device(path)) return faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) == 0;
  return FileReplacement::Begin(path) != nullptr;
}

std::FILE* open_regular_file(const char* path, uint64_t* size, OpenFailure* why) {
  OpenFailure failure = OpenFailure::kCannotOpen;
  // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer.
  const int fd = path ? open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  if (fd < 0) {
    if (path && errno == ENOENT) failure = OpenFailure::kMissing;
    if (why) *why = failure;
    return nullptr;
  }
  struct stat st {};
  std::FILE* f = nullptr;
  if (fstat(fd, &st) != 0) {
    failure = OpenFailure::kCannotOpen;
  } else if (!S_ISREG(st.st_mode)) {
    failure = OpenFailure::kNotAFile;
  } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0) {
    f = fdopen(fd, "rb");
  }
  if (!f) {
    const int reason = errno;  // the failed step's, not close's
    close(fd);
    errno = reason;
    if (why) *why = failure;
    return nullptr;
  }
  if (size) *size = static_cast<uint64_t>(st.st_size);
  if (why) *why = OpenFailure::kNone;
  return f;
}

}  // namespace platform
