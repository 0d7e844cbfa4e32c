#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

namespace {

constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kModeBits = 07777;
// fchown's "leave as it is" for the owner or the group; a new file keeps both.
constexpr uid_t kSameOwner = static_cast<uid_t>(-1);
constexpr gid_t kSameGroup = static_cast<gid_t>(-1);

// The umask can only be read by setting it; it is put back at once.
mode_t new_file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return kNewFileMode & ~mask;
}

std::string real_path(const char* path) {
  char* r = realpath(path, nullptr);
  if (!r) return {};
  std::string out(r);
  std::free(r);
  return out;
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

// Makes the rename itself survive a crash; a file system that cannot sync a
// folder is no reason to fail the save.
void sync_folder(const std::string& file) {
  const size_t slash = file.rfind('/');
  const std::string folder = slash == 0 ? "/" : file.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

std::string resolve_file_path(const char* path) {
  if (!path || !*path) return {};
  // Another process may put the file in place between our looks: a file that
  // appears while we find the path is looked at again.
  constexpr int kLooks = 4;
  for (int look = 0;; ++look) {
    const std::string resolved = real_path(path);
    struct stat st {};
    if (!resolved.empty()) {
      return stat(resolved.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) ? resolved : std::string();
    }
    if (errno != ENOENT) return {};
    if (lstat(path, &st) != 0) {
      if (errno == ENOENT) break;  // no file there: a new one in the folder
      return {};
    }
    if (look + 1 == kLooks) return {};  // a link to nothing is refused
  }
  const std::string p(path);
  const size_t slash = p.rfind('/');
  const std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return {};
  const std::string folder = real_path(slash == std::string::npos ? "." : slash == 0 ? "/" : p.substr(0, slash).c_str());
  if (folder.empty()) return {};
  return folder + (folder.back() == '/' ? "" : "/") + name;
}

std::unique_ptr<FileReplacement> FileReplacement::Begin(const char* path) {
  std::string target = resolve_file_path(path);
  if (target.empty()) return nullptr;
  struct stat st {};
  const bool there = stat(target.c_str(), &st) == 0;
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

FileReplacement::~FileReplacement() {
  if (stream_) std::fclose(stream_);
  if (!temp_.empty()) unlink(temp_.c_str());
}

bool FileReplacement::Commit() {
  if (!stream_ || temp_.empty()) return false;
  const int fd = fileno(stream_);
  // Owner before mode (a change of owner may clear the set-id bits), both
  // before the rename: the file never shows under its name with another's.
  bool ok = std::fflush(stream_) == 0;
  if (ok) keep_owner(fd, kept_.owner, kept_.group);
  ok = ok && fchmod(fd, kept_.mode) == 0 && fsync(fd) == 0;
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (!ok || rename(temp_.c_str(), target_.c_str()) != 0) {
    unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  sync_folder(target_);
  return true;
}

}  // namespace platform
