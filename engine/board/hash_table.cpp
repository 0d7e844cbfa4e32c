#include "engine/board/hash_table.h"

#include <algorithm>
#include <memory>
#include <type_traits>

#include "engine/board/fixed_divisor.h"
#include "platform/large_memory.h"

namespace board {

namespace {

constexpr uint32_t kNoEntry = kHashChainEnd;  // end of a chain, empty bucket
constexpr uint32_t kMinEntries = 5;        // the replacement scan visits five entries
constexpr int kReplaceVisits = 5;
// Depths from here on are never chosen by the replacement scan while a
// shallower entry is among those it visits.
constexpr int kProtectedDepth = 1000;
constexpr int kLearnedTag = 5;
constexpr int kPliesToTwelfths = 12;
// A clear empties the buckets of the used entries one by one while they are
// fewer than this share of the buckets, else writes every bucket.
constexpr uint32_t kSparseClearShare = 16;

// The pool and the heads are raw memory that entries are written into.
static_assert(std::is_trivially_default_constructible_v<KHashEntry> && std::is_trivially_destructible_v<KHashEntry>);

struct Table {
  // In large pages: the probes land anywhere in them.
  std::unique_ptr<KHashEntry[], platform::LargeFree> pool;
  std::unique_ptr<uint32_t[], platform::LargeFree> heads;
  // By bucket, a byte with one bit set for each entry on its chain (the bit
  // chosen by the entry's key, chain_sign); 0 for an empty chain. A probe
  // whose key's bit is clear meets no entry of its board on the chain and
  // misses without reading the head or the entries, which lie in memory the
  // caches hold little of; this array is an eighth of the heads' size. Bits
  // of entries that left a chain may stay set: a set bit only means "look".
  std::unique_ptr<uint8_t[], platform::LargeFree> signs;
  uint32_t capacity = 0;  // entries in the pool, and buckets
  KFixedDivisor buckets;   // by the capacity
  uint32_t used = 0;
  KHashStats stats{};
};

Table table;

inline uint32_t bucket_of(const KHashKey& key) { return table.buckets.Remainder(key.word[0]); }

// The key's bit in its bucket's sign byte. Taken from word 1, which all keys
// of one board share: a probe also uses entries of its board with another
// hand, so their bits must be the probing key's.
inline uint8_t chain_sign(const KHashKey& key) { return chain_sign_bit(key.word[1]); }

// Where a lookup of the key in bucket b starts: the first entry of the
// bucket's chain, or kNoEntry when the chain is empty or its sign rules out
// every entry of the key's board.
inline uint32_t chain_start_in(uint32_t b, const KHashKey& key) {
  return table.signs[b] & chain_sign(key) ? table.heads[b] : kNoEntry;
}
inline uint32_t chain_start(const KHashKey& key) { return chain_start_in(bucket_of(key), key); }

// The sign byte of bucket b made afresh from its chain.
void resign(uint32_t b) {
  uint8_t sign = 0;
  for (uint32_t i = table.heads[b]; i != kNoEntry; i = table.pool[i].next) sign |= chain_sign(table.pool[i].key);
  table.signs[b] = sign;
}

inline int entry_bound(const KHashEntry& e) { return e.flags >> 5; }
// The 5-bit tag, sign-extended.
inline int entry_tag(const KHashEntry& e) { return ((e.flags & 31) ^ 16) - 16; }
inline uint8_t make_flags(int bound, int tag) { return static_cast<uint8_t>((bound << 5) | (tag & 31)); }

uint32_t find_exact(const KHashKey& key) {
  if (table.capacity == 0) return kNoEntry;
  uint32_t i = chain_start(key);
  while (i != kNoEntry && !(table.pool[i].key == key)) i = table.pool[i].next;
  return i;
}

void fill(KHashEntry& e, const KHashKey& key, int depth, int bound, int value, uint32_t mark, int extension,
          KMoveWord extension_move, KMoveWord best_move, int tag) {
  e.key = key;
  e.best_move = best_move;
  e.extension_move = extension_move;
  e.value = static_cast<int16_t>(value);
  e.tsume_mark = static_cast<uint16_t>(mark);
  e.depth = static_cast<uint16_t>(depth);
  e.extension = static_cast<int8_t>(extension);
  e.flags = make_flags(bound, tag);
}

// Takes the next free pool entry for the key and puts it at the head of the
// key's chain; null when the pool is full.
KHashEntry* append(const KHashKey& key) {
  if (table.used >= table.capacity) return nullptr;
  const uint32_t i = table.used++;
  const uint32_t b = bucket_of(key);
  uint32_t& head = table.heads[b];
  table.pool[i].next = head;
  head = i;
  table.signs[b] |= chain_sign(key);
  return &table.pool[i];
}

// The entry for a key not in a full pool: the first entry of smallest depth
// among the five visited from the key's chain on through the following
// buckets' chains, moved to the head of the key's chain.
KHashEntry& recycle(const KHashKey& key) {
  struct Place {
    uint32_t index = kNoEntry, prev = kNoEntry, bucket = 0;
  };
  const uint32_t home = bucket_of(key);
  Place first, victim;
  int smallest = kProtectedDepth;
  int visited = 0;
  // A full pool holds at least five entries, all on chains, so one round of the
  // buckets meets five.
  for (uint32_t b = home; visited < kReplaceVisits; b = (b + 1) % table.capacity) {
    uint32_t prev = kNoEntry;
    for (uint32_t i = table.heads[b]; i != kNoEntry && visited < kReplaceVisits;
         prev = i, i = table.pool[i].next) {
      if (visited++ == 0) first = {i, prev, b};
      if (table.pool[i].depth < smallest) {
        smallest = table.pool[i].depth;
        victim = {i, prev, b};
      }
    }
  }
  if (victim.index == kNoEntry) victim = first;  // all five protected
  KHashEntry& e = table.pool[victim.index];
  if (victim.bucket != home) {
    (victim.prev == kNoEntry ? table.heads[victim.bucket] : table.pool[victim.prev].next) = e.next;
    e.next = table.heads[home];
    table.heads[home] = victim.index;
    resign(victim.bucket);
  }
  table.signs[home] |= chain_sign(key);
  return e;
}

// Whether a result of the same depth replaces the entry's.
bool equal_depth_replaces(const KHashEntry& e, int bound, int value) {
  const int old = entry_bound(e);
  if (old == bound) {
    if (bound == kBoundLower) return value > e.value;
    if (bound == kBoundUpper) return value < e.value;
    return false;
  }
  return bound == kBoundExact || old == kBoundNone;
}

}  // namespace

int hash_alloc(uint32_t size_kb) {
  const uint64_t n = static_cast<uint64_t>(size_kb) * 1024 / kHashBytesPerEntry;
  if (n < kMinEntries || n >= kNoEntry) return 1;
  std::unique_ptr<KHashEntry[], platform::LargeFree> pool(
      static_cast<KHashEntry*>(platform::large_alloc(n * sizeof(KHashEntry))));
  std::unique_ptr<uint32_t[], platform::LargeFree> heads(
      static_cast<uint32_t*>(platform::large_alloc(n * sizeof(uint32_t))));
  std::unique_ptr<uint8_t[], platform::LargeFree> signs(static_cast<uint8_t*>(platform::large_alloc(n)));
  if (!pool || !heads || !signs) return 1;
  table.pool = std::move(pool);
  table.heads = std::move(heads);
  table.signs = std::move(signs);
  table.capacity = static_cast<uint32_t>(n);
  table.buckets = KFixedDivisor(table.capacity);
  std::fill_n(table.heads.get(), table.capacity, kNoEntry);
  std::fill_n(table.signs.get(), table.capacity, 0);
  table.used = 0;
  table.stats = KHashStats{};
  return 0;
}

void hash_clear() {
  // Only the pool's first `used` entries lie on chains, each on the chain of
  // its key's bucket (an entry taken for a key is filled with that key at
  // once), so the other buckets are empty already. A think uses a small part
  // of a large table: emptying the buckets of its entries writes far less
  // than writing every bucket.
  if (table.used < table.capacity / kSparseClearShare) {
    for (uint32_t i = 0; i < table.used; ++i) {
      const uint32_t b = bucket_of(table.pool[i].key);
      table.heads[b] = kNoEntry;
      table.signs[b] = 0;
    }
  } else {
    std::fill_n(table.heads.get(), table.capacity, kNoEntry);
    std::fill_n(table.signs.get(), table.capacity, 0);
  }
  table.used = 0;
  table.stats = KHashStats{};
}

void hash_free() {
  table.pool.reset();
  table.heads.reset();
  table.signs.reset();
  table.capacity = 0;
  table.used = 0;
  table.stats = KHashStats{};
}

uint32_t hash_prefetch(const KHashKey& key) {
  if (table.capacity == 0) return 0;
  const uint32_t b = bucket_of(key);
  __builtin_prefetch(&table.signs[b]);
  __builtin_prefetch(&table.heads[b]);
  return b;
}

uint32_t hash_prefetch_entry_at(uint32_t bucket, const KHashKey& key) {
  if (table.capacity == 0) return kNoEntry;
  const uint32_t i = chain_start_in(bucket, key);
  if (i != kNoEntry) __builtin_prefetch(&table.pool[i]);
  return i;
}

uint32_t hash_prefetch_entry(const KHashKey& key) {
  if (table.capacity == 0) return kNoEntry;
  return hash_prefetch_entry_at(bucket_of(key), key);
}

namespace {

// The probe along the chain that starts at entry `first`.
[[gnu::noinline]] int probe_chain(uint32_t first, KHashProbe& node, KMoveWord move, int margin, int depth,
                                  int& exact_value, int& alpha, int beta, int& best) {
  const KHashKey& key = node.key;
  int required = depth;
  for (uint32_t i = first; i != kNoEntry; i = table.pool[i].next) {
    const KHashEntry& e = table.pool[i];
    if (e.key.word[0] != key.word[0] || e.key.word[1] != key.word[1]) continue;
    const int value = -e.value;
    const int bound = entry_bound(e);
    if (e.key.word[2] == key.word[2]) {
      ++table.stats.key_hits;
      node.hash_move = e.best_move;
      node.hash_stage = entry_tag(e);
      node.tsume_mark = e.tsume_mark;
      const int handed = (e.extension <= 0 || move == e.extension_move) ? e.extension : 0;
      node.table_ext = handed;
      if (e.extension > 0) required += handed;
      if (e.depth < required) continue;
      if (move != e.extension_move && (move == kNoMoveWord || e.extension_move == kNoMoveWord)) continue;
      switch (bound) {
        case kBoundLower:
          if (value > alpha) continue;
          ++table.stats.cuts;
          return kProbeAtAlpha;
        case kBoundUpper:
          if (value < beta) continue;
          if (margin < 0 && e.depth < required - margin) return kProbeTooShallow;
          alpha = value;
          ++table.stats.cuts;
          return kProbeAtBeta;
        case kBoundExact:
          ++table.stats.exact_hits;
          exact_value = value;
          if (value <= best) return kProbeExact;
          if (margin < 0 && e.depth < required - margin) return kProbeTooShallow;
          best = value;
          if (value <= alpha) return kProbeExact;
          alpha = value;
          return value < beta ? kProbeRaisedAlpha : kProbeAtBeta;
        default:
          continue;
      }
    }
    // The same board and side to move with another hand: usable for a bound that
    // the hand difference can only strengthen.
    if (!hash_hand_only_differs(e.key.word[2], key.word[2])) continue;
    if (e.depth < required || bound == kBoundNone) continue;
    uint32_t r = hash_hand_compare(key, e.key);
    if (r == 0) continue;
    // The hand is sente's: with gote to move, more of it is worse for the mover.
    if (key.word[2] & kHashSideBit) r = 3 - r;
    if (r == 1 && (bound == kBoundLower || bound == kBoundExact) && value <= alpha) {
      ++table.stats.cuts;
      return kProbeAtAlpha;
    }
    if (r == 2 && (bound == kBoundUpper || bound == kBoundExact) && value >= beta) {
      alpha = value;
      ++table.stats.cuts;
      return kProbeAtBeta;
    }
  }
  return kProbeMiss;
}

}  // namespace

int hash_probe(KHashProbe& node, KMoveWord move, int margin, int depth, int& exact_value, int& alpha,
               int beta, int& best) {
  ++table.stats.probes;
  if (table.capacity == 0) return kProbeMiss;
  // Most probes meet a chain with no entry of their board: they are answered
  // here, before the chain walk saves its registers.
  const uint32_t first = chain_start(node.key);
  if (first == kNoEntry) return kProbeMiss;
  return probe_chain(first, node, move, margin, depth, exact_value, alpha, beta, best);
}

int hash_probe_missed() {
  ++table.stats.probes;
  return kProbeMiss;
}

int hash_probe_from(uint32_t head, KHashProbe& node, KMoveWord move, int margin, int depth, int& exact_value,
                    int& alpha, int beta, int& best) {
  ++table.stats.probes;
  if (head == kNoEntry) return kProbeMiss;
  return probe_chain(head, node, move, margin, depth, exact_value, alpha, beta, best);
}

void hash_store(const KHashKey& key, int depth, int bound, int value, uint32_t tsume_mark, int extension,
                KMoveWord extension_move, KMoveWord best_move, int tag) {
  if (table.capacity == 0) return;
  const uint32_t i = find_exact(key);
  if (i != kNoEntry) {
    KHashEntry& e = table.pool[i];
    if (extension != 0) {
      e.extension = static_cast<int8_t>(extension);
      e.extension_move = extension_move;
    }
    if (e.depth > depth || (e.depth == depth && !equal_depth_replaces(e, bound, value))) return;
    e.depth = static_cast<uint16_t>(depth);
    e.value = static_cast<int16_t>(value);
    if (tsume_mark != 0) e.tsume_mark = static_cast<uint16_t>(tsume_mark);
    if (best_move != 0) {
      e.best_move = best_move;
      e.flags = make_flags(bound, tag);
    } else {
      e.flags = make_flags(bound, entry_tag(e));
    }
    return;
  }
  KHashEntry* e = append(key);
  fill(e ? *e : recycle(key), key, depth, bound, value, tsume_mark, extension, extension_move, best_move,
       tag);
}

KMoveWord hash_get_move(const KHashKey& key) {
  const uint32_t i = find_exact(key);
  return i == kNoEntry ? 0 : table.pool[i].best_move;
}

uint32_t hash_get_tsume_mark(const KHashKey& key) {
  const uint32_t i = find_exact(key);
  return i == kNoEntry ? 0 : table.pool[i].tsume_mark;
}

void hash_set_tsume_mark(const KHashKey& key, uint32_t mark) {
  if (table.capacity == 0) return;
  const uint32_t i = find_exact(key);
  if (i != kNoEntry) {
    table.pool[i].tsume_mark = static_cast<uint16_t>(mark);
  } else if (KHashEntry* e = append(key)) {
    fill(*e, key, 0, kBoundNone, kNoHashValue, mark, 0, 0, 0, kNoValueTag);
  }
}

void hash_store_extension(const KHashKey& key, int extension, KMoveWord move) {
  if (table.capacity == 0) return;
  const uint32_t i = find_exact(key);
  if (i != kNoEntry) {
    KHashEntry& e = table.pool[i];
    if (extension > e.extension) {
      e.extension = static_cast<int8_t>(extension);
      e.extension_move = move;
    }
  } else if (KHashEntry* e = append(key)) {
    fill(*e, key, 0, kBoundNone, kNoHashValue, 0, extension, move, 0, kNoValueTag);
  }
}

void hash_invalidate(const KHashKey& key) {
  const uint32_t i = find_exact(key);
  if (i == kNoEntry) return;
  KHashEntry& e = table.pool[i];
  e.depth = 0;
  e.value = kNoHashValue;
  e.flags = make_flags(kBoundNone, entry_tag(e));
}

void hash_preload_learned(const KLearnRecord* records, size_t count) {
  if (table.capacity != 0) {
    for (size_t i = count; i-- > 0;) {
      const KLearnRecord& r = records[i];
      if (find_exact(r.key) != kNoEntry) continue;
      hash_store(r.key, r.depth * kPliesToTwelfths, kBoundExact, r.value, 0, 0, 0, r.move,
                 r.move != kNoMoveWord ? kLearnedTag : 0);
      if (table.used > table.capacity / 10) break;
    }
  }
}

const KHashEntry* hash_entry(const KHashKey& key) {
  const uint32_t i = find_exact(key);
  return i == kNoEntry ? nullptr : &table.pool[i];
}

uint32_t hash_capacity() { return table.capacity; }
uint32_t hash_used() { return table.used; }
KHashStats hash_stats() { return table.stats; }

}  // namespace board
