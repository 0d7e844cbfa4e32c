#include "model/text/kstring.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace model {

namespace {

char* allocate_bytes(int n) {
  char* b = static_cast<char*>(std::malloc(static_cast<size_t>(n)));
  if (!b) throw std::bad_alloc();
  return b;
}

}  // namespace


// Every copy of a string is made by KStringCopy.
KString::KString(const KString& other) : KString(KStringCopy(other)) {}

KString::KString(KString&& other) noexcept : p(other.p), len(other.len), cap(other.cap) {
  other.p = const_cast<char*>(kEmptyBuffer);
  other.len = 0;
  other.cap = 0;
}

KString& KString::operator=(const KString& other) {
  if (this != &other) AssignStr(other);
  return *this;
}

KString& KString::operator=(KString&& other) noexcept {
  if (this != &other) {
    Free();
    std::swap(p, other.p);
    std::swap(len, other.len);
    std::swap(cap, other.cap);
  }
  return *this;
}

KString KString::KStringFromC(const char* text) {
  KString s;
  if (text) s.AssignBytes(text, static_cast<int>(std::strlen(text)));
  return s;
}

KString KString::KStringCopy(const KString& other) {
  KString s;
  if (other.len >= 1) s.AssignBytes(other.p, other.len);
  return s;
}

bool KString::is_shared_empty() const { return p == kEmptyBuffer; }

void KString::Free() {
  if (p == kEmptyBuffer) return;
  std::free(p);
  p = const_cast<char*>(kEmptyBuffer);
  len = 0;
  cap = 0;
}

void KString::Allocate(int n) {
  if (n < 0) return;
  Free();
  if (n == 0) return;
  p = allocate_bytes(n);
  p[0] = '\0';
  cap = n;
}

void KString::Grow(int n) {
  if (n <= cap) return;
  char* b = allocate_bytes(n);
  if (len < 1) {
    b[0] = '\0';
  } else {
    std::memcpy(b, p, static_cast<size_t>(len) + 1);
  }
  if (p != kEmptyBuffer) std::free(p);
  p = b;
  cap = n;
}

void KString::Assign(const char* text) {
  if (!text) {
    Free();
    return;
  }
  // Always a fresh buffer; the copy is made before the old buffer goes, so
  // `text` may point into this string's own text.
  const int n = static_cast<int>(std::strlen(text));
  char* b = allocate_bytes(n + 1);
  std::memcpy(b, text, static_cast<size_t>(n) + 1);
  Free();
  p = b;
  cap = n + 1;
  len = n;
}

void KString::AssignBytes(const char* text, int n) {
  if (n <= 0 || !text) {
    Free();
    return;
  }
  if (cap < n + 1) {
    char* b = allocate_bytes(n + 1);
    std::memcpy(b, text, static_cast<size_t>(n));
    Free();
    p = b;
    cap = n + 1;
  } else {
    std::memmove(p, text, static_cast<size_t>(n));
  }
  p[n] = '\0';
  len = n;
}

void KString::AssignStr(const KString& other) {
  if (other.len < 1) {
    Free();
    return;
  }
  AssignBytes(other.p, other.len);
}

void KString::Reserve(int64_t need) {
  if (need <= cap) return;
  constexpr int64_t kLimit = INT32_MAX;
  if (need > kLimit) throw std::length_error("a KString holds fewer than 2 GB");
  // At least doubling, so that a text built by many appends is copied a
  // bounded number of times in all.
  int64_t room = 2 * int64_t{cap};
  if (room < need) room = need;
  if (room > kLimit) room = kLimit;
  Grow(static_cast<int>(room));
}

void KString::AppendBytes(const char* text, int n) {
  if (!text || n <= 0) return;
  if (text >= p && text < p + len) {
    KString tmp;
    tmp.AssignBytes(text, n);
    AppendBytes(tmp.p, n);
    return;
  }
  Reserve(int64_t{len} + n + 1);
  std::memcpy(p + len, text, static_cast<size_t>(n));
  len += n;
  p[len] = '\0';
}

void KString::Append(const char* text) {
  if (!text) return;
  AppendBytes(text, static_cast<int>(std::strlen(text)));
}

void KString::AppendStr(const KString& other) {
  if (other.len < 1) return;
  AppendBytes(other.p, other.len);
}

void KString::AppendChar(char c) {
  Reserve(int64_t{len} + 2);
  p[len] = c;
  p[len + 1] = '\0';
  ++len;
}

void KString::AppendInt(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%d", n);
  Append(buf);
}

bool KString::TrimRight() {
  if (len < 1) return false;
  int run_start = -1;
  int i = 0;
  while (i < len) {
    const unsigned char b = static_cast<unsigned char>(p[i]);
    if (is_lead_byte(b) && i + 1 < len) {
      if (is_wide_space(p + i)) {
        if (run_start < 0) run_start = i;
      } else {
        run_start = -1;
      }
      i += 2;
    } else {
      if (is_narrow_blank(b)) {
        if (run_start < 0) run_start = i;
      } else {
        run_start = -1;
      }
      ++i;
    }
  }
  if (run_start < 0) return false;
  p[run_start] = '\0';
  len = run_start;
  return true;
}

bool KString::TrimLeft() {
  if (len < 1) return false;
  int n = 0;
  while (n < len) {
    const unsigned char b = static_cast<unsigned char>(p[n]);
    if (n + 1 < len && is_wide_space(p + n)) {
      n += 2;
    } else if (!is_lead_byte(b) && is_narrow_blank(b)) {
      ++n;
    } else {
      break;
    }
  }
  if (n == 0) return false;
  EraseFront(n);
  return true;
}

int KString::EraseFront(int n) {
  if (n <= 0 || len < 1) return 0;
  if (n > len) n = len;
  std::memmove(p, p + n, static_cast<size_t>(len - n) + 1);
  len -= n;
  return n;
}

int KString::Find(char c, int start) const {
  if (start < 0) start = 0;
  if (start >= len) return -1;
  // Walk from the start so that `start` and every candidate sit on character starts.
  int i = 0;
  while (i < len) {
    if (i >= start && p[i] == c) return i;
    i += (is_lead_byte(static_cast<unsigned char>(p[i])) && i + 1 < len) ? 2 : 1;
  }
  return -1;
}

int KString::SplitAt(int index, int sep_len, KString& out) {
  out.AssignBytes(p + index + sep_len, len - index - sep_len);
  p[index] = '\0';
  len = index;
  return 0;
}

int KString::After(const char* sep, KString& out) {
  out.Free();
  if (len < 1 || !sep || !*sep) return -1;
  const char* hit = std::strstr(p, sep);
  if (!hit) return -1;
  return SplitAt(static_cast<int>(hit - p), static_cast<int>(std::strlen(sep)), out);
}

int KString::AfterN(const char* sep, KString& out) {
  out.Free();
  if (len < 1 || !sep || !*sep) return -1;
  const int sep_len = static_cast<int>(std::strlen(sep));
  int i = 0;
  while (i < len) {
    if (i + sep_len <= len && std::memcmp(p + i, sep, static_cast<size_t>(sep_len)) == 0) {
      return SplitAt(i, sep_len, out);
    }
    i += (is_lead_byte(static_cast<unsigned char>(p[i])) && i + 1 < len) ? 2 : 1;
  }
  return -1;
}

bool KString::operator==(const char* text) const {
  return text && std::strcmp(p, text) == 0;
}

const KString& empty_kstring() {
  // Built at compile time; it owns no storage, so it stays in read-only data.
  static constexpr KString empty;
  return empty;
}

KStringList::~KStringList() { FreeChain(); }

KStringList::KStringList(const KStringList& other) {
  for (int i = 0, n = other.Count(); i < n; ++i) Add(other.GetAt(i));
}

KStringList& KStringList::operator=(const KStringList& other) {
  if (this != &other) {
    KStringList copy(other);
    Clear();
    for (int i = 0, n = copy.Count(); i < n; ++i) Add(copy.GetAt(i));
  }
  return *this;
}

void KStringList::FreeChain() {
  // Free the chain from the front; each block is released after its successor
  // has been taken off it, so no recursion depth builds up on long lists.
  Block* b = first_.next;
  first_.next = nullptr;
  while (b) {
    Block* next = b->next;
    b->next = nullptr;
    delete b;
    b = next;
  }
}

void KStringList::Clear() {
  FreeChain();
  for (KString& s : first_.items) s.Free();
  first_.used = 0;
}

KString& KStringList::Add(const KString& s) {
  Block* b = &first_;
  while (b->next) b = b->next;
  if (b->used == kBlockSize) {
    b->next = new Block;
    b = b->next;
  }
  KString& item = b->items[b->used++];
  item.AssignStr(s);
  return item;
}

const KString& KStringList::GetAt(int i) const {
  if (i < 0) return empty_kstring();
  const Block* b = &first_;
  while (i >= b->used) {
    if (!b->next || i - kBlockSize < 0) return empty_kstring();
    b = b->next;
    i -= kBlockSize;
  }
  return b->items[i];
}

int KStringList::Count() const {
  int n = 0;
  for (const Block* b = &first_; b; b = b->next) n += b->used;
  return n;
}

}  // namespace model
