#include "engine/driver/bin_file.h"

#include <cerrno>
#include <cstring>

#include "platform/file_info.h"
#include "platform/file_replace.h"

namespace driver {

const char* book_file_error_text(BookFileError e) {
  switch (e) {
    case BookFileError::kNone: return "no error";
    case BookFileError::kMissing: return "no such file";
    case BookFileError::kCannotOpen: return "it cannot be opened";
    case BookFileError::kNotAFile: return "not a regular file";
    case BookFileError::kTooLarge: return "larger than a book may be (16 MiB)";
    case BookFileError::kNotABook: return "not a book file";
    case BookFileError::kDamaged: return "the book is damaged";
    case BookFileError::kNoPositions: return "the book holds no position";
    case BookFileError::kTooManyMoves: return "a position would hold more than 255 moves";
  }
  return "unknown error";
}
std::string book_file_reason(BookFileError e, int os_error) {
  if (e == BookFileError::kCannotOpen && os_error != 0) return std::strerror(os_error);
  return book_file_error_text(e);
}

static_assert(kMaxBookFileBytes == uint64_t{16} << 20, "the text of kTooLarge names the limit");

std::unique_ptr<BinFile> BinFile::Open(const char* name, uint32_t mode, uint64_t limit, BookFileError* why,
                                       int* os_error) {
  BookFileError failure = BookFileError::kCannotOpen;
  if (os_error) *os_error = 0;
  const auto fail = [&](BookFileError e) -> std::unique_ptr<BinFile> {
    if (why) *why = e;
    return nullptr;
  };
  // The system's reason, taken at once, before another call changes errno.
  const auto refused = [&](BookFileError e) {
    if (os_error) *os_error = errno;
    return fail(e);
  };
  if (!name) return fail(BookFileError::kMissing);
  if (mode & kWrite) {
    std::unique_ptr<platform::FileReplacement> r = platform::FileReplacement::Begin(name);
    if (!r) return fail(failure);
    std::unique_ptr<BinFile> f(new BinFile(r->stream(), mode));
    f->replacement_ = std::move(r);
    if (why) *why = BookFileError::kNone;
    return f;
  }
  uint64_t length = 0;
  platform::OpenFailure opened;
  std::FILE* fp = platform::open_regular_file(name, &length, &opened);
  if (!fp) {
    if (opened == platform::OpenFailure::kMissing) failure = BookFileError::kMissing;
    if (opened == platform::OpenFailure::kNotAFile) return fail(BookFileError::kNotAFile);
    return refused(failure);
  }
  std::unique_ptr<BinFile> f(new BinFile(fp, mode));
  if (!(mode & kDirect)) {
    // Memory mode: the length is checked before anything is allocated.
    if (length > limit) return fail(BookFileError::kTooLarge);
    f->buf_.resize(static_cast<size_t>(length));
    errno = 0;  // a file cut short while it is read leaves no reason
    if (length > 0 && std::fread(f->buf_.data(), 1, f->buf_.size(), fp) != f->buf_.size()) return refused(failure);
  }
  if (why) *why = BookFileError::kNone;
  return f;
}

BinFile::~BinFile() {
  if (writing()) {
    replacement_.reset();  // not closed: the temporary file goes, the named file stays
    return;
  }
  Close();
}

int BinFile::Close() {
  if (!fp_) return failed_ ? -1 : 0;
  if (writing()) {
    if (failed_ || !replacement_->Commit()) failed_ = true;
    replacement_.reset();
  } else {
    std::fclose(fp_);
  }
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
