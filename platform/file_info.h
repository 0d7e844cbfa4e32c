// What the file system says about a path, for commands that accept either a
// file or a folder, and whether a command will be able to write its output.
#pragma once

namespace platform {

// True when the path names an existing folder.
bool path_is_directory(const char* path);
// True when something (file or folder) exists at the path.
bool path_exists(const char* path);
// True when a file can be saved at the path the way records are saved (a
// temporary file beside it, renamed over it): the path is not a folder and a
// file can be created in its folder. Tried with a file beside the path that is
// removed at once, so nothing is left behind. False with errno telling why.
bool path_writable(const char* path);

}  // namespace platform
