#include "engine/tsume/tsume_table.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <new>

#include "platform/large_memory.h"

namespace tsume {

namespace {

using board::hash_hand_compare;

constexpr int kEvictScan = 100;
// A reset clears the listed buckets one by one while they number at most one
// in 16 of all: each may sit on a cache line of its own, and 16 heads share a
// line, so beyond that the sweep of the whole array touches fewer lines.
constexpr uint32_t kTouchedShare = 16;

uint32_t bucket_of(const KTsumeTable& t, uint32_t word) { return t.bucket_divisor.Remainder(word); }

bool same_board(const KTsumeNode& n, const KHashKey& k) {
  return n.key.word[0] == k.word[0] && n.key.word[1] == k.word[1];
}
bool identical(const KTsumeNode& n, const KHashKey& k) { return same_board(n, k) && n.key.word[2] == k.word[2]; }
// Same board, same side to move and random bits: the hands may be compared.
bool comparable(const KTsumeNode& n, const KHashKey& k) {
  return same_board(n, k) && board::hash_hand_only_differs(n.key.word[2], k.word[2]);
}
bool proven(const KTsumeNode& n) { return n.dn >= kInf; }
bool disproven(const KTsumeNode& n) { return n.pn >= kInf; }

uint32_t free_nodes(const KTsumeTable& t) {
  return t.blocks_allocated * t.nodes_per_block - t.used;
}

// The index of the n-th node of the allocated blocks.
uint32_t node_index(const KTsumeTable& t, uint32_t n) {
  return (n / t.nodes_per_block) << t.index_shift | n % t.nodes_per_block;
}

void free_push(KTsumeTable& t, uint32_t idx) {
  t.at(idx).next = t.free_head;
  t.free_head = idx;
  --t.used;
}

// Walks a chain, unlinking the nodes `drop` asks for; `visit` sees the others.
template <class Drop, class Visit>
void walk_chain(KTsumeTable& t, uint32_t bucket, Drop&& drop, Visit&& visit) {
  uint32_t* link = &t.buckets[bucket];
  while (*link != kNoNode) {
    const uint32_t idx = *link;
    KTsumeNode& n = t.at(idx);
    if (drop(n)) {
      *link = n.next;
      free_push(t, idx);
    } else {
      visit(n);
      link = &n.next;
    }
  }
}

// Refills the free list by the table's rule; false when no node can be had.
bool supply(KTsumeTable& t, const KHashKey& key) {
  if (t.grow == 0) return tsume_node_evict(t, key);
  if (t.blocks_allocated < t.max_blocks && tsume_table_add_block(t)) return true;
  return tsume_gc(t) > 0;
}

bool ensure_free(KTsumeTable& t, const KHashKey& key, uint32_t count) {
  if (t.blocks == nullptr) return false;
  while (free_nodes(t) < count) {
    if (!supply(t, key)) return false;
  }
  return true;
}

// A node from the free list, filled and pushed at the head of its bucket.
KTsumeNode* take_node(KTsumeTable& t, uint32_t bucket, const KHashKey& key, uint32_t path_key, int32_t pn,
                      int32_t dn, int ply) {
  uint32_t idx = t.free_head;
  if (idx != kNoNode) {
    t.free_head = t.at(idx).next;
  } else if (t.fresh < t.blocks_allocated * t.nodes_per_block) {
    idx = node_index(t, t.fresh++);
  } else {
    return nullptr;
  }
  KTsumeNode& n = t.at(idx);
  ++t.used;
  // The list has a slot beyond its capacity: filling it marks the overflow.
  if (t.buckets[bucket] == kNoNode && t.touched_count <= t.touched_capacity) t.touched[t.touched_count++] = bucket;
  n = KTsumeNode{};
  n.key = key;
  n.path_key = path_key;
  n.work = 1;
  n.pn = pn;
  n.dn = dn;
  n.depth = static_cast<uint16_t>(ply & kDepthMask);
  n.first_ply = static_cast<uint16_t>(ply & kDepthMask);
  n.next = t.buckets[bucket];
  t.buckets[bucket] = idx;
  t.signs[bucket] |= tsume_chain_sign(key);
  return &n;
}

KTsumeNode* find_path_node(KTsumeTable& t, uint32_t bucket, const KHashKey& key, uint32_t path_key) {
  for (uint32_t i = t.buckets[bucket]; i != kNoNode; i = t.at(i).next) {
    KTsumeNode& n = t.at(i);
    if (n.path_key == path_key && identical(n, key)) return &n;
  }
  return nullptr;
}

}  // namespace

KTsumeNode* tsume_lookup_chain(KTsumeTable& t, uint32_t head, const KHashKey& key, uint32_t path_key) {
  KTsumeNode* same = nullptr;
  for (uint32_t i = head; i != kNoNode; i = t.at(i).next) {
    KTsumeNode& n = t.at(i);
    if (!same_board(n, key)) continue;
    if (n.path_key != 0) {
      if (path_key != 0 && n.path_key == path_key && n.key.word[2] == key.word[2]) return &n;
      continue;
    }
    if (n.key.word[2] == key.word[2]) {
      same = &n;
      continue;
    }
    // Only a decided entry can answer a key of another hand: an open one is
    // passed over before its hands are compared.
    if (!comparable(n, key) || !(proven(n) || disproven(n))) continue;
    const uint32_t c = hash_hand_compare(key, n.key);
    if ((c == 1 && proven(n)) || (c == 2 && disproven(n))) return &n;
  }
  if (same != nullptr && path_key != 0 && (same->flags & kFlagHasPathVariant)) {
    if (KTsumeNode* p = find_path_node(t, bucket_of(t, path_key), key, path_key)) return p;
  }
  return same;
}

namespace {

void lower_depth(KTsumeNode* n, int ply) {
  if (n == nullptr || proven(*n)) return;
  if (static_cast<int>(n->depth & kDepthMask) > ply) {
    n->depth = static_cast<uint16_t>((n->depth & ~kDepthMask) | (ply & kDepthMask));
  }
  if (n->first_ply > ply) n->first_ply = static_cast<uint16_t>(ply & kDepthMask);
}

// The entry of the key on one path: found or taken (with the numbers given)
// in the bucket of its path key, where the lookup of a plain entry marked as
// having a path variant searches for it. A position reached along many paths
// and refuted by a repetition on each gets an entry for every path; kept in
// the key's own chain, they made it thousands of nodes long, walked by every
// lookup of the position's board, and a solve's rate fell a hundredfold.
KTsumeNode* path_entry(KTsumeTable& t, int ply, const KHashKey& key, uint32_t path_key, int32_t pn, int32_t dn) {
  const uint32_t bucket = bucket_of(t, path_key);
  if (KTsumeNode* n = find_path_node(t, bucket, key, path_key)) {
    n->pn = pn;
    n->dn = dn;
    return n;
  }
  return take_node(t, bucket, key, path_key, pn, dn, ply);
}

}  // namespace

bool tsume_table_shape(uint64_t mem_kb, uint64_t kb_per_block, TableShape& out) {
  if (mem_kb == 0 || kb_per_block == 0) return false;
  const uint64_t buckets = mem_kb * 1024 / kBytesPerNode;
  const uint64_t blocks = (mem_kb + kb_per_block - 1) / kb_per_block;
  if (buckets == 0 || buckets >= kNoNode) return false;
  const uint64_t per_block = buckets / blocks;
  if (per_block == 0) return false;
  const uint64_t capacity = per_block * blocks;
  const uint32_t shift = static_cast<uint32_t>(std::bit_width(per_block - 1));
  // The largest index, the last node of the last block, must stay below kNoNode.
  if (capacity >= kNoNode || ((blocks - 1) << shift) + per_block >= kNoNode) return false;
  out = TableShape{static_cast<uint32_t>(buckets), static_cast<uint32_t>(blocks), static_cast<uint32_t>(per_block),
                   static_cast<uint32_t>(capacity), shift};
  return true;
}

bool tsume_table_init(KTsumeTable& t, uint64_t mem_kb) {
  TableShape shape;
  if (!tsume_table_shape(mem_kb, t.kb_per_block, shape)) return false;
  t.bucket_count = shape.bucket_count;
  t.bucket_divisor = board::KFixedDivisor(shape.bucket_count);
  t.max_blocks = shape.max_blocks;
  t.nodes_per_block = shape.nodes_per_block;
  t.capacity = shape.capacity;
  t.index_shift = shape.index_shift;
  // The buckets and the blocks in large pages: the lookups land anywhere in them.
  t.buckets = static_cast<uint32_t*>(platform::large_alloc(sizeof(uint32_t) * shape.bucket_count));
  t.signs = static_cast<uint8_t*>(platform::large_alloc(shape.bucket_count));
  t.blocks = static_cast<KTsumeNode**>(std::calloc(shape.max_blocks, sizeof(KTsumeNode*)));
  t.touched_capacity = shape.bucket_count / kTouchedShare;
  t.touched = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * (t.touched_capacity + 1)));
  t.blocks_allocated = 0;
  if (t.buckets == nullptr || t.signs == nullptr || t.blocks == nullptr || t.touched == nullptr ||
      !tsume_table_add_block(t)) {
    tsume_table_free_blocks(t);
    return false;
  }
  t.touched_count = t.touched_capacity + 1;  // fresh memory: every bucket is cleared
  tsume_table_reset(t);
  return true;
}

bool tsume_table_add_block(KTsumeTable& t) {
  if (t.blocks == nullptr || t.blocks_allocated >= t.max_blocks) return false;
  auto* block = static_cast<KTsumeNode*>(platform::large_alloc(sizeof(KTsumeNode) * size_t{t.nodes_per_block}));
  if (block == nullptr) return false;
  // Its nodes follow the fresh ones of the earlier blocks.
  t.blocks[t.blocks_allocated++] = block;
  return true;
}

void tsume_table_reset(KTsumeTable& t) {
  if (t.buckets == nullptr) return;
  if (t.touched_count <= t.touched_capacity) {
    for (uint32_t i = 0; i < t.touched_count; ++i) {
      t.buckets[t.touched[i]] = kNoNode;
      t.signs[t.touched[i]] = 0;
    }
  } else {
    std::fill(t.buckets, t.buckets + t.bucket_count, kNoNode);
    std::fill(t.signs, t.signs + t.bucket_count, 0);
  }
  t.touched_count = 0;
  t.free_head = kNoNode;
  t.fresh = 0;
  t.used = 0;
}

void tsume_table_free_blocks(KTsumeTable& t) {
  if (t.blocks != nullptr) {
    for (uint32_t i = 0; i < t.blocks_allocated; ++i) platform::large_free(t.blocks[i]);
  }
  std::free(t.blocks);
  platform::large_free(t.buckets);
  platform::large_free(t.signs);
  std::free(t.touched);
  t.blocks = nullptr;
  t.buckets = nullptr;
  t.signs = nullptr;
  t.touched = nullptr;
  t.touched_capacity = 0;
  t.touched_count = 0;
  t.blocks_allocated = 0;
  t.free_head = kNoNode;
  t.fresh = 0;
  t.used = 0;
}

KTsumeNode* tsume_lookup_exact(KTsumeTable& t, const KHashKey& key) {
  if (t.buckets == nullptr) return nullptr;
  for (uint32_t i = t.buckets[bucket_of(t, key.word[1])]; i != kNoNode; i = t.at(i).next) {
    KTsumeNode& n = t.at(i);
    if (n.path_key == 0 && identical(n, key)) return &n;
  }
  return nullptr;
}

KTsumeNode* tsume_store(KTsumeTable& t, int ply, const KHashKey& key, uint32_t path_key, int32_t pn, int32_t dn) {
  // Secure the nodes a creation may need before the chain is read, so that an
  // eviction or a collection cannot free a node this store is about to change.
  if (!ensure_free(t, key, path_key != 0 ? 2 : 1)) return nullptr;
  const uint32_t bucket = bucket_of(t, key.word[1]);
  KTsumeNode* result = nullptr;
  KTsumeNode* plain = nullptr;
  if (pn < kInf && dn < kInf) {
    walk_chain(t, bucket, [](KTsumeNode&) { return false; },
               [&](KTsumeNode& n) {
                 if (!identical(n, key)) return;
                 if (n.path_key == 0 || n.path_key == path_key) {
                   n.pn = pn;
                   n.dn = dn;
                   if (n.path_key == path_key) result = &n;
                 }
               });
  } else if (pn >= kInf) {
    walk_chain(
        t, bucket,
        [&](KTsumeNode& n) {
          // A plain entry of a weaker hand is covered by the new disproof.
          return path_key == 0 && n.path_key == 0 && (n.flags & (kFlagOnPath | kFlagFixedProof | kFlagTreeNode)) == 0 &&
                 !identical(n, key) && comparable(n, key) && hash_hand_compare(key, n.key) == 1;
        },
        [&](KTsumeNode& n) {
          if (!identical(n, key)) return;
          if (n.path_key == path_key) {
            n.pn = kInf;
            n.dn = dn;
            result = &n;
          } else if (n.path_key == 0 && path_key != 0) {
            n.pn = 1;
            n.dn = 1;
            n.flags |= kFlagHasPathVariant;
            plain = &n;
          }
        });
  } else {
    walk_chain(t, bucket, [](KTsumeNode&) { return false; },
               [&](KTsumeNode& n) {
                 if (n.path_key != 0 || !identical(n, key)) return;
                 if ((n.flags & kFlagFixedProof) == 0) {
                   n.pn = pn;
                   n.dn = kInf;
                 }
                 result = &n;
               });
  }
  if (result == nullptr && path_key != 0) {
    if (plain == nullptr) {
      plain = take_node(t, bucket, key, 0, 1, 1, ply);
      plain->flags = kFlagHasPathVariant;
    }
    result = path_entry(t, ply, key, path_key, pn, dn);
  } else if (result == nullptr) {
    result = take_node(t, bucket, key, 0, pn, dn, ply);
  }
  lower_depth(result, ply);
  return result;
}

KTsumeNode* tsume_store_open(KTsumeTable& t, KTsumeNode* plain, int ply, const KHashKey& key, int32_t pn, int32_t dn) {
  // With a free node the store would secure nothing and change, of the whole
  // chain, the key's one plain entry.
  if (plain != nullptr && pn < kInf && dn < kInf && t.blocks != nullptr && free_nodes(t) >= 1) {
    plain->pn = pn;
    plain->dn = dn;
    lower_depth(plain, ply);
    return plain;
  }
  return tsume_store(t, ply, key, 0, pn, dn);
}

KTsumeNode* tsume_tree_store(KTsumeTable& t, const KHashKey& key, int32_t pn, int32_t dn) {
  if (t.buckets == nullptr) return nullptr;
  if (KTsumeNode* n = tsume_lookup_exact(t, key)) {
    n->pn = pn;
    n->dn = dn;
    return n;
  }
  if (free_nodes(t) == 0 && !tsume_table_add_block(t)) return nullptr;
  return take_node(t, bucket_of(t, key.word[1]), key, 0, pn, dn, 0);
}

KTsumeNode* tsume_store_loop_disproof(KTsumeTable& t, int ply, const KHashKey& key, uint32_t path_key,
                                      uint16_t move) {
  // Both nodes a path entry may need are secured first: a node freed to make
  // room must not be one this store has just taken.
  if (!ensure_free(t, key, path_key != 0 ? 2 : 1)) return nullptr;
  const uint32_t bucket = bucket_of(t, key.word[1]);
  KTsumeNode* result = nullptr;
  KTsumeNode* plain = tsume_lookup_exact(t, key);
  if (path_key == 0) {
    result = plain != nullptr ? plain : take_node(t, bucket, key, 0, kInf, 0, ply);
    plain = nullptr;
  } else {
    if (plain == nullptr) plain = take_node(t, bucket, key, 0, 1, 1, ply);
    result = path_entry(t, ply, key, path_key, kInf, 0);
  }
  if (result == nullptr) return nullptr;
  result->pn = kInf;
  result->dn = 0;
  result->move = move;
  if (path_key != 0 && plain != nullptr) {
    if ((plain->flags & kFlagFixedProof) == 0) {
      plain->pn = 1;
      plain->dn = 1;
    }
    plain->flags |= kFlagHasPathVariant;
  }
  return result;
}

KTsumeNode* tsume_find_or_add(KTsumeTable& t, int ply, const KHashKey& key, uint32_t path_key) {
  if (!ensure_free(t, key, 1)) return nullptr;
  const uint32_t bucket = bucket_of(t, key.word[1]);
  if (KTsumeNode* n = find_path_node(t, bucket, key, path_key)) return n;
  return take_node(t, bucket, key, path_key, 1, 1, ply);
}

const KTsumeNode* tsume_lookup_shortest_proof(const KTsumeTable& t, const KHashKey& key) {
  if (t.buckets == nullptr) return nullptr;
  const KTsumeNode* best = nullptr;
  for (uint32_t i = t.buckets[bucket_of(t, key.word[1])]; i != kNoNode; i = t.at(i).next) {
    const KTsumeNode& n = t.at(i);
    if (n.path_key != 0 || !proven(n) || !comparable(n, key)) continue;
    if (n.key.word[2] != key.word[2]) {
      if ((n.flags & kFlagExactHand) || hash_hand_compare(key, n.key) != 1) continue;
    }
    if (best == nullptr || (n.depth & kDepthMask) < (best->depth & kDepthMask)) best = &n;
  }
  return best;
}

KTsumeNode* tsume_store_proof(KTsumeTable& t, int ply, const KHashKey& key, uint16_t move, int length,
                              uint8_t flags) {
  KTsumeNode* n = tsume_find_or_add(t, ply, key);
  if (n == nullptr) return nullptr;
  if (n->flags & kFlagFixedProof) return n;
  if (proven(*n) && static_cast<int>(n->depth & kDepthMask) <= length) return n;
  n->pn = 0;
  n->dn = kInf;
  n->move = move;
  n->depth = static_cast<uint16_t>((n->depth & ~kDepthMask) | std::min(length, kNoLength));
  n->flags = static_cast<uint8_t>((n->flags & ~(kFlagExactHand | kFlagPawnDropMate | kFlagBoundedDisproof)) | flags);
  return n;
}

void tsume_drop_covered_bounds(KTsumeTable& t, const KHashKey& key, int bound) {
  if (t.buckets == nullptr) return;
  walk_chain(
      t, bucket_of(t, key.word[1]),
      [&](KTsumeNode& n) {
        return n.path_key == 0 && (n.flags & kFlagBoundedDisproof) && !identical(n, key) &&
               (n.flags & (kFlagOnPath | kFlagFixedProof | kFlagTreeNode | kFlagExactHand)) == 0 && comparable(n, key) &&
               static_cast<int>(n.depth & kDepthMask) <= bound && hash_hand_compare(key, n.key) == 1;
      },
      [](KTsumeNode&) {});
}

void tsume_demote_proven(KTsumeTable& t, const KHashKey& key, int32_t pn, int32_t dn) {
  if (t.buckets == nullptr) return;
  for (uint32_t i = t.buckets[bucket_of(t, key.word[1])]; i != kNoNode; i = t.at(i).next) {
    KTsumeNode& n = t.at(i);
    if (!proven(n) || !comparable(n, key)) continue;
    const uint32_t c = hash_hand_compare(key, n.key);
    if (c == 3 || c == 1) {
      n.pn = pn;
      n.dn = dn;
      n.depth = static_cast<uint16_t>(n.depth | kDepthMask);  // the length goes: not reached yet
    }
  }
}

bool tsume_node_evict(KTsumeTable& t, const KHashKey& key) {
  if (t.buckets == nullptr || t.used == 0) return false;
  // Proven nodes with a move are mates the attacker found: the costliest to lose.
  auto candidate = [](const KTsumeNode& n) {
    if (n.flags & (kFlagOnPath | kFlagTreeNode)) return false;
    return !(proven(n) && n.move != kNoNodeMove && n.move != kTerminalMove);
  };
  auto limit = [](int scan) { return 120 + 40 * ((scan - 1) / 20); };
  uint32_t best_bucket = 0, best_idx = kNoNode;
  int32_t best_pn = 0, best_dn = 0;
  uint32_t bucket = bucket_of(t, key.word[1]);
  int scanned = 0;
  bool taken = false;
  for (uint32_t b = 0; b < t.bucket_count && scanned < kEvictScan && !taken; ++b) {
    for (uint32_t i = t.buckets[bucket]; i != kNoNode && scanned < kEvictScan; i = t.at(i).next) {
      const KTsumeNode& n = t.at(i);
      ++scanned;
      if (!candidate(n)) continue;
      const bool better = best_idx == kNoNode || n.pn < best_pn || (n.pn == best_pn && n.dn < best_dn);
      if (better) {
        best_idx = i;
        best_bucket = bucket;
        best_pn = n.pn;
        best_dn = n.dn;
      }
      if (n.pn <= limit(scanned)) {
        best_idx = i;
        best_bucket = bucket;
        taken = true;
        break;
      }
    }
    if (!taken) bucket = bucket + 1 == t.bucket_count ? 0 : bucket + 1;
  }
  if (best_idx == kNoNode) {
    // Nothing but protected nodes near the key: take any node off the path.
    for (uint32_t b = 0; b < t.bucket_count && best_idx == kNoNode; ++b) {
      for (uint32_t i = t.buckets[bucket]; i != kNoNode; i = t.at(i).next) {
        if ((t.at(i).flags & kFlagOnPath) == 0) {
          best_idx = i;
          best_bucket = bucket;
          break;
        }
      }
      bucket = bucket + 1 == t.bucket_count ? 0 : bucket + 1;
    }
    if (best_idx == kNoNode) return false;
  }
  walk_chain(t, best_bucket, [&](KTsumeNode& n) { return &n == &t.at(best_idx); }, [](KTsumeNode&) {});
  return true;
}

uint32_t tsume_table_drop_cut_entries(KTsumeTable& t) {
  if (t.buckets == nullptr) return 0;
  uint32_t freed = 0;
  for (uint32_t b = 0; b < t.bucket_count; ++b) {
    walk_chain(
        t, b,
        [&](KTsumeNode& n) {
          if (n.path_key == 0 || n.cut == 0) return false;
          ++freed;
          return true;
        },
        [](KTsumeNode&) {});
  }
  return freed;
}

uint32_t tsume_gc(KTsumeTable& t) {
  if (t.buckets == nullptr) return 0;
  constexpr uint8_t kProtected = kFlagOnPath | kFlagFixedProof | kFlagTreeNode;
  uint32_t freed_total = 0;
  uint32_t min_work = 0x7FFFFFFF;
  for (;;) {
    min_work = 0x7FFFFFFF;
    uint32_t freed = 0;
    const uint32_t threshold = t.gc_threshold;
    for (uint32_t b = 0; b < t.bucket_count; ++b) {
      walk_chain(
          t, b,
          [&](KTsumeNode& n) {
            if ((n.flags & kProtected) || n.work > threshold) return false;
            ++freed;
            return true;
          },
          [&](KTsumeNode& n) {
            if ((n.flags & kProtected) == 0 && n.work < min_work) min_work = n.work;
          });
    }
    freed_total += freed;
    // Nothing left that a higher threshold could free: every survivor is protected.
    if (min_work == 0x7FFFFFFF) break;
    t.gc_threshold = min_work + 5;
    const double free_fraction = 1.0 - static_cast<double>(t.used) / (t.capacity > 0 ? t.capacity : 1);
    if (free_fraction > 0.3) break;
  }
  if (min_work != 0x7FFFFFFF) t.gc_threshold = min_work;
  return freed_total;
}

}  // namespace tsume
