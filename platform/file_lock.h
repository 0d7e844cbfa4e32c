// An exclusive advisory lock that makes the read-modify-write of a file one
// step among processes: each waits until the one before has written its
// changes, so that none of them is lost.
//
// The lock is taken on "<file>.lock" beside the file rather than on the file
// itself, because a save replaces the file by a rename and a lock on the old
// file would no longer guard the new one. The lock file is left in place:
// removing it would let two processes lock two different files.
#pragma once

#include <string>

namespace platform {

class FileLock {
 public:
  // Waits for the lock of the file `path` (give it resolved, so that every
  // link to the file takes the same lock). locked() says whether it was taken.
  explicit FileLock(const std::string& path);
  // Releases the lock.
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace platform
