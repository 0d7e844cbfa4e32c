#include "model/text/record_file.h"

#include <sys/stat.h>

#include <cerrno>

namespace model {

int read_record_stream(std::FILE* fp, std::string& bytes, int* os_error) {
  bytes.clear();
  struct stat st;
  if (fstat(fileno(fp), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      *os_error = EISDIR;
      return kRecordFileSystemError;
    }
    if (S_ISREG(st.st_mode)) {
      if (st.st_size > kMaxRecordBytes) return kRecordFileTooLarge;
      bytes.reserve(static_cast<size_t>(st.st_size));
    }
  }
  // Files of unknown size (devices, pipes) are read up to one byte past the
  // limit, which is enough to know that they are too long.
  char buf[1 << 16];
  for (;;) {
    const size_t n = std::fread(buf, 1, sizeof buf, fp);
    if (static_cast<long long>(bytes.size() + n) > kMaxRecordBytes) {
      bytes.clear();
      return kRecordFileTooLarge;
    }
    bytes.append(buf, n);
    if (n == sizeof buf) continue;
    if (std::ferror(fp)) {
      *os_error = errno ? errno : EIO;
      bytes.clear();
      return kRecordFileSystemError;
    }
    return kRecordFileRead;
  }
}

int read_record_file(const char* path, std::string& bytes, int* os_error) {
  bytes.clear();
  errno = 0;
  std::FILE* fp = path ? std::fopen(path, "rb") : nullptr;
  if (!fp) {
    *os_error = errno ? errno : ENOENT;
    return kRecordFileSystemError;
  }
  const int result = read_record_stream(fp, bytes, os_error);
  std::fclose(fp);
  return result;
}

}  // namespace model
