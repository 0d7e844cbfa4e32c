// PackedTextReader and PackedTextWriter: the bytes of a ".ckf" file, stored in
// the six-bit packing of ckf_packing.h.
#include "model/text/text_stream.h"
#include "model/text/text_stream_util.h"

namespace model {

PackedTextReader::~PackedTextReader() { Close(); }

int PackedTextReader::Open(const char* path) {
  Close();
  fp_ = open_read_file(path);
  return fp_ ? 0 : -1;
}

void PackedTextReader::Close() {
  if (fp_) std::fclose(fp_);
  fp_ = nullptr;
  pos_ = kBufferSize;
  ahead_.clear();
}

bool PackedTextReader::Refill() {
  char block[kCkfBlockChars];
  const int n = static_cast<int>(std::fread(block, 1, sizeof block, fp_));
  if (n == 0) return false;
  // The decoded bytes go to the end of the buffer, which keeps the room in
  // front of them free for pushed-back bytes.
  const int start = kBufferSize - n * 3 / 4;
  ckf_unpack(block, n, buffer_ + start);
  pos_ = start;
  return true;
}

int PackedTextReader::ReadByte() {
  if (!fp_) return -1;
  if (!ahead_.empty()) {
    const unsigned char c = static_cast<unsigned char>(ahead_.back());
    ahead_.pop_back();
    return c;
  }
  // A block of a single trailing character decodes to nothing, so refilling
  // goes on until a byte comes or the input ends.
  while (pos_ >= kBufferSize) {
    if (!Refill()) return -1;
  }
  return buffer_[pos_++];
}

int PackedTextReader::GetLine(KString& line) {
  line.Free();
  if (!fp_) return -1;
  return read_line_from(
      line, [this] { return ReadByte(); }, [this](int c) { ahead_.push_back(static_cast<char>(c)); });
}

char* PackedTextReader::Gets(char* buf, int n) {
  if (!fp_ || n < 1) return nullptr;
  return gets_from(buf, n, [this] { return ReadByte(); });
}

int PackedTextReader::Read(char* buf, int n) {
  if (!fp_) return 0;
  int count = 0;
  while (count < n) {
    const int c = ReadByte();
    if (c < 0) break;
    buf[count++] = static_cast<char>(c);
  }
  return count;
}

int PackedTextReader::Unget(int c) {
  if (!fp_) return 0;
  if (!ahead_.empty()) {
    ahead_.push_back(static_cast<char>(c));  // in front of the bytes given back
  } else if (pos_ >= 1) {
    buffer_[--pos_] = static_cast<unsigned char>(c);
  }
  return pos_;
}

void PackedTextReader::Rewind() {
  if (!fp_) return;
  std::rewind(fp_);
  pos_ = kBufferSize;
  ahead_.clear();
}

bool PackedTextReader::IsEof() const {
  return !fp_ || (ahead_.empty() && std::feof(fp_) && pos_ >= kBufferSize);
}

PackedTextWriter::~PackedTextWriter() { Close(); }

int PackedTextWriter::Open(const char* path) {
  Close();
  const int r = Attach(open_write_target(path));
  owned_ = true;
  return r;
}

int PackedTextWriter::Attach(FILE* fp) {
  Close();
  fp_ = fp;
  owned_ = false;
  failed_ = false;
  pending_count_ = 0;
  return fp_ ? 0 : -1;
}

int PackedTextWriter::Close() {
  if (!fp_) return 0;
  if (pending_count_ > 0) {
    char chars[4];
    const int n = ckf_pack_group(pending_, pending_count_, chars);
    if (std::fwrite(chars, 1, static_cast<size_t>(n), fp_) != static_cast<size_t>(n)) {
      failed_ = true;
    }
    pending_count_ = 0;
  }
  const bool closed = (owned_ ? close_write_target(fp_) : std::fflush(fp_)) == 0;
  fp_ = nullptr;
  const int result = closed && !failed_ ? 0 : -1;
  failed_ = false;
  return result;
}

bool PackedTextWriter::Pack(unsigned char b) {
  pending_[pending_count_++] = b;
  if (pending_count_ < 3) return true;
  pending_count_ = 0;
  char chars[4];
  ckf_pack_group(pending_, 3, chars);
  if (std::fwrite(chars, 1, sizeof chars, fp_) != sizeof chars) {
    failed_ = true;
    return false;
  }
  return true;
}

int PackedTextWriter::Puts(const char* s) {
  if (!fp_) return -1;
  const int n = text_length(s);
  if (n < 0) {
    failed_ = true;
    return -1;
  }
  for (int i = 0; i < n; ++i) {
    if (!Pack(static_cast<unsigned char>(s[i]))) return -1;
  }
  return n;
}

int PackedTextWriter::Putc(int c) {
  if (!fp_) return -1;
  const unsigned char b = static_cast<unsigned char>(c);
  return Pack(b) ? b : -1;
}

}  // namespace model
