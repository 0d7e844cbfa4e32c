// An exclusive advisory lock that makes the read-modify-write of a file one
// step among processes: each waits until the one before has written its
// changes, so that none of them is lost.
//
// The lock is taken on "<file>.lock" beside the file rather than on the file
// itself, because a save replaces the file by a rename and a lock on the old
// file would no longer guard the new one. The lock file is left in place:
// removing it would let two processes lock two different files.
//
// Whoever may change the file may take its lock: the lock file is made with
// the file's own permission bits (for a file not there yet, those a new file
// gets under the umask) whatever the umask, and in its group where the system
// lets. A lock that an earlier run left with other bits is given the file's
// by whoever may (its owner, or the superuser).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

class FileLock {
 public:
  // How long the lock is waited for before `waiting` is told.
  static constexpr uint32_t kWaitNoticeMs = 1000;
  // What the file's path takes to name its lock file.
  static constexpr const char* kSuffix = ".lock";

  // Waits for the lock of the file `path` (give it resolved, so that every
  // link to the file takes the same lock). When another process has held it
  // for kWaitNoticeMs, `waiting` (when given) runs once and the wait goes on.
  // locked() says whether it was taken, error() why not.
  explicit FileLock(const std::string& path, const std::function<void()>& waiting = nullptr);
  // Releases the lock.
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool locked() const { return fd_ >= 0; }
  // The lock file's path: the file's with ".lock" added.
  const std::string& name() const { return name_; }
  // Why the lock was not taken (errno), and whether its file could be opened.
  int error() const { return error_; }
  bool opened() const { return opened_; }

 private:
  std::string name_;
  int fd_ = -1;
  int error_ = 0;
  bool opened_ = false;
};

}  // namespace platform
