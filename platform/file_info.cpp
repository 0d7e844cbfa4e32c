#include "platform/file_info.h"

#include <sys/stat.h>

namespace platform {

// stat rather than <filesystem>, whose clock text does not build under the
// program's Shift-JIS execution character set.
bool path_is_directory(const char* path) {
  struct stat st {};
  return path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool path_exists(const char* path) {
  struct stat st {};
  return path && stat(path, &st) == 0;
}

}  // namespace platform
