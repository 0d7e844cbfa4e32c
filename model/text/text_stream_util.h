// Helpers shared by the stream kinds of text_stream.h: opening and closing
// their files, appending to a KString without copying it on every append, and
// splitting a stream of bytes into lines.
#pragma once

#include <cstdio>

#include "model/text/kstring.h"

namespace model {

// The longest line that GetLine returns in one piece: a KString holds at most
// a signed 32-bit count of bytes, so a longer line goes on as the next line.
constexpr int kMaxLineBytes = 1 << 30;

// The length of a NUL-terminated text (null counts as empty), or -1 when it
// is too long for a signed 32-bit count.
int text_length(const char* s);

// Opens path for reading as bytes; null when it cannot be opened or its first
// byte cannot be read (a folder, say).
FILE* open_read_file(const char* path);

// Opens the target of a writer: "-" is standard output, "--" standard error,
// any other path is created (or truncated) as a file of bytes. Null on failure.
FILE* open_write_target(const char* path);

// Closes a writer's target (a standard stream is only flushed). 0, or -1 when
// the flush or the close failed.
int close_write_target(FILE* fp);

// Appends n bytes to s (which grows geometrically, so many small appends cost
// linear time). False (nothing appended) when s would outgrow the longest text
// a KString can hold.
bool append_growing(KString& s, const char* bytes, int n);

// Reads one line for a reader's GetLine, its line end included: `next()` gives
// the next byte 0..255, or -1 at the end of the input, and `push_back(c)`
// makes byte c (one just read) the next one again, the byte pushed last coming
// first. A line ends behind a LF, behind CRs followed by a LF (CR LF, and the
// CR CR LF of a file whose line ends were converted twice), or behind a CR
// that no LF follows, as older programs end their lines; CRs in a row without
// a LF end one (empty) line each. So a text reads as the same lines with any
// of these line ends. 0 when at least one byte was read, -1 when none was.
template <typename Next, typename PushBack>
int read_line_from(KString& line, Next next, PushBack push_back) {
  line.Free();
  char piece[256];
  int n = 0;
  long long total = 0;
  const auto put = [&](char c) {
    piece[n++] = c;
    ++total;
    if (n == static_cast<int>(sizeof piece)) {
      append_growing(line, piece, n);
      n = 0;
    }
  };
  for (;;) {
    const int c = next();
    if (c < 0) break;
    if (c == '\r') {
      // (A run is counted up to the longest line; what is past it goes on as
      // the next line.)
      int crs = 1;
      int after = next();
      for (; after == '\r' && crs < kMaxLineBytes; after = next()) ++crs;
      if (after == '\n') {
        for (int i = 0; i < crs; ++i) put('\r');
        put('\n');
        break;
      }
      // A line end of its own: the CRs behind it end the lines that follow.
      if (after >= 0) push_back(after);
      for (int i = 1; i < crs; ++i) push_back('\r');
      put('\r');
      break;
    }
    put(static_cast<char>(c));
    if (c == '\n' || total >= kMaxLineBytes) break;
  }
  append_growing(line, piece, n);
  return total > 0 ? 0 : -1;
}

// The length of the line that begins at `p`, `n` bytes before the end of the
// text, its line end included, as read_line_from splits lines: for a reader
// whose whole text is in memory, which takes the line in one piece.
int line_length(const char* p, int n);

// Reads a line for a reader's Gets: at most n - 1 bytes from `next()` (as
// read_line_from takes them) into buf, up to and including a LF, then a NUL.
// buf, or null when no byte was read.
template <typename Next>
char* gets_from(char* buf, int n, Next next) {
  int count = 0;
  while (count < n - 1) {
    const int c = next();
    if (c < 0) break;
    buf[count++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[count] = '\0';
  return count > 0 ? buf : nullptr;
}

}  // namespace model
