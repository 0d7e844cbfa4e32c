// MemTextReader and MemTextWriter: clipboard text in memory.
#include <cstdlib>
#include <cstring>
#include <new>

#include "model/text/text_stream.h"
#include "model/text/text_stream_util.h"

namespace model {

MemTextReader::MemTextReader(const char* text) {
  const int n = text_length(text);
  // A null text, or one too long to count, gives an empty stream.
  if (!text || n < 0) return;
  text_ = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
  if (!text_) throw std::bad_alloc();
  std::memcpy(text_, text, static_cast<size_t>(n) + 1);
  len_ = n;
}

MemTextReader::MemTextReader(const char* bytes, int n) {
  if (!bytes || n <= 0) return;
  text_ = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
  if (!text_) throw std::bad_alloc();
  std::memcpy(text_, bytes, static_cast<size_t>(n));
  text_[n] = '\0';
  len_ = n;
}

MemTextReader::~MemTextReader() { std::free(text_); }

int MemTextReader::GetLine(KString& line) {
  line.Free();
  if (pos_ >= len_) return -1;
  const int n = line_length(text_ + pos_, len_ - pos_);
  line.AssignBytes(text_ + pos_, n);
  pos_ += n;
  return 0;
}

char* MemTextReader::Gets(char* buf, int n) {
  if (n < 1) return nullptr;
  int count = 0;
  while (count < n - 1 && pos_ < len_) {
    const char c = text_[pos_++];
    buf[count++] = c;
    if (c == '\n') break;
  }
  buf[count] = '\0';
  return count > 0 ? buf : nullptr;
}

int MemTextReader::Read(char* buf, int n) {
  if (n <= 0 || pos_ >= len_) return 0;
  const int count = n < len_ - pos_ ? n : len_ - pos_;
  std::memcpy(buf, text_ + pos_, static_cast<size_t>(count));
  pos_ += count;
  return count;
}

int MemTextReader::Unget(int) {
  if (pos_ >= 1) --pos_;
  return pos_;
}

void MemTextReader::Rewind() { pos_ = 0; }

bool MemTextReader::IsEof() const { return pos_ >= len_; }

MemTextWriter::MemTextWriter(KString& target, bool crlf) : target_(target), crlf_(crlf) {}

int MemTextWriter::Puts(const char* s) {
  const int n = text_length(s);
  if (n < 0) return -1;
  static const char kCr = '\r';
  int added = 0;
  int start = 0;
  for (int i = 0; crlf_ && i < n; ++i) {
    if (s[i] != '\n' || (i > 0 && s[i - 1] == '\r')) continue;
    if (!append_growing(target_, s + start, i - start) || !append_growing(target_, &kCr, 1)) {
      return -1;
    }
    ++added;
    start = i;
  }
  if (!append_growing(target_, s + start, n - start)) return -1;
  return n + added;
}

int MemTextWriter::Putc(int c) {
  const char b = static_cast<char>(c);
  const bool ok = crlf_ && b == '\n' ? append_growing(target_, "\r\n", 2)
                                     : append_growing(target_, &b, 1);
  return ok ? static_cast<unsigned char>(b) : -1;
}

}  // namespace model
