// Replacing a file's contents so that no reader ever sees a half-written file
// and no name planted beside it is written through: the new contents go to a
// temporary file of a fresh name in the same folder, created exclusively, and
// take the old file's place by a rename once they are on the disk. A file the
// user may not write is never replaced, as a shell redirection refuses it.
// Where the folder lets the user write the file but not take its name away (a
// shared folder with the sticky bit, the file another user's), the contents,
// whole on the disk beside it, are written into the file itself. A path that
// names one of the process's open descriptors (/dev/stdout, /dev/fd/N, a link
// to one) is no file to replace: the contents go through that descriptor, as
// a shell redirection set it up, where it stands and never cut.
//
//   find_write_target: where a write to a path lands, or why none can.
//   new_file_mode:     the permission bits of a file made now.
//   resolve_file_path: where a file really lives, symbolic links followed.
//   refusing_folder:   the folder that keeps a write out, when it is the folder.
//   FileReplacement:   the temporary file and the rename over the target.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <memory>
#include <string>

namespace platform {

// Where a write to a path lands. Symbolic links are followed as the system
// follows them when it opens a path for writing: a link whose file is not
// there yet leads to a new file where it points (a relative link read against
// its own folder), and the link stays.
struct WriteTarget {
  std::string file;      // the absolute path of the file written; empty when none can be
  bool exists = false;   // a file is there, to be replaced
  int error = 0;         // when none can be: the system's reason (errno)
  std::string link_end;  // when `path` is a symbolic link: where its links lead, as
                         // the user would name it (the last link's text joined to
                         // that link's folder)
  int descriptor = -1;   // when `path` names a descriptor of this process: its number
                         // (`file` then empty; `error` EBADF when it is not open for
                         // writing)
};
// The target of a write to `path`. No file can be written at a path that
// names a folder, whose folder is missing or cannot be reached, or whose links
// never end (ELOOP after kMaxLinks links). A path, or a link on the way, that
// stands in the folder of the process's descriptors (/proc/PID/fd, which
// /dev/fd and /proc/self/fd lead to) names the descriptor of its number.
WriteTarget find_write_target(const char* path);
// The links followed at most, as the system's own limit.
constexpr int kMaxLinks = 40;

// The permission bits a new file gets: read and write for all, as the
// process's umask allows.
mode_t new_file_mode();

// The absolute path of the file `path` names, every symbolic link followed;
// for a file that is not there yet, its folder resolved and its own name kept
// (find_write_target's file). Empty when no file can be written there.
std::string resolve_file_path(const char* path);

// The folder of the file a write to `path` lands on (absolute, links
// followed) when that folder is what refuses the write: it denies this process
// (effective ids) the permission to make a file in it, which a replacement
// needs even for a file the process may write. Empty when the folder takes
// one, when the file itself may not be written, or when `path` leads nowhere.
std::string refusing_folder(const char* path);

class FileReplacement {
 public:
  // Starts replacing the file `path` names; through a symbolic link, the file
  // the link leads to (the link stays; a file it leads to that is not there
  // yet is made). Null with errno telling why when no file can be written
  // there (find_write_target), the file there may not be written by this
  // process (the write-permission test with the effective ids, which lets the
  // superuser write any), or the folder takes no new file. For a path that
  // names a descriptor, the contents are kept in memory until Commit; null
  // with EBADF when that descriptor is not open for writing.
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
  // renames them over it. When the folder refuses the rename (EPERM: the
  // sticky bit keeps another user's file in place), the contents are written
  // into the file instead, which keeps its owner and mode; the space is
  // reserved first, so that a full disk refuses it with the file untouched.
  // True on success; false with errno telling why and the temporary file
  // removed, the target as it was unless a write into it failed on the way.
  // Through a descriptor, the process's output streams are flushed first
  // (what it printed before comes before), then the contents are written
  // where the descriptor stands.
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
  // The contents for descriptor `fd`, gathered in memory.
  static std::unique_ptr<FileReplacement> ForDescriptor(int fd);
  bool CommitToDescriptor();

  std::string target_;
  std::string temp_;  // empty once renamed or removed
  std::FILE* stream_;
  Attributes kept_;
  int descriptor_ = -1;      // the descriptor written through, or -1 for a file
  char* memory_ = nullptr;   // the contents for it (open_memstream's buffer)
  size_t memory_size_ = 0;
};

}  // namespace platform
