// Helpers shared by the stream kinds of text_stream.h: opening and closing
// their files, and appending to a KString without copying it on every append.
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

}  // namespace model
