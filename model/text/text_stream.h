// TextReader and TextWriter: the byte streams that every game-record reader and
// writer works on, so that one format serves plain files, packed ".ckf" files
// and memory (clipboard text) alike. Text passes through as bytes; nothing here
// converts code pages.
//
// Files are opened as bytes. A line ends at LF, CR LF or a lone CR (see
// read_line_from), so a text reads as the same lines whatever its line ends; a
// line keeps its line end, which the format readers trim with the other
// trailing blanks. File writers turn a "\n" into CR LF.
#pragma once

#include <cstdio>
#include <string>

#include "model/text/ckf_packing.h"
#include "model/text/kstring.h"

namespace model {

class TextReader {
 public:
  TextReader() = default;
  TextReader(const TextReader&) = delete;
  TextReader& operator=(const TextReader&) = delete;
  virtual ~TextReader() = default;

  // Empties `line`, then reads one line including its line end (LF, CR LF or
  // a lone CR; missing only on the last line of the input); lines of any
  // length come whole. 0 when at least one byte was read, -1 at the end of
  // the input or when not open.
  virtual int GetLine(KString& line) = 0;
  // Reads up to and including the next LF into buf, at most n - 1 bytes, and
  // always ends them with a NUL (no record reader reads with it: they read
  // lines with GetLine). buf, or null when nothing was read or not open.
  virtual char* Gets(char* buf, int n) = 0;
  // Reads up to n bytes into buf; returns how many were read (0 when not open).
  virtual int Read(char* buf, int n) = 0;
  // Pushes byte c back so that it is read next (the memory reader steps back
  // over its own byte instead). The result depends on the kind: the file
  // reader gives c, the others the new read position; 0 when not open.
  virtual int Unget(int c) = 0;
  // Goes back to the start of the input.
  virtual void Rewind() = 0;
  // True when not open or when the end of the input has been met.
  virtual bool IsEof() const = 0;
};

class FileTextReader : public TextReader {
 public:
  FileTextReader() = default;
  ~FileTextReader() override;

  // 0 when the file is open for reading, -1 when it cannot be opened or read
  // (a folder, say). Opening again closes the previous file first.
  int Open(const char* path);
  void Close();

  int GetLine(KString& line) override;
  char* Gets(char* buf, int n) override;
  int Read(char* buf, int n) override;
  int Unget(int c) override;
  void Rewind() override;
  bool IsEof() const override;

 private:
  // The next byte 0..255, or -1 at the end of the file.
  int NextByte();

  FILE* fp_ = nullptr;
  // Bytes read ahead to find the end of a line and given back, the next one
  // last: they come before the rest of the file.
  std::string ahead_;
};

// Reads the bytes that a ".ckf" file packs, one block of characters at a time.
class PackedTextReader : public TextReader {
 public:
  // The decoded-byte buffer: one block and 4 bytes of room in front of it for
  // pushed-back bytes. A read position of kBufferSize means it is empty.
  static constexpr int kPushBackRoom = 4;
  static constexpr int kBufferSize = kCkfBlockBytes + kPushBackRoom;

  PackedTextReader() = default;
  ~PackedTextReader() override;

  // 0 or -1 as FileTextReader::Open; the buffer starts empty.
  int Open(const char* path);
  void Close();

  int GetLine(KString& line) override;
  char* Gets(char* buf, int n) override;
  int Read(char* buf, int n) override;
  // When the read position is above 0, steps back one byte and stores c there;
  // returns the new position (at position 0 nothing happens).
  int Unget(int c) override;
  void Rewind() override;
  bool IsEof() const override;

 private:
  // The next decoded byte 0..255, or -1 at the end of the input.
  int ReadByte();
  // Decodes the next block into the end of the buffer; false at the end of the
  // input. A block may decode to no byte at all (a lone trailing character).
  bool Refill();

  FILE* fp_ = nullptr;
  unsigned char buffer_[kBufferSize] = {};
  int pos_ = kBufferSize;
  // Bytes GetLine read ahead to find the end of a line and gave back, the
  // next one last: they come before the buffer.
  std::string ahead_;
};

// Reads a private copy of a NUL-terminated text (clipboard text).
class MemTextReader : public TextReader {
 public:
  // A null text gives an empty stream.
  explicit MemTextReader(const char* text);
  // A copy of n bytes, NUL bytes included (a whole file read into memory).
  MemTextReader(const char* bytes, int n);
  ~MemTextReader() override;

  int GetLine(KString& line) override;
  char* Gets(char* buf, int n) override;
  int Read(char* buf, int n) override;
  // When the position is above 0, steps back one byte (the text keeps its own
  // byte; c is not stored); returns the new position.
  int Unget(int c) override;
  void Rewind() override;
  bool IsEof() const override;

 private:
  char* text_ = nullptr;
  int len_ = 0;
  int pos_ = 0;
};

// Passes every call on to another reader and counts the lines it hands out,
// so that a format reader can say at which line of its input it stopped.
class LineCountingReader : public TextReader {
 public:
  explicit LineCountingReader(TextReader& inner) : inner_(inner) {}

  // The number of lines GetLine has returned since the start (or Rewind).
  int lines() const { return lines_; }

  int GetLine(KString& line) override {
    const int r = inner_.GetLine(line);
    if (r == 0) ++lines_;
    return r;
  }
  char* Gets(char* buf, int n) override { return inner_.Gets(buf, n); }
  int Read(char* buf, int n) override { return inner_.Read(buf, n); }
  int Unget(int c) override { return inner_.Unget(c); }
  void Rewind() override {
    lines_ = 0;
    inner_.Rewind();
  }
  bool IsEof() const override { return inner_.IsEof(); }

 private:
  TextReader& inner_;
  int lines_ = 0;
};

class TextWriter {
 public:
  // Options of SetOption.
  static constexpr int kOptionWidth = 0;
  static constexpr int kOptionNumberMode = 1;
  // Number modes of PutInt.
  static constexpr int kNumberDecimal = 0;
  static constexpr int kNumberKanji = 1;
  static constexpr int kNumberZenkaku = 2;

  TextWriter() = default;
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;
  virtual ~TextWriter() = default;

  // Writes a NUL-terminated string; the result depends on the kind (below),
  // -1 when not open or when the write failed.
  virtual int Puts(const char* s) = 0;
  // Writes one byte; returns it (0..255), or -1 when not open or on failure.
  virtual int Putc(int c) = 0;
  // Writes a number in the current number mode: kanji numerals, full-width
  // digits, or ASCII digits right-aligned to the width when the width is 1 or
  // more. Goes out through Puts and returns its result.
  int PutInt(int value);
  // kOptionWidth sets the number width (below 1: none), kOptionNumberMode the
  // number mode; other options are ignored. Returns this writer.
  TextWriter& SetOption(int which, int value);

  int width() const { return width_; }
  int number_mode() const { return number_mode_; }

 private:
  int width_ = -1;
  int number_mode_ = kNumberDecimal;
};

// Writes a file with CR LF line ends: a "\n" goes out as "\r\n" unless the byte
// written just before it was "\r". The path "-" writes to standard output and
// "--" to standard error; those are never closed.
class FileTextWriter : public TextWriter {
 public:
  FileTextWriter() = default;
  ~FileTextWriter() override;

  // 0 or -1 when the file cannot be created. Opening again closes the previous
  // file first.
  int Open(const char* path);
  // Writes into a stream that stays the caller's (a file being replaced):
  // Close only flushes it. 0, or -1 for a null stream.
  int Attach(FILE* fp);
  // Closes the file (a standard stream or an attached one is only flushed). 0,
  // or -1 when any write since Open failed or the file could not be closed
  // cleanly, so that a full disk is not taken for a saved record.
  int Close();

  // Returns the number of bytes written, carriage returns included.
  int Puts(const char* s) override;
  int Putc(int c) override;

 private:
  int WriteBytes(const char* s, int n);

  FILE* fp_ = nullptr;
  bool owned_ = true;  // false for an attached stream
  bool failed_ = false;
  char last_ = 0;
};

// Writes the packed ".ckf" form of the bytes given. The last one or two bytes
// reach the file only when the writer is closed or destroyed.
class PackedTextWriter : public TextWriter {
 public:
  PackedTextWriter() = default;
  ~PackedTextWriter() override;

  // As FileTextWriter::Open and Attach; nothing is pending afterwards.
  int Open(const char* path);
  int Attach(FILE* fp);
  // Writes the pending tail, then closes as FileTextWriter::Close; 0 or -1.
  int Close();

  // Returns the string length (bytes given), -1 when not open or on failure.
  int Puts(const char* s) override;
  int Putc(int c) override;

 private:
  // Sends one byte to the packer; false when a write failed.
  bool Pack(unsigned char b);

  FILE* fp_ = nullptr;
  bool owned_ = true;  // false for an attached stream
  bool failed_ = false;
  unsigned char pending_[3] = {};
  int pending_count_ = 0;
};

// Appends to a KString that the caller owns (clipboard text). With the CRLF
// flag a line feed is written as CR LF.
class MemTextWriter : public TextWriter {
 public:
  MemTextWriter(KString& target, bool crlf);

  // A "\n" becomes "\r\n" when the flag is set and the byte before it in the
  // same string is not "\r" (a "\n" that starts the string is always turned).
  // Returns the string length plus the number of "\r" added.
  int Puts(const char* s) override;
  // With the flag a "\n" always becomes "\r\n". Returns the byte.
  int Putc(int c) override;

 private:
  KString& target_;
  bool crlf_;
};

}  // namespace model
