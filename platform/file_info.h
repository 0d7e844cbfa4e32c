// What the file system says about a path, for commands that accept either a
// file or a folder, whether a command will be able to write its output, and
// the opening of a file that must be a plain file.
#pragma once

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
// True when the path is not a folder and a file can be created beside it, as
// a record save needs for a plain file. Tried with a file beside the path that
// is removed at once, so nothing is left behind. False with errno telling why.
// The folder tried is the path's own, not that of a file a link leads to.
bool path_writable(const char* path);

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
