// FileTextReader and FileTextWriter: plain files, read and written as bytes.
#include "model/text/text_stream.h"
#include "model/text/text_stream_util.h"

namespace model {

FileTextReader::~FileTextReader() { Close(); }

int FileTextReader::Open(const char* path) {
  Close();
  fp_ = open_read_file(path);
  return fp_ ? 0 : -1;
}

void FileTextReader::Close() {
  if (fp_) std::fclose(fp_);
  fp_ = nullptr;
  ahead_.clear();
}

int FileTextReader::NextByte() {
  if (!ahead_.empty()) {
    const unsigned char c = static_cast<unsigned char>(ahead_.back());
    ahead_.pop_back();
    return c;
  }
  const int c = std::getc(fp_);
  return c == EOF ? -1 : c;
}

int FileTextReader::GetLine(KString& line) {
  line.Free();
  if (!fp_) return -1;
  // Byte by byte rather than through the C line reader, so that a NUL byte in
  // the file stays part of its line instead of cutting it, and a lone CR ends
  // a line.
  return read_line_from(
      line, [this] { return NextByte(); }, [this](int c) { ahead_.push_back(static_cast<char>(c)); });
}

char* FileTextReader::Gets(char* buf, int n) {
  if (!fp_ || n < 1) return nullptr;
  if (n == 1) {
    buf[0] = '\0';
    return nullptr;
  }
  if (ahead_.empty()) return std::fgets(buf, n, fp_);
  return gets_from(buf, n, [this] { return NextByte(); });
}

int FileTextReader::Read(char* buf, int n) {
  if (!fp_ || n <= 0) return 0;
  int count = 0;
  for (; count < n && !ahead_.empty(); ++count) buf[count] = static_cast<char>(NextByte());
  return count + static_cast<int>(std::fread(buf + count, 1, static_cast<size_t>(n - count), fp_));
}

int FileTextReader::Unget(int c) {
  if (!fp_) return 0;
  if (!ahead_.empty()) {
    ahead_.push_back(static_cast<char>(c));
    return static_cast<unsigned char>(c);
  }
  return std::ungetc(c, fp_);
}

void FileTextReader::Rewind() {
  ahead_.clear();
  if (fp_) std::rewind(fp_);
}

bool FileTextReader::IsEof() const { return !fp_ || (ahead_.empty() && std::feof(fp_)); }

FileTextWriter::~FileTextWriter() { Close(); }

int FileTextWriter::Open(const char* path) {
  Close();
  const int r = Attach(open_write_target(path));
  owned_ = true;
  return r;
}

int FileTextWriter::Attach(FILE* fp) {
  Close();
  fp_ = fp;
  owned_ = false;
  failed_ = false;
  last_ = 0;
  return fp_ ? 0 : -1;
}

int FileTextWriter::Close() {
  if (!fp_) return 0;
  const bool closed = (owned_ ? close_write_target(fp_) : std::fflush(fp_)) == 0;
  fp_ = nullptr;
  const int result = closed && !failed_ ? 0 : -1;
  failed_ = false;
  return result;
}

int FileTextWriter::WriteBytes(const char* s, int n) {
  if (!fp_) return -1;
  int written = 0;
  int start = 0;
  bool ok = true;
  for (int i = 0; i < n; ++i) {
    const char before = i > 0 ? s[i - 1] : last_;
    if (s[i] != '\n' || before == '\r') continue;
    const size_t run = static_cast<size_t>(i - start);
    ok = ok && std::fwrite(s + start, 1, run, fp_) == run && std::fputc('\r', fp_) != EOF;
    written += i - start + 1;
    start = i;
  }
  const size_t run = static_cast<size_t>(n - start);
  ok = ok && std::fwrite(s + start, 1, run, fp_) == run;
  written += n - start;
  if (n > 0) last_ = s[n - 1];
  if (!ok) {
    failed_ = true;
    return -1;
  }
  return written;
}

int FileTextWriter::Puts(const char* s) {
  const int n = text_length(s);
  if (n < 0) {
    failed_ = true;
    return -1;
  }
  return WriteBytes(s, n);
}

int FileTextWriter::Putc(int c) {
  const char b = static_cast<char>(c);
  return WriteBytes(&b, 1) < 0 ? -1 : static_cast<unsigned char>(b);
}

}  // namespace model
