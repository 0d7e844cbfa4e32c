// BinFile: the small little-endian reader and writer of the book file formats.
// A file opened for reading is read whole into memory, or, on request, read
// straight from the disk; a file opened for writing is written byte by byte
// into a fresh temporary file that replaces the named file only when Close
// finds every write done.
//
// Every book file the program reads is bounded by kMaxBookFileBytes, and a
// failure to read one says why (BookFileError).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_replace.h"

namespace driver {

// The largest book file the program reads, and the largest a part of the
// divided book may unpack to: far above any real book (a user book of this
// size holds some 300,000 positions), and low enough that a book and eight
// divided-book parts together stay within a few hundred megabytes of memory.
constexpr uint64_t kMaxBookFileBytes = uint64_t{16} << 20;

// Why a book file could not be read.
enum class BookFileError : uint8_t {
  kNone,
  kMissing,        // no file by that name
  kCannotOpen,     // there, but it cannot be opened or read
  kNotAFile,       // a folder, a device or a pipe
  kTooLarge,       // larger than kMaxBookFileBytes, or a part that unpacks larger
  kNotABook,       // it does not start as any book file does
  kDamaged,        // a record cut short, a count beyond its data, a value out of range
  kNoPositions,    // a JS5 book of no position
  kTooManyMoves,   // merged into the book, a position would hold too many moves
};

// The reason in a few words, for the user: "not a regular file" ...
const char* book_file_error_text(BookFileError e);
// The reason as the user is told it: the system's own words (strerror of
// `os_error`) when the system refused to open or read the file (kCannotOpen
// with `os_error` not 0: "Not a directory", "Permission denied" ...), else
// book_file_error_text.
std::string book_file_reason(BookFileError e, int os_error);

class BinFile {
 public:
  static constexpr uint32_t kWrite = 1;   // mode bit 0: write
  static constexpr uint32_t kDirect = 2;  // mode bit 1: read from the file, not from memory

  // The open file, or null with `why` set (when given), and `os_error` (when
  // given) the system's errno for a file it refused to open or read (0 for
  // the other reasons). Reading takes only a plain file, and in memory mode
  // only one of at most `limit` bytes. Writing starts the replacement of the
  // named file (through a symbolic link, of the file it leads to).
  static std::unique_ptr<BinFile> Open(const char* name, uint32_t mode, uint64_t limit = kMaxBookFileBytes,
                                       BookFileError* why = nullptr, int* os_error = nullptr);
  // A writer that was not closed is discarded: the named file stays as it was.
  ~BinFile();
  BinFile(const BinFile&) = delete;
  BinFile& operator=(const BinFile&) = delete;

  // Little-endian reads: true with the value, false (nothing stored) at the end
  // of the data or in write mode. From memory a read that does not fit leaves
  // the cursor where it was.
  bool ReadU8(uint8_t* v);
  bool ReadU16(uint16_t* v);
  bool ReadU32(uint32_t* v);
  // Copies up to n bytes: from memory min(n, bytes left), from the file what
  // fread gives. The count, or -1 in write mode.
  int64_t ReadBlock(size_t n, void* dst);
  // The bytes left to read (0 in write mode).
  uint64_t Remaining();

  // Writes; 0, or -1 in read mode or when the write fails.
  int WriteU8(uint8_t v);
  int WriteU32(uint32_t v);
  int WriteBlock(size_t n, const void* src);
  // Closes the file: 0, or -1 when a write, the flush to the disk or the
  // replacement of the named file failed, which then stays as it was (for a
  // reader always 0).
  int Close();

 private:
  BinFile(std::FILE* fp, uint32_t mode) : fp_(fp), mode_(mode) {}
  bool Read(size_t n, uint8_t* bytes);
  bool writing() const { return (mode_ & kWrite) != 0; }

  std::FILE* fp_;  // a reader's own stream, or the stream of `replacement_`
  uint32_t mode_;
  std::unique_ptr<platform::FileReplacement> replacement_;  // a writer's temporary file
  std::vector<uint8_t> buf_;  // the whole file in memory mode
  size_t pos_ = 0;            // read cursor of buf_
  bool failed_ = false;       // a write went wrong
};

}  // namespace driver
