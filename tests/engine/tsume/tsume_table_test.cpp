// The node table: sizes, hand dominance, disproofs that hold on one path (and
// those resting on a depth cut, dropped when the limit rises), and
// the ways a full table frees nodes (collection, single-node eviction).
#include <gtest/gtest.h>

#include <vector>

#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_table.h"

namespace tsume {
namespace {

constexpr uint32_t kPawn = 1;  // one pawn in the packed hand

KHashKey key_of(uint32_t board, uint32_t hand) { return KHashKey{{board * 2654435761u, board, hand}}; }

KTsumeTable make_table(uint64_t kb, bool grow) {
  KTsumeTable t;
  t.kb_per_block = static_cast<uint32_t>(kb);
  t.grow = grow ? 1 : 0;
  EXPECT_TRUE(tsume_table_init(t, kb));
  return t;
}

TEST(TsumeTable, SizesInSixtyFourBitArithmetic) {
  TableShape s;
  ASSERT_TRUE(tsume_table_shape(8192, 8192, s));
  EXPECT_EQ(s.bucket_count, 190650u);
  EXPECT_EQ(s.max_blocks, 1u);
  EXPECT_EQ(s.capacity, 190650u);
  // Several gigabytes: blocks of 32 MB, no wrap of the byte count.
  ASSERT_TRUE(tsume_table_shape(uint64_t{8} << 20, kMaxBlockKb, s));
  EXPECT_EQ(s.bucket_count, (uint64_t{8} << 30) / 44);
  EXPECT_EQ(s.max_blocks, 256u);
  EXPECT_LE(s.capacity, s.bucket_count);
  // No bucket, or more nodes than a 32-bit index reaches, is refused.
  EXPECT_FALSE(tsume_table_shape(0, 1, s));
  EXPECT_FALSE(tsume_table_shape(uint64_t{400} << 20, kMaxBlockKb, s));
}

TEST(TsumeTable, HandDominanceAnswersLargerProofsAndSmallerDisproofs) {
  KTsumeTable t = make_table(64, false);
  tsume_store_plain(t, 0, key_of(1, kPawn), 0, kInf);
  EXPECT_NE(tsume_lookup(t, key_of(1, 3 * kPawn)), nullptr);
  EXPECT_EQ(tsume_lookup(t, key_of(1, 0)), nullptr);
  tsume_store_plain(t, 0, key_of(2, 2 * kPawn), kInf, 0);
  ASSERT_NE(tsume_lookup(t, key_of(2, kPawn)), nullptr);
  EXPECT_EQ(tsume_lookup(t, key_of(2, kPawn))->pn, kInf);
  EXPECT_EQ(tsume_lookup(t, key_of(2, 3 * kPawn)), nullptr);
  // A disproof with a larger hand takes the place of the weaker open entry.
  tsume_store_plain(t, 0, key_of(3, kPawn), 4, 4);
  const uint32_t used = t.used;
  tsume_store_plain(t, 0, key_of(3, 2 * kPawn), kInf, 0);
  EXPECT_EQ(t.used, used);
  EXPECT_EQ(tsume_lookup(t, key_of(3, kPawn))->pn, kInf);
  tsume_table_free_blocks(t);
}

// Boards that share a bucket (word 1) but differ in word 0, which picks the
// chain's sign bit: each answers with its own node, by hand dominance too,
// whether or not another board of the chain has its bit; a board with no node
// misses either way.
TEST(TsumeTable, EveryBoardOfACrowdedBucketAnswers) {
  KTsumeTable t = make_table(64, false);
  auto board_key = [](uint32_t top, uint32_t low, uint32_t hand) {
    return KHashKey{{top << 29 | low, 77, hand}};
  };
  for (uint32_t top = 0; top < 8; ++top) {
    if (top != 5) {
      ASSERT_NE(tsume_store_plain(t, 0, board_key(top, 1, kPawn), 0, kInf), nullptr);
    }
  }
  ASSERT_NE(tsume_store_plain(t, 0, board_key(2, 9, 2 * kPawn), kInf, 0), nullptr);
  for (uint32_t top = 0; top < 8; ++top) {
    const KTsumeNode* n = tsume_lookup(t, board_key(top, 1, 3 * kPawn));
    if (top == 5) {
      EXPECT_EQ(n, nullptr);
    } else {
      ASSERT_NE(n, nullptr) << top;
      EXPECT_EQ(n->key.word[0], top << 29 | 1) << top;
    }
  }
  // Word 0 of board (2, 9) shares its bit with board (2, 1).
  ASSERT_NE(tsume_lookup(t, board_key(2, 9, kPawn)), nullptr);
  EXPECT_EQ(tsume_lookup(t, board_key(2, 9, kPawn))->pn, kInf);
  EXPECT_EQ(tsume_lookup(t, board_key(2, 9, 3 * kPawn)), nullptr);
  EXPECT_EQ(tsume_lookup(t, board_key(3, 9, kPawn)), nullptr);
  EXPECT_EQ(tsume_lookup(t, board_key(5, 9, kPawn)), nullptr);
  tsume_table_free_blocks(t);
}

TEST(TsumeTable, PathDisproofsHoldOnTheirPathAndCutOnesUntilTheLimitRises) {
  KTsumeTable t = make_table(64, false);
  const KHashKey k = key_of(5, 0);
  ASSERT_NE(tsume_store_loop_disproof(t, 3, k, 0x1234, kTerminalMove), nullptr);
  const KTsumeNode* plain = tsume_lookup(t, k);
  ASSERT_NE(plain, nullptr);
  EXPECT_LT(plain->pn, kInf);
  EXPECT_TRUE(plain->flags & kFlagHasPathVariant);
  EXPECT_EQ(tsume_lookup_path(t, k, 0x1234)->pn, kInf);
  EXPECT_EQ(tsume_lookup_path(t, k, 0x9999), plain);
  // Raising the depth limit drops the disproofs that rest on its cuts, and
  // only those: a repetition's stays, as do plain entries.
  const KHashKey cut = key_of(6, 0);
  tsume_store_loop_disproof(t, 3, cut, 0x5678, kNoNodeMove)->cut = 1;
  tsume_store_plain(t, 0, key_of(7, 0), kInf, 0);
  const uint32_t used = t.used;
  EXPECT_EQ(tsume_table_drop_cut_entries(t), 1u);
  EXPECT_EQ(t.used, used - 1);
  EXPECT_LT(tsume_lookup_path(t, cut, 0x5678)->pn, kInf);
  EXPECT_EQ(tsume_lookup_path(t, k, 0x1234)->pn, kInf);
  EXPECT_EQ(tsume_lookup(t, key_of(7, 0))->pn, kInf);
  tsume_table_free_blocks(t);
}

// A position refuted by a repetition along many paths has an entry for each
// path, kept in the bucket of its path key: the chain that every lookup of its
// board walks keeps its one plain entry, each path's entry answers on that path
// alone, and a store on a path that has its entry already takes no node.
TEST(TsumeTable, EntriesOfManyPathsLeaveTheBoardsChainShort) {
  KTsumeTable t = make_table(1024, false);
  const KHashKey k = key_of(21, 0);
  const uint32_t home = t.bucket_divisor.Remainder(k.word[1]);
  std::vector<uint32_t> paths;
  for (uint32_t p = 1; paths.size() < 300; ++p) {
    if (t.bucket_divisor.Remainder(p * 0x9E3779B1u) != home) paths.push_back(p * 0x9E3779B1u);
  }
  for (uint32_t path : paths) ASSERT_NE(tsume_store(t, 4, k, path, kInf, 0), nullptr);
  uint32_t chain = 0;
  for (uint32_t i = t.buckets[home]; i != kNoNode; i = t.at(i).next) ++chain;
  EXPECT_EQ(chain, 1u);
  EXPECT_EQ(t.used, paths.size() + 1);
  for (uint32_t path : paths) EXPECT_EQ(tsume_lookup_path(t, k, path)->pn, kInf);
  EXPECT_LT(tsume_lookup_path(t, k, 12345)->pn, kInf);
  // The same paths again, by either store; a repetition's store twice on a new path.
  tsume_store(t, 5, k, paths[0], kInf, 0);
  ASSERT_NE(tsume_store_loop_disproof(t, 5, k, paths[1], kTerminalMove), nullptr);
  EXPECT_EQ(tsume_lookup_path(t, k, paths[1])->move, kTerminalMove);
  EXPECT_EQ(t.used, paths.size() + 1);
  tsume_store_loop_disproof(t, 5, k, 12345, kNoNodeMove);
  tsume_store_loop_disproof(t, 6, k, 12345, kNoNodeMove);
  EXPECT_EQ(t.used, paths.size() + 2);
  tsume_table_free_blocks(t);
}

// Stores distinct keys until the table is full, protecting each node
// `protect` says (by index) with the flag given.
uint32_t fill(KTsumeTable& t, uint32_t count, uint8_t flag, bool (*protect)(uint32_t)) {
  uint32_t stored = 0;
  for (uint32_t i = 0; i < count; ++i) {
    KTsumeNode* n = tsume_store_plain(t, 0, key_of(100 + i, 0), 3, 3);
    if (n == nullptr) break;
    n->work = 10 + i % 7;
    if (protect(i)) n->flags |= flag;
    ++stored;
  }
  return stored;
}

bool every_bucket_empty(const KTsumeTable& t) {
  for (uint32_t b = 0; b < t.bucket_count; ++b) {
    if (t.buckets[b] != kNoNode) return false;
  }
  return true;
}

// A reset clears the buckets it listed while they are few and sweeps them all
// once they are many; either way the table is as empty as a new one, also
// after path entries (which go to the path key's bucket), buckets emptied by a
// covering disproof and used again, and evictions of a full table.
TEST(TsumeTable, ResetEmptiesEveryBucketFewOrMany) {
  KTsumeTable t = make_table(64, false);
  for (uint32_t round = 0; round < 3; ++round) {
    const uint32_t count = round == 0 ? 8 : round == 1 ? t.bucket_count / 4 : 3 * t.capacity;
    for (uint32_t i = 0; i < count; ++i) tsume_store_plain(t, 0, key_of(100 + i, 0), 3, 3);
    ASSERT_NE(tsume_store_loop_disproof(t, 2, key_of(7, 0), 0x5151, kTerminalMove), nullptr);
    tsume_store_plain(t, 0, key_of(9, kPawn), 4, 4);
    tsume_store_plain(t, 0, key_of(9, 2 * kPawn), kInf, 0);  // frees the weaker entry
    tsume_store_plain(t, 0, key_of(9, kPawn), 4, 4);
    tsume_table_reset(t);
    EXPECT_TRUE(every_bucket_empty(t)) << "round " << round;
    EXPECT_EQ(t.used, 0u);
    EXPECT_EQ(tsume_lookup(t, key_of(100, 0)), nullptr);
    EXPECT_EQ(tsume_lookup_path(t, key_of(7, 0), 0x5151), nullptr);
  }
  // The emptied table stores and answers as before.
  ASSERT_NE(tsume_store_plain(t, 0, key_of(3, 0), 0, kInf), nullptr);
  EXPECT_NE(tsume_lookup(t, key_of(3, kPawn)), nullptr);
  tsume_table_free_blocks(t);
}

TEST(TsumeTable, CollectionEndsOverAProtectedTable) {
  KTsumeTable t = make_table(64, true);
  const uint32_t cap = t.capacity;
  // Every node on the path: nothing can be freed and the store after it fails.
  EXPECT_EQ(fill(t, cap, kFlagOnPath, [](uint32_t) { return true; }), cap);
  EXPECT_EQ(tsume_gc(t), 0u);
  EXPECT_EQ(tsume_store_plain(t, 0, key_of(7, 0), 1, 1), nullptr);
  tsume_table_reset(t);
  // Four fifths protected: the collection frees the rest and stops.
  fill(t, cap, kFlagTreeNode, [](uint32_t i) { return i % 5 != 0; });
  const uint32_t freed = tsume_gc(t);
  EXPECT_GT(freed, 0u);
  EXPECT_LE(t.used, cap);
  tsume_table_free_blocks(t);
}

// Open numbers stored into the entry a visit holds leave the table as the
// store of the key would: in place while a node is free, through the store
// (which evicts first) when the table is full, and a disproof goes through
// the store, which also drops the weaker entries it covers.
TEST(TsumeTable, AnOpenStoreIntoAHeldEntryLeavesWhatTheStoreWould) {
  KTsumeTable held = make_table(16, false);
  KTsumeTable plain = make_table(16, false);
  auto same = [](const KTsumeNode* a, const KTsumeNode* b) {
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->key, b->key);
    EXPECT_EQ(a->pn, b->pn);
    EXPECT_EQ(a->dn, b->dn);
    EXPECT_EQ(a->depth, b->depth);
  };
  const KHashKey k = key_of(5, kPawn);
  KTsumeNode* entry = tsume_store_plain(held, 6, k, 1, 1);
  tsume_store_plain(plain, 6, k, 1, 1);
  // The numbers change and a shallower visit lowers the depth word.
  KTsumeNode* n = tsume_store_open(held, entry, 3, k, 40, 70);
  EXPECT_EQ(n, entry);
  same(n, tsume_store(plain, 3, k, 0, 40, 70));
  EXPECT_EQ(held.used, plain.used);
  // Full tables: the store frees a node first, the held entry's as well if
  // eviction picks it; the two tables stay alike.
  fill(held, held.capacity, kFlagOnPath, [](uint32_t i) { return i % 3 == 0; });
  fill(plain, plain.capacity, kFlagOnPath, [](uint32_t i) { return i % 3 == 0; });
  ASSERT_EQ(held.used, held.capacity);
  entry = tsume_lookup_exact(held, k);
  same(tsume_store_open(held, entry, 2, k, 30, 90), tsume_store(plain, 2, k, 0, 30, 90));
  EXPECT_EQ(held.used, plain.used);
  same(tsume_lookup_exact(held, k), tsume_lookup_exact(plain, k));
  // A disproof under a larger hand is no open store.
  const KHashKey larger = key_of(5, 2 * kPawn);
  same(tsume_store_open(held, tsume_lookup_exact(held, k), 2, larger, kInf, 0),
       tsume_store(plain, 2, larger, 0, kInf, 0));
  EXPECT_EQ(tsume_lookup_exact(held, k), nullptr);
  EXPECT_EQ(held.used, plain.used);
  tsume_table_free_blocks(held);
  tsume_table_free_blocks(plain);
}

TEST(TsumeTable, EvictionNeverTakesAPathNode) {
  KTsumeTable t = make_table(16, false);
  const uint32_t cap = t.capacity;
  fill(t, cap, kFlagOnPath, [](uint32_t i) { return i % 2 == 0; });
  // Far more stores than the table holds: each evicts one node.
  for (uint32_t i = 0; i < 4 * cap; ++i) ASSERT_NE(tsume_store_plain(t, 0, key_of(100000 + i, 0), 5, 5), nullptr);
  for (uint32_t i = 0; i < cap; i += 2) EXPECT_NE(tsume_lookup_exact(t, key_of(100 + i, 0)), nullptr) << i;
  EXPECT_LE(t.used, cap);
  tsume_table_free_blocks(t);
}

}  // namespace
}  // namespace tsume

namespace tsume {
namespace {

TEST(TsumeTable, ProofsKeepTheShortestMate) {
  KTsumeTable t = make_table(64, false);
  const KHashKey k = key_of(9, kPawn);
  ASSERT_NE(tsume_store_proof(t, 0, k, 77, 13, 0), nullptr);
  // A longer mate does not replace it, a shorter one does; a larger hand
  // is answered too.
  tsume_store_proof(t, 0, k, 88, 17, 0);
  const KTsumeNode* n = tsume_lookup_shortest_proof(t, key_of(9, 2 * kPawn));
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->move, 77);
  EXPECT_EQ(n->depth & kDepthMask, 13u);
  tsume_store_proof(t, 0, k, 99, 9, 0);
  EXPECT_EQ(tsume_lookup_shortest_proof(t, k)->move, 99);
  // Of the proofs that answer a key, the shortest.
  tsume_store_proof(t, 0, key_of(11, 0), 1, 21, 0);
  tsume_store_proof(t, 0, key_of(11, kPawn), 2, 15, 0);
  EXPECT_EQ(tsume_lookup_shortest_proof(t, key_of(11, kPawn))->move, 2);
  EXPECT_EQ(tsume_lookup_shortest_proof(t, key_of(11, 0))->move, 1);
  // A proof of one hand only answers that hand.
  tsume_store_proof(t, 0, key_of(10, kPawn), 5, 3, kFlagExactHand);
  EXPECT_EQ(tsume_lookup_shortest_proof(t, key_of(10, 2 * kPawn)), nullptr);
  EXPECT_NE(tsume_lookup_shortest_proof(t, key_of(10, kPawn)), nullptr);
  // A demoted proof is open again and its length gone.
  tsume_demote_proven(t, k, 1, 1);
  EXPECT_EQ(tsume_lookup_shortest_proof(t, k), nullptr);
  tsume_table_free_blocks(t);
}

TEST(TsumeTable, ABoundedDisproofDropsTheOnesItCovers) {
  KTsumeTable t = make_table(64, false);
  auto bound = [&](uint32_t hand, int plies, uint8_t flags) {
    KTsumeNode* n = tsume_find_or_add(t, 0, key_of(12, hand));
    n->pn = kInf;
    n->dn = 0;
    n->depth = static_cast<uint16_t>(plies);
    n->flags = static_cast<uint8_t>(kFlagBoundedDisproof | flags);
  };
  bound(kPawn, 7, 0);
  bound(2 * kPawn, 11, 0);
  bound(0, 5, kFlagExactHand);
  const uint32_t used = t.used;
  // Three pawns within nine: covers the one-pawn entry (a smaller hand, a
  // smaller bound), not the two-pawn one (a larger bound) nor the one that
  // holds for its own hand only.
  tsume_drop_covered_bounds(t, key_of(12, 3 * kPawn), 9);
  EXPECT_EQ(t.used, used - 1);
  EXPECT_EQ(tsume_lookup_exact(t, key_of(12, kPawn)), nullptr);
  EXPECT_NE(tsume_lookup_exact(t, key_of(12, 2 * kPawn)), nullptr);
  EXPECT_NE(tsume_lookup_exact(t, key_of(12, 0)), nullptr);
  tsume_table_free_blocks(t);
}

}  // namespace
}  // namespace tsume
