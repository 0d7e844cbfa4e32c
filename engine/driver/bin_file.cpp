#include "engine/driver/bin_file.h"

#include <cstring>

namespace driver {

std::unique_ptr<BinFile> BinFile::Open(const char* name, uint32_t mode) {
  if (!name) return nullptr;
  std::FILE* fp = std::fopen(name, (mode & kWrite) ? "wb" : "rb");
  if (!fp) return nullptr;
  std::unique_ptr<BinFile> f(new BinFile(fp, mode));
  if (mode & (kWrite | kDirect)) return f;
  // Memory mode: learn the length and read everything at once.
  if (std::fseek(fp, 0, SEEK_END) != 0) return nullptr;
  const long length = std::ftell(fp);
  if (length < 0 || std::fseek(fp, 0, SEEK_SET) != 0) return nullptr;
  f->buf_.resize(static_cast<size_t>(length));
  if (length > 0 && std::fread(f->buf_.data(), 1, f->buf_.size(), fp) != f->buf_.size()) return nullptr;
  return f;
}

BinFile::~BinFile() { Close(); }

int BinFile::Close() {
  if (!fp_) return failed_ ? -1 : 0;
  if (writing() && std::fflush(fp_) != 0) failed_ = true;
  if (std::fclose(fp_) != 0 && writing()) failed_ = true;
  fp_ = nullptr;
  buf_.clear();
  buf_.shrink_to_fit();
  return failed_ ? -1 : 0;
}

bool BinFile::Read(size_t n, uint8_t* bytes) {
  if (writing() || !fp_) return false;
  if (!(mode_ & kDirect)) {
    if (buf_.size() - pos_ < n) return false;
    std::memcpy(bytes, buf_.data() + pos_, n);
    pos_ += n;
    return true;
  }
  return std::fread(bytes, 1, n, fp_) == n;
}

bool BinFile::ReadU8(uint8_t* v) { return Read(1, v); }

bool BinFile::ReadU16(uint16_t* v) {
  uint8_t b[2];
  if (!Read(2, b)) return false;
  *v = static_cast<uint16_t>(b[0] | b[1] << 8);
  return true;
}

bool BinFile::ReadU32(uint32_t* v) {
  uint8_t b[4];
  if (!Read(4, b)) return false;
  *v = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
       static_cast<uint32_t>(b[3]) << 24;
  return true;
}

int64_t BinFile::ReadBlock(size_t n, void* dst) {
  if (writing() || !fp_) return -1;
  if (!(mode_ & kDirect)) {
    const size_t k = n < buf_.size() - pos_ ? n : buf_.size() - pos_;
    if (k > 0) std::memcpy(dst, buf_.data() + pos_, k);
    pos_ += k;
    return static_cast<int64_t>(k);
  }
  return static_cast<int64_t>(std::fread(dst, 1, n, fp_));
}

uint64_t BinFile::Remaining() {
  if (writing() || !fp_) return 0;
  if (!(mode_ & kDirect)) return buf_.size() - pos_;
  const long here = std::ftell(fp_);
  if (here < 0 || std::fseek(fp_, 0, SEEK_END) != 0) return 0;
  const long end = std::ftell(fp_);
  std::fseek(fp_, here, SEEK_SET);
  return end > here ? static_cast<uint64_t>(end - here) : 0;
}

int BinFile::WriteBlock(size_t n, const void* src) {
  if (!writing() || !fp_) return -1;
  if (n > 0 && std::fwrite(src, 1, n, fp_) != n) {
    failed_ = true;
    return -1;
  }
  return 0;
}

int BinFile::WriteU8(uint8_t v) { return WriteBlock(1, &v); }

int BinFile::WriteU32(uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  return WriteBlock(4, b);
}

}  // namespace driver
