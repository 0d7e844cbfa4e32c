// KString: the single-owner byte string of the game model and the engine side,
// holding Shift-JIS text; KStringList: an append-only list of them in blocks of 16.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace model {

// True when byte `b` starts a two-byte Shift-JIS character.
inline bool is_lead_byte(unsigned char b) { return b >= 0x80; }

// The full-width space, 0x81 0x40.
inline bool is_wide_space(const char* p) {
  return static_cast<unsigned char>(p[0]) == 0x81 && static_cast<unsigned char>(p[1]) == 0x40;
}

// Blanks for the trims: bytes 0..32 and 127 (one byte each).
inline bool is_narrow_blank(unsigned char b) { return b <= 32 || b == 127; }

// The one byte (a NUL) every empty string without storage points at. Never
// written: every write first gives the string a buffer of its own.
inline constexpr char kEmptyBuffer[1] = {0};

class KString {
 public:
  constexpr KString() : p(const_cast<char*>(kEmptyBuffer)), len(0), cap(0) {}
  constexpr ~KString() {
    if (p != kEmptyBuffer) std::free(p);
  }
  KString(const KString& other);
  KString(KString&& other) noexcept;
  KString& operator=(const KString& other);
  KString& operator=(KString&& other) noexcept;

  // A copy of a NUL-terminated text (null gives the empty string).
  static KString KStringFromC(const char* text);
  // A deep copy in a buffer of exactly its length + 1 bytes; an empty source
  // gives the empty string. The copy constructor makes its copies with it.
  static KString KStringCopy(const KString& other);

  const char* c_str() const { return p; }
  int length() const { return len; }
  int capacity() const { return cap; }
  bool empty() const { return len < 1; }
  // True while the string points at the process-wide empty buffer.
  bool is_shared_empty() const;

  // Frees an owned buffer and becomes empty.
  void Free();
  // Drops the text and gives a fresh buffer of exactly n bytes (n = 0: empty;
  // n < 0: nothing happens).
  void Allocate(int n);
  // Ensures a buffer of at least n bytes, keeping the text; a larger buffer
  // has exactly n bytes.
  void Grow(int n);
  void Assign(const char* text);
  void AssignStr(const KString& other);
  // Replaces the text with `n` bytes from `text` (which need not be terminated).
  void AssignBytes(const char* text, int n);
  // Appends grow the buffer at least twofold whenever it is too small, so
  // appending n bytes piece by piece costs time linear in n.
  void Append(const char* text);
  void AppendStr(const KString& other);
  void AppendBytes(const char* text, int n);
  void AppendChar(char c);
  void AppendInt(int n);
  // Cut trailing / leading blanks (ASCII blanks and the full-width space); false
  // when the string is empty or nothing was cut.
  bool TrimRight();
  bool TrimLeft();
  // Removes the first min(n, length) bytes; returns how many were removed.
  int EraseFront(int n);
  // First index >= start, on a character boundary, whose byte is c; -1 if none.
  int Find(char c, int start) const;
  // Splits at the first occurrence of `sep`: `out` gets the text behind it and
  // this string keeps the text in front. -1 (with `out` empty) when there is
  // no split. After tries every byte offset, AfterN only character starts.
  int After(const char* sep, KString& out);
  int AfterN(const char* sep, KString& out);

  bool operator==(const char* text) const;

 private:
  // Ensures room for `need` bytes, growing geometrically (Append*). Throws
  // std::length_error past the 2 GB a signed 32-bit length can count.
  void Reserve(int64_t need);
  int SplitAt(int index, int sep_len, KString& out);

  char* p;
  int32_t len;
  int32_t cap;
};

// The process-wide empty string returned by out-of-range lookups.
const KString& empty_kstring();

class KStringList {
 public:
  static constexpr int kBlockSize = 16;

  KStringList() = default;
  ~KStringList();
  KStringList(const KStringList& other);
  KStringList& operator=(const KStringList& other);

  // Copies s behind the last string and returns the stored copy.
  KString& Add(const KString& s);
  // The i-th string in insertion order, or the shared empty string.
  const KString& GetAt(int i) const;
  int Count() const;
  // Removes every string.
  void Clear();

 private:
  struct Block {
    int32_t used = 0;
    Block* next = nullptr;
    KString items[kBlockSize];
  };
  void FreeChain();

  Block first_;
};

}  // namespace model
