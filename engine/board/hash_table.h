// The transposition table: one process-wide pool of fixed-size entries in
// chained buckets, sized once from a memory budget. The search probes and stores
// at every node; the mate checks keep a per-position mark in it, the extensions
// a remembered extension for one move, and a think preloads its learning records.
// A probe also uses an entry of the same board whose packed hand dominates or is
// dominated by the probed one. Used on the computer thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"

namespace board {

// Bound types of an entry (bits 5-7 of its flags).
enum HashBound : int { kBoundNone = 0, kBoundLower = 1, kBoundUpper = 2, kBoundExact = 3 };

// Results of hash_probe.
enum HashProbeResult : int {
  kProbeMiss = 0,          // no usable entry
  kProbeAtBeta = 1,        // the value reaches beta: alpha takes it, a cut
  kProbeAtAlpha = 2,       // the value is at or below alpha: the move needs no search
  kProbeExact = 3,         // an exact value that raised neither best nor alpha
  kProbeRaisedAlpha = 4,   // an exact value that raised alpha, still below beta
  kProbeTooShallow = 5,    // would cut, but the entry misses the depth a negative margin asks
};

constexpr int kNoHashValue = 32767;        // the value of an entry that holds no score
constexpr uint32_t kNoMateMark = 32512;    // a mate search from the position found nothing
constexpr int kNoValueTag = 31;            // tag of an entry made only for a mark or an extension

struct KHashEntry {
  KHashKey key;
  uint32_t next;             // pool index of the next entry of the bucket chain
  KMoveWord best_move;       // 0 none
  KMoveWord extension_move;  // the move the extension belongs to; 253 a pass context
  int16_t value;             // as stored; the probe returns its negation
  uint16_t tsume_mark;       // mate-search mark, 0 none
  uint16_t depth;            // remaining depth in twelfths of a ply
  int8_t extension;          // in twelfths of a ply
  uint8_t flags;             // bits 0-4 the tag (signed), bits 5-7 the bound type
};

static_assert(sizeof(KHashEntry) == 32);

// The memory budget per entry: the entry and its bucket head (the bucket's
// one-byte chain sign comes on top).
constexpr uint32_t kHashBytesPerEntry = sizeof(KHashEntry) + sizeof(uint32_t);
static_assert(kHashBytesPerEntry == 36);

// A learning record as a think leaves it behind: the position, the depth in
// plies, the value for the side to move and the best move (253 none).
struct KLearnRecord {
  KHashKey key;
  int16_t depth;
  int16_t value;
  KMoveWord move;
};

static_assert(sizeof(KLearnRecord) == 20);

struct KHashStats {
  uint32_t probes;      // probes made
  uint32_t key_hits;    // probes that met the exact key
  uint32_t cuts;        // probes that ended in a cut
  uint32_t exact_hits;  // probes that met an exact bound
};

// Allocates the table for a budget of `size_kb` kilobytes: size x 1024 / 36
// entries and as many buckets, empty. 0 on success; 1 when the budget gives
// fewer than 5 entries, more than 32-bit indices reach, or the memory is not
// there (a table allocated before then stays as it was).
int hash_alloc(uint32_t size_kb);
// Empties the table (the pool's contents are left, unreachable).
void hash_clear();
// Releases the table; until the next hash_alloc every probe misses and every
// store does nothing.
void hash_free();

// What a probe is given and fills: the probed key, and of an entry of that key
// its best move, tag, mate mark and extension. The search's node context starts
// with it.
struct KHashProbe {
  KHashKey key;          // the probed key
  uint32_t hash_move;    // the entry's best move (KMoveWord), 0 none
  int32_t hash_stage;    // its stage tag, a signed 5-bit value
  int32_t table_ext;     // the entry's extension in twelfths of a ply, 0 when none applies
  int32_t tsume_mark;    // its mate-search mark (16 bits)
};

// Looks up the node's key. An entry of the exact key hands its best move, tag,
// mate mark and extension to the node (the extension only when it is not
// positive or belongs to `move`), then answers when it is deep enough for
// `depth` (raised by a positive extension handed over). An entry of the same
// board with a dominating or dominated hand answers only fail-low or fail-high.
// Updates `alpha`, `best` and `exact_value` as the result says.
int hash_probe(KHashProbe& node, KMoveWord move, int margin, int depth, int& exact_value, int& alpha,
               int beta, int& best);

// Asks the processor to bring the key's bucket (its head and chain sign) into
// the cache, ahead of a probe or store of the key; changes nothing. Returns the
// bucket, for hash_prefetch_entry_at: a list that asks for its next move's
// bucket ahead finds it once.
uint32_t hash_prefetch(const KHashKey& key);
// Asks for the first entry of the key's bucket chain as well (reading the
// bucket, which an earlier hash_prefetch of the key should have brought), and
// returns where a probe of the key starts for hash_probe_from: that head, or
// kHashChainEnd when the chain's sign rules out every entry of the key's
// board.
uint32_t hash_prefetch_entry(const KHashKey& key);
// hash_prefetch_entry of a key whose bucket hash_prefetch returned.
uint32_t hash_prefetch_entry_at(uint32_t bucket, const KHashKey& key);
// Where a probe starts when no entry of the key's board can be on the chain.
constexpr uint32_t kHashChainEnd = 0xFFFFFFFF;
// hash_probe of the key whose start hash_prefetch_entry returned, with
// nothing stored in the table since: the same answer without finding the
// bucket again.
int hash_probe_from(uint32_t head, KHashProbe& node, KMoveWord move, int margin, int depth, int& exact_value,
                    int& alpha, int beta, int& best);
// hash_probe_from for the start kHashChainEnd: the probe is counted and
// misses. Most probes of the search start there, and this call needs none of
// the probe's arguments.
int hash_probe_missed();

// Stores a result for the key, updating its entry by the replacement rules; a
// new key takes the next free entry, or, with the pool full, the shallowest of
// five entries visited from the key's bucket on.
void hash_store(const KHashKey& key, int depth, int bound, int value, uint32_t tsume_mark, int extension,
                KMoveWord extension_move, KMoveWord best_move, int tag);

// The stored best move, 0 when the key is absent.
KMoveWord hash_get_move(const KHashKey& key);
// The mate-search mark, 0 when the key is absent.
uint32_t hash_get_tsume_mark(const KHashKey& key);
// Sets the mark, adding an entry that holds no score when the key is absent and
// the pool is not full.
void hash_set_tsume_mark(const KHashKey& key, uint32_t mark);
// Remembers a larger extension for `move`, adding an entry that holds no score
// when the key is absent and the pool is not full.
void hash_store_extension(const KHashKey& key, int extension, KMoveWord move);
// Makes the key's entry hold no score (depth 0, no bound); its tag stays.
void hash_invalidate(const KHashKey& key);

// Stores learning records (oldest first in the array) from the newest back, as
// exact values at depth x 12, until more than a tenth of the pool is in use. A
// record whose position already has an entry is passed over, so the newest
// record of a position is the one kept.
void hash_preload_learned(const KLearnRecord* records, size_t count);

// Inspection: the exact entry of a key (null when absent), the capacity, the
// entries in use and the statistics counters.
const KHashEntry* hash_entry(const KHashKey& key);
uint32_t hash_capacity();
uint32_t hash_used();
KHashStats hash_stats();

}  // namespace board
