// BinFile: the small little-endian reader and writer of the book file formats.
// A file opened for reading is read whole into memory, or, on request, read
// straight from the disk; a file opened for writing is written byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace driver {

class BinFile {
 public:
  static constexpr uint32_t kWrite = 1;   // mode bit 0: write ("wb")
  static constexpr uint32_t kDirect = 2;  // mode bit 1: read from the file, not from memory

  // The open file, or null when it cannot be opened (or, in memory mode, read).
  static std::unique_ptr<BinFile> Open(const char* name, uint32_t mode);
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
  // Closes the file: 0, or -1 when a write or the close itself failed (for a
  // reader always 0). Called by the destructor when not called before.
  int Close();

 private:
  BinFile(std::FILE* fp, uint32_t mode) : fp_(fp), mode_(mode) {}
  bool Read(size_t n, uint8_t* bytes);
  bool writing() const { return (mode_ & kWrite) != 0; }

  std::FILE* fp_;
  uint32_t mode_;
  std::vector<uint8_t> buf_;  // the whole file in memory mode
  size_t pos_ = 0;            // read cursor of buf_
  bool failed_ = false;       // a write went wrong
};

}  // namespace driver
