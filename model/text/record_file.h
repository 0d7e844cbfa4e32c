// Reading a whole game-record file into memory, within a fixed size, so that no
// input (a huge file, a device such as /dev/zero, a pipe that never ends) can
// make a reader run until memory runs out.
#pragma once

#include <cstdio>
#include <string>

namespace model {

// The most bytes a game-record file may hold: sixty times a record of a
// million moves with comments. A longer file is refused before it is read, and
// an input of unknown size is refused as soon as it goes past this.
inline constexpr long long kMaxRecordBytes = 64LL << 20;
inline constexpr int kMaxRecordMegabytes = static_cast<int>(kMaxRecordBytes >> 20);

// Results of read_record_file and read_record_stream.
enum RecordFileResult : int {
  kRecordFileRead = 0,
  kRecordFileSystemError = 1,  // *os_error holds the errno code
  kRecordFileTooLarge = 2,
};

// Reads the whole file at `path` into `bytes`. A path that cannot be opened, a
// folder and a failed read are system errors (ENOENT, EACCES, EISDIR, ...).
int read_record_file(const char* path, std::string& bytes, int* os_error);
// The same for an open stream (standard input, say), read from where it stands.
int read_record_stream(std::FILE* fp, std::string& bytes, int* os_error);

}  // namespace model
