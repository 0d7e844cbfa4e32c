// Replacing a file's contents so that no reader ever sees a half-written file
// and no name planted beside it is written through: the new contents go to a
// temporary file of a fresh name in the same folder, created exclusively, and
// take the old file's place by a rename once they are on the disk.
//
//   resolve_file_path: where a file really lives, symbolic links followed.
//   FileReplacement:   the temporary file and the rename over the target.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>

namespace platform {

// The absolute path of the file `path` names, every symbolic link followed;
// for a file that is not there yet, its folder resolved and its own name kept.
// Empty when it cannot be resolved: a link that leads nowhere, a missing
// folder, or a path that ends in a folder name.
std::string resolve_file_path(const char* path);

class FileReplacement {
 public:
  // Starts replacing the file `path` names; through a symbolic link, the file
  // the link leads to (the link stays). Null when the path cannot be resolved
  // or the folder takes no new file.
  static std::unique_ptr<FileReplacement> Begin(const char* path);
  // Removes the temporary file unless Commit succeeded.
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // The stream that writes the new contents.
  std::FILE* stream() const { return stream_; }

  // Flushes the new contents to the disk, gives them the owner and group of the
  // file they replace where the system allows (else they stay the process's)
  // and its mode (for a new file the mode that the process's umask allows), and
  // renames them over it. True on success; false with the target as it was and
  // the temporary file removed.
  bool Commit();

 private:
  // What the new contents take from the file they replace.
  struct Attributes {
    mode_t mode;
    uid_t owner;  // -1 for a new file: left as created
    gid_t group;  // likewise
  };

  FileReplacement(std::string target, std::string temp, std::FILE* stream, Attributes kept)
      : target_(std::move(target)), temp_(std::move(temp)), stream_(stream), kept_(kept) {}

  std::string target_;
  std::string temp_;  // empty once renamed or removed
  std::FILE* stream_;
  Attributes kept_;
};

}  // namespace platform
