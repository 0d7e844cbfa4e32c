// The mate solver's node table: a chained hash table of fixed-size proof-number
// nodes keyed by the position key, allocated in blocks and reused through a
// free list. Lookups use hand dominance: a position proven with some pieces in
// the attacker's hand is proven with more, one disproven with some is
// disproven with fewer.
#pragma once

#include <cstdint>

#include "engine/board/fixed_divisor.h"
#include "engine/board/hash_key.h"

namespace tsume {

using board::KHashKey;

constexpr int32_t kInf = 0x20000000;  // an infinite proof or disproof number
constexpr int32_t kCap = kInf - 300;  // the largest finite sum or threshold
constexpr uint32_t kNoNode = 0xFFFFFFFFu;

// Node move codes with a meaning of their own.
constexpr uint16_t kNoNodeMove = 0;
constexpr uint16_t kTerminalMove = 65535;  // mated, or a solution-tree leaf

// Node flags.
constexpr uint8_t kFlagOnPath = 1;
constexpr uint8_t kFlagHasPathVariant = 2;
constexpr uint8_t kFlagFixedProof = 4;
// A disproof that holds within its depth word only: no mate within that many
// plies (the depth-bounded searches' entries).
constexpr uint8_t kFlagBoundedDisproof = 8;
constexpr uint8_t kFlagPawnDropMate = 16;  // the result depends on a drop-pawn mate below
constexpr uint8_t kFlagMateInOneTried = 32;
constexpr uint8_t kFlagTreeNode = 64;
// The result holds for this very hand only: hand dominance may not carry it to
// another (a result that leaned on a futile interposition, whose judgement can
// turn either way with one piece more or less in the attacker's hand).
constexpr uint8_t kFlagExactHand = 128;

// The depth word: the length in plies of the mate a proven entry (or a tree
// node) proves, the bound of a bounded disproof, else the smallest ply at which
// the position was reached, lowered further by the proof-number search to the
// depth word of a child it holds back (one first reached at or above it), so
// that the node's own parents hold it back in turn.
constexpr uint32_t kDepthMask = 0x3FFF;
constexpr int kNoLength = kDepthMask;  // a length or bound beyond every search

struct KTsumeNode {
  KHashKey key;       // word 2 bits 0-20: the attacker's hand (a proof or disproof hand)
  uint32_t path_key;  // 0 plain; else the one path this entry is valid on
  uint32_t next;      // next node of the bucket chain or the free list
  uint32_t work;      // effort spent below the node
  int32_t pn;
  int32_t dn;
  uint16_t move;      // best move (node move coding), 65535 terminal, 0 none
  uint16_t depth;     // smallest ply reached; tree nodes: quality << 14 | length
  uint8_t flags;
  uint8_t cut;        // a path entry's disproof rests on a line the depth limit cut
  // The smallest ply at which the position was reached, which held-back
  // children leave alone: with it and the depth word the proof-number search
  // tells which children were first reached below a node (search_visits.h).
  // Kept up to date on open entries; a decided one keeps the ply of its making.
  uint16_t first_ply;
};
static_assert(sizeof(KTsumeNode) == 40, "nodes are allocated in blocks of 40-byte records");

constexpr uint32_t kBytesPerNode = sizeof(KTsumeNode) + sizeof(uint32_t);  // node and bucket head: 44

// A node index is the block number shifted by `index_shift` and the node's
// place in its block, so that reaching a node takes no division. The nodes of
// the allocated blocks that no one has used since the last reset are handed
// out in order (`fresh` counts those handed out); nodes given back wait in the
// free list. A reset therefore touches the buckets only, and of those only the
// ones that received a node since the last reset while they are few: a table
// that served a handful of short searches is emptied without sweeping every
// bucket.
struct KTsumeTable {
  uint32_t capacity = 0;      // total nodes of all the blocks the table may have
  uint32_t bucket_count = 0;
  board::KFixedDivisor bucket_divisor;  // by the bucket count
  KTsumeNode** blocks = nullptr;
  uint32_t* buckets = nullptr;  // head node index per bucket
  // By bucket, a byte with one bit set for each node linked into it since the
  // reset (the bit chosen by the node's key, tsume_chain_sign). A lookup whose
  // key's bit is clear meets no node of its board in the chain and answers
  // without reading the head or the nodes, which lie in memory the caches
  // hold little of. A node that leaves its chain may leave its bit set: a set
  // bit only means "look".
  uint8_t* signs = nullptr;
  uint32_t free_head = kNoNode;
  uint32_t used = 0;
  uint32_t gc_threshold = 0;
  uint32_t max_blocks = 0;
  uint32_t blocks_allocated = 0;
  uint32_t nodes_per_block = 0;
  uint32_t kb_per_block = 0;
  uint8_t grow = 0;  // 1: add blocks, then collect garbage; 0: evict single nodes
  uint32_t index_shift = 0;
  uint32_t fresh = 0;  // nodes of the allocated blocks handed out since the reset
  // Buckets that turned from empty to used since the reset, in order (a
  // bucket emptied and used again appears twice); a count beyond the capacity
  // means too many to list, and the reset clears them all.
  uint32_t* touched = nullptr;
  uint32_t touched_capacity = 0;
  uint32_t touched_count = 0;

  KTsumeNode& at(uint32_t i) { return blocks[i >> index_shift][i & ((1u << index_shift) - 1)]; }
  const KTsumeNode& at(uint32_t i) const { return blocks[i >> index_shift][i & ((1u << index_shift) - 1)]; }
};

// The table's shape for a memory size: buckets = mem_kb x 1024 / 44 (in 64-bit
// arithmetic), blocks = ceil(mem_kb / kb_per_block), nodes per block = buckets
// / blocks. False for a size that gives no bucket, no node per block or more
// nodes than a 32-bit index reaches.
struct TableShape {
  uint32_t bucket_count;
  uint32_t max_blocks;
  uint32_t nodes_per_block;
  uint32_t capacity;
  uint32_t index_shift;  // bits of a node's place in its block
};
bool tsume_table_shape(uint64_t mem_kb, uint64_t kb_per_block, TableShape& out);

// Sizes the table for mem_kb (kb_per_block must be set), allocates the bucket
// and block arrays and the first block. False (table left empty, nothing
// allocated) when the size is refused or an allocation fails.
bool tsume_table_init(KTsumeTable& t, uint64_t mem_kb);
// Allocates one more block, whose nodes become free; false when the table has
// all its blocks or the allocation fails.
bool tsume_table_add_block(KTsumeTable& t);
// Empties every bucket and makes every node of the allocated blocks free.
void tsume_table_reset(KTsumeTable& t);
// Frees the blocks and both arrays.
void tsume_table_free_blocks(KTsumeTable& t);

// The plain node answering the key: the identical entry, or at once a proven
// entry whose hand the key's dominates, or a disproven one whose hand dominates
// the key's; with a path key, an entry of the identical key made for that path
// wins. Null when none. Inline up to the bucket's head, as most probes of a
// search meet an empty bucket; the walk of a chain from its head is out of line.
KTsumeNode* tsume_lookup_chain(KTsumeTable& t, uint32_t head, const KHashKey& key, uint32_t path_key);
// The key's bit in its bucket's sign byte. Taken from word 0, which (with
// word 1, which picks the bucket) every key of one board shares: a lookup also
// answers with nodes of its board with another hand.
inline uint8_t tsume_chain_sign(const KHashKey& key) { return board::chain_sign_bit(key.word[0]); }
// Where a lookup of the key starts: the first node of its bucket, or kNoNode
// when the bucket is empty or its sign rules out every node of the key's board.
inline uint32_t tsume_bucket_head(const KTsumeTable& t, const KHashKey& key) {
  if (t.buckets == nullptr) return kNoNode;
  const uint32_t b = t.bucket_divisor.Remainder(key.word[1]);
  return t.signs[b] & tsume_chain_sign(key) ? t.buckets[b] : kNoNode;
}
inline KTsumeNode* tsume_lookup_path(KTsumeTable& t, const KHashKey& key, uint32_t path_key) {
  const uint32_t head = tsume_bucket_head(t, key);
  return head == kNoNode ? nullptr : tsume_lookup_chain(t, head, key, path_key);
}
inline KTsumeNode* tsume_lookup(KTsumeTable& t, const KHashKey& key) { return tsume_lookup_path(t, key, 0); }
// The plain node with the identical key, or null (solution trees).
KTsumeNode* tsume_lookup_exact(KTsumeTable& t, const KHashKey& key);
// Asks the processor for the bucket (head and sign) of the key ahead of its lookup, so
// that the lookups of a node's children wait on memory together.
inline void tsume_prefetch(const KTsumeTable& t, const KHashKey& key) {
  if (t.buckets == nullptr) return;
  const uint32_t b = t.bucket_divisor.Remainder(key.word[1]);
  __builtin_prefetch(&t.signs[b]);
  __builtin_prefetch(&t.buckets[b]);
}

// Stores numbers for the key at the given ply: an open result updates the
// identical plain entries, a disproof also drops the plain entries of weaker
// hands it now covers (or, with a path key, becomes a path-specific entry), a
// proof updates the identical entries that are not fixed. A new node is taken
// from the free list when none matched. Null when the table has no node left.
KTsumeNode* tsume_store(KTsumeTable& t, int ply, const KHashKey& key, uint32_t path_key, int32_t pn, int32_t dn);
inline KTsumeNode* tsume_store_plain(KTsumeTable& t, int ply, const KHashKey& key, int32_t pn, int32_t dn) {
  return tsume_store(t, ply, key, 0, pn, dn);
}
// tsume_store of open numbers (both finite) under the key, no path key, by a
// caller that holds the key's plain entry (null: none known): the entry takes
// them in place when the table has a free node, as the store would leave it
// (its chain holds no other plain entry of the key); otherwise, or for numbers
// that are not open, the store runs as usual.
KTsumeNode* tsume_store_open(KTsumeTable& t, KTsumeNode* plain, int ply, const KHashKey& key, int32_t pn, int32_t dn);
// A solution-tree node: the identical entry updated or a new one (adding a
// block when the table may grow). Null when full.
KTsumeNode* tsume_tree_store(KTsumeTable& t, const KHashKey& key, int32_t pn, int32_t dn);
// Stores a disproof that holds only on this path (a repetition), with its move.
KTsumeNode* tsume_store_loop_disproof(KTsumeTable& t, int ply, const KHashKey& key, uint32_t path_key,
                                      uint16_t move);
// The entry of the identical key and path key (0: plain), or a new one in the
// key's bucket (numbers (1, 1), work 1, depth word = ply) for the caller to
// fill. Null when the table has no node left.
KTsumeNode* tsume_find_or_add(KTsumeTable& t, int ply, const KHashKey& key, uint32_t path_key = 0);
// The proven plain entry answering the key with the shortest mate: the
// identical entry, or one whose hand the key's dominates (unless it holds for
// its own hand only). Null when none.
const KTsumeNode* tsume_lookup_shortest_proof(const KTsumeTable& t, const KHashKey& key);
// Stores a proof of the given length: the identical plain entry takes it unless
// it already proves a mate as short (or is a fixed proof); else a new entry.
// The entry, or null when the table has no node left.
KTsumeNode* tsume_store_proof(KTsumeTable& t, int ply, const KHashKey& key, uint16_t move, int length,
                              uint8_t flags);
// Frees the bounded disproofs (flag kFlagBoundedDisproof) of the key's board,
// plain path, that a new one of the key with the given bound covers: hands the
// key's dominates, bounds no larger, neither held for their own hand only nor
// protected.
void tsume_drop_covered_bounds(KTsumeTable& t, const KHashKey& key, int bound);
// Gives every proven entry of the key's board whose hand the key's equals or
// dominates the numbers (pn, dn).
void tsume_demote_proven(KTsumeTable& t, const KHashKey& key, int32_t pn, int32_t dn);

// Frees one node of a table that does not grow: the cheapest unprotected node
// met in a scan of at most 100 nodes from the key's bucket on. False when none
// could be freed.
bool tsume_node_evict(KTsumeTable& t, const KHashKey& key);
// Frees the nodes of least work until more than 30% of the table is free, or
// nothing unprotected is left. Nodes on the path, fixed proofs and tree nodes
// are never freed. Returns the number freed.
uint32_t tsume_gc(KTsumeTable& t);

// Frees the disproofs that rest on a line the depth limit cut (path entries
// marked `cut`): they do not hold once the limit is raised. Returns how many.
uint32_t tsume_table_drop_cut_entries(KTsumeTable& t);

// The hand bits of a key and a key with its hand bits replaced.
inline uint32_t key_hand(const KHashKey& k) { return k.word[2] & board::kHashHandBits; }
inline KHashKey with_hand(KHashKey k, uint32_t hand) {
  k.word[2] = (k.word[2] & ~board::kHashHandBits) | (hand & board::kHashHandBits);
  return k;
}

}  // namespace tsume
