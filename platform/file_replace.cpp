#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

namespace platform {

namespace {

constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kModeBits = 07777;
// fchown's "leave as it is" for the owner or the group; a new file keeps both.
constexpr uid_t kSameOwner = static_cast<uid_t>(-1);
constexpr gid_t kSameGroup = static_cast<gid_t>(-1);
// The bytes copied at a time when the contents are written into the file.
constexpr size_t kCopyBytes = 64 * 1024;
// The digits of a descriptor's number at most: any more could not be an int.
constexpr size_t kMaxDescriptorDigits = 9;

std::string real_path(const char* path) {
  char* r = realpath(path, nullptr);
  if (!r) return {};
  std::string out(r);
  std::free(r);
  return out;
}

// The folder part of a path with its closing slash ("" for a bare name): what
// a relative link's text is read against.
std::string folder_part(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The folder of a path as the system reads it: up to its last slash, "/" for
// a name in the root, "." for a bare name.
std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

bool all_digits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// The number of the descriptor of this process that `path` names: a name of
// digits in the folder of the process's descriptors (/proc/PID/fd, where
// /dev/fd and /proc/self/fd lead) or of the calling thread's. -1 for any
// other path. The folder tells, not what stands at the path, so that a
// descriptor that is not open is named too (and told as such) rather than
// taken for a new file.
int named_descriptor(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!all_digits(name) || name.size() > kMaxDescriptorDigits) return -1;
  const std::string folder = real_path(folder_of(path).c_str());
  const bool own =
      !folder.empty() && (folder == real_path("/proc/self/fd") || folder == real_path("/proc/thread-self/fd"));
  return own ? std::stoi(name) : -1;
}

// True when descriptor `fd` is open for writing; false with errno EBADF, as a
// write to it would fail, when it is not open or open for reading only.
bool open_for_writing(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0 && (flags & O_ACCMODE) != O_RDONLY) return true;
  errno = EBADF;
  return false;
}

// Writes all `n` bytes at `bytes` to `fd`, again after an interruption. False
// with errno telling why.
bool write_all(int fd, const char* bytes, size_t n) {
  for (size_t done = 0; done < n;) {
    const ssize_t w = write(fd, bytes + done, n - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
    } else if (w == 0 || errno != EINTR) {
      if (w == 0) errno = EIO;
      return false;
    }
  }
  return true;
}

// The text of the link at `path`; false with errno telling why (EINVAL: no
// link there).
bool read_link(const std::string& path, std::string& text) {
  std::string buf(PATH_MAX, '\0');
  const ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
  if (n < 0) return false;
  if (n == 0 || static_cast<size_t>(n) == buf.size()) {
    errno = n == 0 ? ENOENT : ENAMETOOLONG;
    return false;
  }
  buf.resize(static_cast<size_t>(n));
  text = std::move(buf);
  return true;
}

// Gives the new contents the owner and group of the file they replace, as far
// as the system lets this process: a privileged one keeps both, anyone else at
// least a group it belongs to. What cannot be kept stays as created and the
// save goes on: losing the new contents over their owner would be the worse
// outcome. errno is left as it was, for the caller's report of a later step.
void keep_owner(int fd, uid_t owner, gid_t group) {
  if (owner == kSameOwner && group == kSameGroup) return;  // a new file
  struct stat st {};
  if (fstat(fd, &st) != 0 || (st.st_uid == owner && st.st_gid == group)) return;
  const int saved = errno;
  if (fchown(fd, owner, group) != 0 && st.st_gid != group) fchown(fd, kSameOwner, group);
  errno = saved;
}

// Writes the whole file `from` into the existing plain file `to`, from its
// start, and cuts `to` to that length: the save of a file whose name the
// folder will not let be taken away. The blocks are reserved first (a file
// system that cannot reserve goes on without), so that a full disk refuses
// the save before the file changes. O_NOFOLLOW and the plain-file test keep
// the write out of a link or a pipe put in the file's place meanwhile. False
// with errno telling why.
bool write_into(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = open(to.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  bool ok = out >= 0 && fstat(in, &st) == 0;
  const off_t size = st.st_size;
  ok = ok && fstat(out, &st) == 0;
  if (ok && !S_ISREG(st.st_mode)) {
    errno = EPERM;  // the refusal of the rename stands
    ok = false;
  }
  if (ok && size > 0 && fallocate(out, FALLOC_FL_KEEP_SIZE, 0, size) != 0) {
    ok = errno == EOPNOTSUPP || errno == ENOSYS;
  }
  char buf[kCopyBytes];
  for (ssize_t n = 0; ok && (n = read(in, buf, sizeof buf)) != 0;) {
    ok = n > 0 ? write_all(out, buf, static_cast<size_t>(n)) : errno == EINTR;
  }
  ok = ok && ftruncate(out, size) == 0 && fsync(out) == 0;
  int reason = errno;
  if (out >= 0 && close(out) != 0 && ok) {
    ok = false;
    reason = errno;
  }
  close(in);
  errno = reason;
  return ok;
}

// Makes the rename itself survive a crash; a file system that cannot sync a
// folder is no reason to fail the save.
void sync_folder(const std::string& file) {
  const int fd = open(folder_of(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

// The umask can only be read by setting it; it is put back at once.
mode_t new_file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return kNewFileMode & ~mask;
}

WriteTarget find_write_target(const char* path) {
  WriteTarget t;
  if (!path || !*path) {
    t.error = ENOENT;
    return t;
  }
  // Each look takes what is at `at` now: a link is followed by its text, as
  // the system follows it, so that a link to nothing leads to the file a
  // write through it makes.
  std::string at(path);
  for (int links = 0;; ++links) {
    if (const int fd = named_descriptor(at); fd >= 0) {
      t.descriptor = fd;
      if (!open_for_writing(fd)) t.error = EBADF;
      return t;
    }
    struct stat st {};
    if (lstat(at.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        t.error = errno;
        return t;
      }
      break;  // nothing there: a new file in the folder
    }
    if (!S_ISLNK(st.st_mode)) {
      if (S_ISDIR(st.st_mode)) {
        t.error = EISDIR;
        return t;
      }
      t.file = real_path(at.c_str());
      t.exists = !t.file.empty();
      if (!t.exists) t.error = errno;
      return t;
    }
    if (links == kMaxLinks) {
      t.error = ELOOP;
      return t;
    }
    std::string text;
    if (!read_link(at, text)) {
      if (errno == EINVAL) continue;  // no longer a link: looked at again
      t.error = errno;
      return t;
    }
    at = text.front() == '/' ? text : folder_part(at) + text;
    t.link_end = at;
  }
  const size_t slash = at.rfind('/');
  const std::string name = slash == std::string::npos ? at : at.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") {
    t.error = EISDIR;
    return t;
  }
  const std::string folder = real_path(folder_of(at).c_str());
  if (folder.empty()) {
    t.error = errno;
    return t;
  }
  t.file = folder + (folder.back() == '/' ? "" : "/") + name;
  return t;
}

std::string resolve_file_path(const char* path) { return find_write_target(path).file; }

std::string refusing_folder(const char* path) {
  const WriteTarget where = find_write_target(path);
  if (where.file.empty()) return {};
  if (where.exists && faccessat(AT_FDCWD, where.file.c_str(), W_OK, AT_EACCESS) != 0) return {};
  const std::string folder = folder_of(where.file);
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0 || errno != EACCES) return {};
  return folder;
}

std::unique_ptr<FileReplacement> FileReplacement::Begin(const char* path) {
  const WriteTarget where = find_write_target(path);
  if (where.descriptor >= 0 && where.error == 0) return ForDescriptor(where.descriptor);
  if (where.file.empty()) {
    errno = where.error;
    return nullptr;
  }
  std::string target = where.file;
  struct stat st {};
  const bool there = stat(target.c_str(), &st) == 0;
  // The rename needs only the folder's permission: a file the process may not
  // write is refused here, by the test the system makes when it opens a file
  // for writing (the effective ids, so the superuser may write any).
  if (there && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return nullptr;
  const mode_t mode = there ? (st.st_mode & kModeBits) : new_file_mode();
  // mkostemp creates the file exclusively (O_EXCL) under a name no one could
  // have planted beforehand.
  std::string temp = target + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::FILE* stream = fdopen(fd, "wb");
  if (!stream) {
    close(fd);
    unlink(temp.c_str());
    return nullptr;
  }
  const Attributes kept{mode, there ? st.st_uid : kSameOwner, there ? st.st_gid : kSameGroup};
  return std::unique_ptr<FileReplacement>(new FileReplacement(std::move(target), std::move(temp), stream, kept));
}

std::unique_ptr<FileReplacement> FileReplacement::ForDescriptor(int fd) {
  std::unique_ptr<FileReplacement> r(new FileReplacement({}, {}, nullptr, Attributes{0, kSameOwner, kSameGroup}));
  r->descriptor_ = fd;
  r->stream_ = open_memstream(&r->memory_, &r->memory_size_);
  return r->stream_ ? std::move(r) : nullptr;
}

FileReplacement::~FileReplacement() {
  if (stream_) std::fclose(stream_);
  std::free(memory_);
  if (!temp_.empty()) unlink(temp_.c_str());
}

bool FileReplacement::CommitToDescriptor() {
  if (!stream_) return false;
  bool ok = std::fclose(stream_) == 0;  // memory_ now holds the whole contents
  stream_ = nullptr;
  std::fflush(nullptr);
  ok = ok && write_all(descriptor_, memory_, memory_size_);
  const int reason = errno;
  std::free(memory_);
  memory_ = nullptr;
  errno = reason;
  return ok;
}

bool FileReplacement::Commit() {
  if (descriptor_ >= 0) return CommitToDescriptor();
  if (!stream_ || temp_.empty()) return false;
  const int fd = fileno(stream_);
  // Owner before mode (a change of owner may clear the set-id bits), both
  // before the rename: the file never shows under its name with another's.
  bool ok = std::fflush(stream_) == 0;
  if (ok) keep_owner(fd, kept_.owner, kept_.group);
  ok = ok && fchmod(fd, kept_.mode) == 0 && fsync(fd) == 0;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (ok && rename(temp_.c_str(), target_.c_str()) == 0) {
    temp_.clear();
    sync_folder(target_);
    return true;
  }
  // A folder with the sticky bit lets only the file's owner, its own owner
  // and the superuser take a name away, though others may write the file:
  // the file Begin found writable then takes the contents itself, as a shell
  // redirection would write them.
  ok = ok && errno == EPERM && kept_.owner != kSameOwner && write_into(temp_, target_);
  const int reason = errno;
  unlink(temp_.c_str());
  temp_.clear();
  errno = reason;
  return ok;
}

}  // namespace platform
