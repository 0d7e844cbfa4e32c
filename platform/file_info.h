// What the file system says about a path, for commands that accept either a
// file or a folder, whether a command will be able to write its output, which
// plain file a path or a descriptor leads to, and the opening of a file that
// must be a plain file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>

namespace platform {

// True when the path names an existing folder.
bool path_is_directory(const char* path);
// True when something (file or folder) exists at the path. False with errno
// telling why: ENOENT when nothing is there, else the reason the path cannot
// be followed (ENOTDIR for a file on the way, EACCES for a folder that may not
// be entered ...).
bool path_exists(const char* path);
// True when the path names a device, a pipe or a socket (/dev/null): what a
// save writes into rather than replaces, since a rename would put a plain
// file in its place. A path that names a descriptor of the process
// (/dev/stdout, /dev/fd/N) is none, whatever is open on it: a save writes
// through the descriptor itself (FileReplacement).
bool path_is_device(const char* path);
// True when a save can write the path as the savers write it: a device or a
// pipe (/dev/null) is written into, which needs the permission to write it;
// anything else is replaced, and the test is the start of that replacement
// (FileReplacement::Begin: the same links followed, the same refusals), whose
// temporary file is removed at once. False with errno telling why.
bool path_writable(const char* path);

// A plain file as the disk knows it, whatever names lead to it.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
// The plain file `path` names, every link followed; false when there is none
// (nothing there, or a folder, a device or a pipe).
bool file_identity(const char* path, FileIdentity* id);
// The plain file open on descriptor `fd`; false when it is none.
bool descriptor_identity(int fd, FileIdentity* id);
// The plain file a save to `path` lands on: the one open on the descriptor
// the path names, or the file there that it replaces (find_write_target);
// false when the save makes a new file or lands on no plain file.
bool write_target_identity(const char* path, FileIdentity* id);

// Why open_regular_file gave no stream.
enum class OpenFailure : uint8_t {
  kNone,
  kMissing,     // nothing by that name
  kCannotOpen,  // there, but the system refuses to open it
  kNotAFile,    // a folder, a device or a pipe
};

// Opens an existing plain file for reading, "rb": the stream and its size in
// bytes, or null with `why` set (when given). A pipe or a device is refused
// without waiting for a writer, a folder without being read. On kMissing and
// kCannotOpen errno holds the system's reason.
std::FILE* open_regular_file(const char* path, uint64_t* size, OpenFailure* why);

}  // namespace platform
