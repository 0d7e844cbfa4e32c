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

// The two tables, one record on the computer thread: the search pushes and
// truncates the path table and path_rep_clear empties it; kifu_rep_add counts
// the game's positions and kifu_rep_clear empties that table. Both start empty.
struct RepetitionTables {
  PathTable path;
  KifuTable kifu;
};
constinit RepetitionTables tables = {empty_table<PathTable>(), empty_table<KifuTable>()};

inline uint32_t path_word2(const KHashKey& key) { return key.word[2] & ~kHashSideBit; }

}  // namespace

void path_rep_clear() {
  for (uint32_t& h : tables.path.head) h = kNoEntry;
  tables.path.count = 0;
}

int path_rep_add(const KHashKey& key, uint32_t first_value, uint32_t second_value) {
  if (tables.path.count >= kPathRepSize) return 1;
  const uint32_t i = tables.path.count++;
  uint32_t& head = tables.path.head[key.word[0] % kPathRepSize];
  tables.path.entry[i] = {{key.word[0], key.word[1], path_word2(key)}, first_value, second_value, kNoEntry, head};
  if (head != kNoEntry) tables.path.entry[head].prev = i;
  head = i;
  return 0;
}

const KPathRepEntry* path_rep_find(const KHashKey& key) {
  const uint32_t w2 = path_word2(key);
  for (uint32_t i = tables.path.head[key.word[0] % kPathRepSize]; i != kNoEntry; i = tables.path.entry[i].next) {
    const KPathRepEntry& e = tables.path.entry[i];
    if (e.word[0] == key.word[0] && e.word[1] == key.word[1] && e.word[2] == w2) return &e;
  }
  return nullptr;
}

void path_rep_truncate(uint32_t n) {
  // Raising the count would bring back entries that are on no chain.
  if (n >= tables.path.count) return;
  for (uint32_t i = n; i < tables.path.count; ++i) {
    const KPathRepEntry& e = tables.path.entry[i];
    if (e.prev == kNoEntry) {
      tables.path.head[e.word[0] % kPathRepSize] = e.next;
    } else {
      tables.path.entry[e.prev].next = e.next;
    }
    if (e.next != kNoEntry) tables.path.entry[e.next].prev = e.prev;
  }
  tables.path.count = n;
}

uint32_t path_rep_count() { return tables.path.count; }

void kifu_rep_clear() {
  for (uint32_t& h : tables.kifu.head) h = kNoEntry;
  tables.kifu.count = 0;
}

void kifu_rep_add(const KPosition& p) {
  if (tables.kifu.count >= kKifuRepSize) return;
  KHashKey key;
  hash_key_full(p, 0, key);
  const KKifuRepEntry* found = kifu_rep_find(key);
  if (found != nullptr) {
    ++tables.kifu.entry[found - tables.kifu.entry].occurrences;
    return;
  }
  const uint32_t i = tables.kifu.count++;
  uint32_t& head = tables.kifu.head[key.word[0] % kKifuRepSize];
  tables.kifu.entry[i] = {{key.word[0], key.word[1], key.word[2]}, 1, head};
  head = i;
}

const KKifuRepEntry* kifu_rep_find(const KHashKey& key) {
  for (uint32_t i = tables.kifu.head[key.word[0] % kKifuRepSize]; i != kNoEntry; i = tables.kifu.entry[i].next) {
    const KKifuRepEntry& e = tables.kifu.entry[i];
    if (e.word[0] == key.word[0] && e.word[1] == key.word[1] && e.word[2] == key.word[2]) return &e;
  }
  return nullptr;
}

}  // namespace board
