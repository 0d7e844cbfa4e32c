#include "engine/board/repetition.h"

namespace board {

namespace {

constexpr uint32_t kNoEntry = 0xFFFFFFFF;

struct PathTable {
  uint32_t head[kPathRepSize];
  uint32_t count;
  KPathRepEntry entry[kPathRepSize];
};

struct KifuTable {
  uint32_t head[kKifuRepSize];
  uint32_t count;
  KKifuRepEntry entry[kKifuRepSize];
};

// A table as after a clear: every bucket empty.
template <typename Table>
constexpr Table empty_table() {
  Table t{};
  for (uint32_t& h : t.head) h = kNoEntry;
  return t;
}

constinit PathTable path = empty_table<PathTable>();
constinit KifuTable kifu = empty_table<KifuTable>();

inline uint32_t path_word2(const KHashKey& key) { return key.word[2] & ~kHashSideBit; }

}  // namespace

void path_rep_clear() {
  for (uint32_t& h : path.head) h = kNoEntry;
  path.count = 0;
}

int path_rep_add(const KHashKey& key, uint32_t first_value, uint32_t second_value) {
  if (path.count >= kPathRepSize) return 1;
  const uint32_t i = path.count++;
  uint32_t& head = path.head[key.word[0] % kPathRepSize];
  path.entry[i] = {{key.word[0], key.word[1], path_word2(key)}, first_value, second_value, kNoEntry, head};
  if (head != kNoEntry) path.entry[head].prev = i;
  head = i;
  return 0;
}

const KPathRepEntry* path_rep_find(const KHashKey& key) {
  const uint32_t w2 = path_word2(key);
  for (uint32_t i = path.head[key.word[0] % kPathRepSize]; i != kNoEntry; i = path.entry[i].next) {
    const KPathRepEntry& e = path.entry[i];
    if (e.word[0] == key.word[0] && e.word[1] == key.word[1] && e.word[2] == w2) return &e;
  }
  return nullptr;
}

void path_rep_truncate(uint32_t n) {
  // Raising the count would bring back entries that are on no chain.
  if (n >= path.count) return;
  for (uint32_t i = n; i < path.count; ++i) {
    const KPathRepEntry& e = path.entry[i];
    if (e.prev == kNoEntry) {
      path.head[e.word[0] % kPathRepSize] = e.next;
    } else {
      path.entry[e.prev].next = e.next;
    }
    if (e.next != kNoEntry) path.entry[e.next].prev = e.prev;
  }
  path.count = n;
}

uint32_t path_rep_count() { return path.count; }

void kifu_rep_clear() {
  for (uint32_t& h : kifu.head) h = kNoEntry;
  kifu.count = 0;
}

void kifu_rep_add(const KPosition& p) {
  if (kifu.count >= kKifuRepSize) return;
  KHashKey key;
  hash_key_full(p, 0, key);
  const KKifuRepEntry* found = kifu_rep_find(key);
  if (found != nullptr) {
    ++kifu.entry[found - kifu.entry].occurrences;
    return;
  }
  const uint32_t i = kifu.count++;
  uint32_t& head = kifu.head[key.word[0] % kKifuRepSize];
  kifu.entry[i] = {{key.word[0], key.word[1], key.word[2]}, 1, head};
  head = i;
}

const KKifuRepEntry* kifu_rep_find(const KHashKey& key) {
  for (uint32_t i = kifu.head[key.word[0] % kKifuRepSize]; i != kNoEntry; i = kifu.entry[i].next) {
    const KKifuRepEntry& e = kifu.entry[i];
    if (e.word[0] == key.word[0] && e.word[1] == key.word[1] && e.word[2] == key.word[2]) return &e;
  }
  return nullptr;
}

}  // namespace board
