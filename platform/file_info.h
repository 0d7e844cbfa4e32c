// What the file system says about a path, for commands that accept either a
// file or a folder.
#pragma once

namespace platform {

// True when the path names an existing folder.
bool path_is_directory(const char* path);
// True when something (file or folder) exists at the path.
bool path_exists(const char* path);

}  // namespace platform
