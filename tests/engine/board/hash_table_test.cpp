// The transposition table: sizing, the replacement rules of a store, the probe
// results for exact and dominated-hand entries, recycling in a full pool, and
// the preload of learning records.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/board/fixed_divisor.h"
#include "engine/board/hash_table.h"

namespace board {
namespace {

constexpr uint32_t kOneKbEntries = 28;  // 1024 / 36

// Keys made by hand: word 0 picks the bucket (modulo the capacity).
KHashKey key(uint32_t w0, uint32_t w2 = 0) { return KHashKey{{w0, 0x5A5A0000u + w0, w2}}; }

void store(const KHashKey& k, int depth, int bound, int value, int extension = 0, uint32_t ext_move = 0,
           uint32_t best = 0, int tag = 0, uint32_t mark = 0) {
  hash_store(k, depth, bound, value, mark, extension, ext_move, best, tag);
}

class HashTableTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(hash_alloc(1), 0); }
  void TearDown() override { hash_free(); }

  // Probes `k` for `move` with the window (alpha, beta) and best -32766.
  int Probe(const KHashKey& k, int depth, int alpha, int beta = 32766, int margin = 0,
            uint32_t move = 0x1234) {
    node_ = KHashProbe{};
    node_.key = k;
    alpha_ = alpha;
    best_ = -32766;
    return hash_probe(node_, move, margin, depth, exact_, alpha_, beta, best_);
  }

  KHashProbe node_{};
  int alpha_ = 0, best_ = 0, exact_ = 0;
};

// The bucket of a key is its word modulo the bucket count, computed without a
// division: the same remainder for the edges of the word and of the divisor
// and for random words and divisors.
TEST(FixedDivisor, RemainderEqualsTheDivisionsRemainder) {
  std::mt19937 rng(7);
  std::vector<uint32_t> divisors = {1, 2, 3, 5, 7, 28, 1000, 466033, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu};
  for (int i = 0; i < 200; ++i) divisors.push_back(rng() | 1);
  for (uint32_t d : divisors) {
    const KFixedDivisor fixed(d);
    for (uint32_t w : {0u, 1u, d - 1, d, d + 1, 2 * d - 1, 0x7FFFFFFFu, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
      ASSERT_EQ(fixed.Remainder(w), w % d) << w << " mod " << d;
    }
    for (int j = 0; j < 200; ++j) {
      const uint32_t w = rng();
      ASSERT_EQ(fixed.Remainder(w), w % d) << w << " mod " << d;
    }
  }
}

TEST(HashTableSize, BudgetGivesEntriesAndBadBudgetsAreRefused) {
  ASSERT_EQ(hash_alloc(1), 0);
  EXPECT_EQ(hash_capacity(), kOneKbEntries);
  store(key(3), 12, kBoundExact, 5, 0, 0, 77);
  // Too few entries for the replacement scan, or beyond 32-bit indices: the
  // table in place stays.
  EXPECT_EQ(hash_alloc(0), 1);
  EXPECT_EQ(hash_alloc(0xFFFFFFFFu), 1);
  EXPECT_EQ(hash_get_move(key(3)), 77u);
  hash_free();
  store(key(3), 12, kBoundExact, 5);  // no table: nothing happens
  EXPECT_EQ(hash_used(), 0u);
}

TEST_F(HashTableTest, StoreKeepsTheBetterResult) {
  const KHashKey lower = key(1), upper = key(2), k = key(3);
  for (int v : {100, 50, 150, 120}) store(lower, 24, kBoundLower, v);
  EXPECT_EQ(hash_entry(lower)->value, 150);
  for (int v : {100, 150, 50, 70}) store(upper, 24, kBoundUpper, v);
  EXPECT_EQ(hash_entry(upper)->value, 50);
  // An exact result replaces a bound of the same depth; a bound never replaces it.
  store(upper, 24, kBoundExact, 70);
  store(upper, 24, kBoundLower, 90);
  EXPECT_EQ(hash_entry(upper)->value, 70);

  store(k, 24, kBoundExact, 10, 0, 0, 0x111, 3, 32512);
  store(k, 12, kBoundExact, 20, 6, 0x222, 0x333, 4, 9);  // shallower: only the extension is taken
  const KHashEntry* e = hash_entry(k);
  EXPECT_EQ(e->depth * 10000 + e->value, 24 * 10000 + 10);
  EXPECT_EQ(e->best_move, 0x111u);
  EXPECT_EQ(e->tsume_mark, 32512);
  EXPECT_EQ(e->extension_move, 0x222u);
  // Deeper: replaced, but a zero mark or extension keeps the old one, and the
  // tag changes only with a best move.
  store(k, 36, kBoundLower, 30, 0, 0, 0, 7);
  EXPECT_EQ(e->value, 30);
  EXPECT_EQ(e->flags, (kBoundLower << 5) | 3);
  EXPECT_EQ(e->tsume_mark + e->extension, 32512 + 6);
  store(k, 48, kBoundLower, 40, 0, 0, 0x444, -1);
  EXPECT_EQ(e->best_move, 0x444u);
  EXPECT_EQ(e->flags & 31, 31);
}

TEST_F(HashTableTest, ProbeOfTheExactPosition) {
  const KHashKey k = key(5), lower = key(6), upper = key(7);
  store(k, 24, kBoundExact, -40, 0, 0, 0x999, -2, 77);  // the prober sees 40
  EXPECT_EQ(Probe(k, 24, 10, 100), kProbeRaisedAlpha);
  EXPECT_EQ(alpha_ + best_ + exact_, 120);
  EXPECT_EQ(node_.hash_stage, -2);
  EXPECT_EQ(node_.tsume_mark, 77);
  EXPECT_EQ(Probe(k, 24, 50, 100), kProbeExact);
  EXPECT_EQ(best_ * 100 + alpha_, 40 * 100 + 50);
  EXPECT_EQ(Probe(k, 24, 10, 30), kProbeAtBeta);
  EXPECT_EQ(Probe(k, 24, 10, 100, -12), kProbeTooShallow);
  EXPECT_EQ(Probe(k, 25, 10, 100), kProbeMiss);  // too shallow, yet the node gets the move
  EXPECT_EQ(node_.hash_move, 0x999u);

  store(lower, 24, kBoundLower, 40);  // the prober's value is at most -40
  EXPECT_EQ(Probe(lower, 24, -40), kProbeAtAlpha);
  EXPECT_EQ(Probe(lower, 24, -41), kProbeMiss);
  store(upper, 24, kBoundUpper, -40);  // at least 40
  EXPECT_EQ(Probe(upper, 24, 0, 40), kProbeAtBeta);
  EXPECT_EQ(alpha_, 40);
  EXPECT_EQ(Probe(upper, 24, 0, 41), kProbeMiss);
  EXPECT_EQ(Probe(upper, 24, 0, 40, -1), kProbeTooShallow);
  EXPECT_EQ(Probe(upper, 12, 0, 40, -12), kProbeAtBeta);

  // A positive extension belongs to its move and raises the depth asked of the entry.
  store(upper, 0, kBoundNone, 0, 12, 0x500);
  EXPECT_EQ(Probe(upper, 12, 0, 40, 0, 0x500), kProbeAtBeta);
  EXPECT_EQ(node_.table_ext, 12);
  EXPECT_EQ(Probe(upper, 24, 0, 40, 0, 0x500), kProbeMiss);
  EXPECT_EQ(Probe(upper, 24, 0, 40, 0, 0x600), kProbeAtBeta);
  EXPECT_EQ(node_.table_ext, 0);
  // An entry of a pass context answers only a pass, and the other way round.
  store(k, 24, kBoundUpper, -40, -1, kNoMoveWord);
  EXPECT_EQ(Probe(k, 24, 0, 40, 0, 0x600), kProbeMiss);
  EXPECT_EQ(Probe(k, 24, 0, 40, 0, kNoMoveWord), kProbeAtBeta);
  EXPECT_EQ(Probe(upper, 0, 0, 40, 0, kNoMoveWord), kProbeMiss);
}

TEST_F(HashTableTest, ProbeUsesDominatedHands) {
  const uint32_t pawn = 1, lance = 0x20, gote = kHashSideBit;
  store(key(10, pawn), 24, kBoundLower, 100);  // sente to move; the prober sees at most -100
  EXPECT_EQ(Probe(key(10, 2 * pawn), 24, -100), kProbeAtAlpha);  // sente, to move, has a pawn more
  EXPECT_EQ(Probe(key(10, 2 * pawn), 24, -101), kProbeMiss);
  EXPECT_EQ(Probe(key(10, 2 * pawn), 36, -100), kProbeMiss);
  EXPECT_EQ(Probe(key(10, lance), 24, -100), kProbeMiss);  // incomparable hands
  EXPECT_EQ(Probe(key(10, 0), 24, -100), kProbeMiss);      // a bound the hand cannot strengthen
  // With gote to move a pawn more in sente's hand favours the prober.
  store(key(11, gote + pawn), 24, kBoundExact, -100);
  EXPECT_EQ(Probe(key(11, gote + 2 * pawn), 24, 0, 100), kProbeAtBeta);
  EXPECT_EQ(Probe(key(11, gote + 2 * pawn), 24, 200), kProbeMiss);
  EXPECT_EQ(Probe(key(11, gote), 24, 200), kProbeAtAlpha);
  EXPECT_EQ(Probe(key(11, pawn), 24, 200), kProbeMiss);  // the other side to move
  EXPECT_EQ(hash_stats().key_hits, 0u);
}

// The probe from a prefetched chain head answers as the probe that finds the
// bucket itself: results, the node's fields, the window and the probe count,
// for entries of the exact key, a dominated hand, another key in the bucket
// and an empty bucket.
TEST_F(HashTableTest, ProbeFromThePrefetchedHeadAnswersAsTheProbe) {
  store(key(5), 24, kBoundExact, -40, 0, 0, 0x999, -2, 77);
  store(key(6), 24, kBoundLower, 40);
  store(key(7), 24, kBoundUpper, -40, 12, 0x500);
  store(key(10, 1), 24, kBoundLower, 100);
  const KHashKey keys[] = {key(5), key(6), key(7), key(10, 2), key(5 + kOneKbEntries), key(20)};
  for (const KHashKey& k : keys) {
    for (int alpha : {-100, -40, 10, 50}) {
      exact_ = 0;
      const int expected = Probe(k, 24, alpha, 100, -12, 0x500);
      const KHashProbe node = node_;
      const int alpha_after = alpha_, best_after = best_, exact_after = exact_;
      const uint32_t probes = hash_stats().probes;
      node_ = KHashProbe{};
      node_.key = k;
      alpha_ = alpha;
      best_ = -32766;
      exact_ = 0;
      const uint32_t head = hash_prefetch_entry(k);
      ASSERT_EQ(hash_probe_from(head, node_, 0x500, -12, 24, exact_, alpha_, 100, best_), expected);
      EXPECT_EQ(hash_stats().probes, probes + 1);
      EXPECT_EQ(node_.hash_move, node.hash_move);
      EXPECT_EQ(node_.hash_stage, node.hash_stage);
      EXPECT_EQ(node_.table_ext, node.table_ext);
      EXPECT_EQ(node_.tsume_mark, node.tsume_mark);
      EXPECT_EQ(alpha_, alpha_after);
      EXPECT_EQ(best_, best_after);
      EXPECT_EQ(exact_, exact_after);
    }
  }
}

// A list asks for its next key's bucket ahead and starts the probe from it:
// the start is the one the key alone gives, and a start at the end of a chain
// is a miss, counted like a probe, that leaves the node and the window alone.
// Without a table every start is the end of a chain.
TEST_F(HashTableTest, ProbeFromTheAskedBucketStartsWhereTheKeyDoes) {
  store(key(5), 24, kBoundExact, -40, 0, 0, 0x999, -2, 77);
  store(key(5 + kOneKbEntries), 24, kBoundLower, 40);
  store(key(10, 1), 24, kBoundLower, 100);
  int chain_ends = 0;
  for (const KHashKey& k : {key(5), key(5 + kOneKbEntries), key(5 + 2 * kOneKbEntries), key(10, 2), key(20)}) {
    const uint32_t bucket = hash_prefetch(k);
    EXPECT_LT(bucket, hash_capacity());
    const uint32_t start = hash_prefetch_entry_at(bucket, k);
    EXPECT_EQ(start, hash_prefetch_entry(k));
    if (start != kHashChainEnd) continue;
    ++chain_ends;
    const int expected = Probe(k, 24, -100, 100);
    const uint32_t probes = hash_stats().probes;
    EXPECT_EQ(expected, kProbeMiss);
    EXPECT_EQ(hash_probe_missed(), expected);
    EXPECT_EQ(hash_stats().probes, probes + 1);
  }
  EXPECT_GT(chain_ends, 0);
  EXPECT_NE(hash_prefetch_entry(key(5)), kHashChainEnd);
  hash_free();
  EXPECT_EQ(hash_prefetch_entry_at(hash_prefetch(key(5)), key(5)), kHashChainEnd);
}

TEST_F(HashTableTest, FullPoolRecyclesTheShallowestVisitedEntry) {
  // One entry in each bucket but 20, bucket 1 holding 29 before 1; depth 100 +
  // bucket, except 7 for buckets 3 and 4, 1000 and more for 10..14, 5 for key 1.
  store(key(1), 5, kBoundExact, 0);
  for (uint32_t b = 0; b < kOneKbEntries; ++b) {
    if (b != 1 && b != 20) store(key(b), b == 3 || b == 4 ? 7 : b >= 10 && b < 15 ? 1000 + b : 100 + b, 3, 0);
  }
  store(key(29), 50, kBoundExact, 0);
  ASSERT_EQ(hash_used(), kOneKbEntries);
  // No room for a mark or an extension of a new position.
  hash_set_tsume_mark(key(99), 32512);
  hash_store_extension(key(99), 6, 0x500);
  EXPECT_EQ(hash_get_tsume_mark(key(99)), 0u);
  EXPECT_EQ(hash_entry(key(99)), nullptr);

  auto present = [](std::initializer_list<uint32_t> keys) {
    std::string s;
    for (uint32_t k : keys) s += hash_entry(key(k)) ? '1' : '0';
    return s;
  };
  store(key(54), 60, kBoundExact, 0);  // visits 26, 27, 0, 29, 1
  EXPECT_EQ(present({1, 29, 26, 54}), "0111");
  store(key(56), 60, kBoundExact, 0);  // visits 0, 29, 2, 3, 4
  EXPECT_EQ(present({3, 4, 56}), "011");
  store(key(38), 60, kBoundExact, 0);  // visits 10..14, all protected
  EXPECT_EQ(present({10, 11, 38}), "011");
}

// A probe passes over a bucket whose chain holds no entry of its board
// without walking it. Keys with random second words (which pick the chain
// signs) are stored into a few crowded buckets until the pool has recycled
// many times over, across buckets too: every key just stored is found by
// every lookup, and every entry of the full pool stays reachable, so no
// recycled or moved entry leaves its chain unsigned.
TEST_F(HashTableTest, EveryEntryStaysReachableThroughRecycling) {
  std::mt19937 rng(11);
  auto word = [&rng] { return static_cast<uint32_t>(rng()); };
  std::vector<KHashKey> stored;
  for (int n = 0; n < 3000; ++n) {
    const KHashKey k{{word() % (3 * kOneKbEntries), word(), word() & kHashHandBits}};
    if (hash_entry(k) != nullptr) continue;
    stored.push_back(k);
    store(k, 12 * static_cast<int>(rng() % 8), kBoundLower, 5, 0, 0, 0x100 + n);
    ASSERT_NE(hash_entry(k), nullptr) << n;
    EXPECT_EQ(hash_get_move(k), 0x100u + n);
    EXPECT_EQ(Probe(k, 0, 100), kProbeAtAlpha);
    EXPECT_EQ(node_.hash_move, 0x100u + n);
    int alpha = 100, best = -32766, exact = 0;
    node_ = KHashProbe{};
    node_.key = k;
    ASSERT_EQ(hash_probe_from(hash_prefetch_entry(k), node_, 0x1234, 0, 0, exact, alpha, 32766, best), kProbeAtAlpha);
    if (n % 100 == 0 || n > 2990) {
      uint32_t reachable = 0;
      for (const KHashKey& old : stored) reachable += hash_entry(old) != nullptr;
      ASSERT_EQ(reachable, std::min<uint32_t>(hash_used(), kOneKbEntries)) << n;
    }
  }
  EXPECT_EQ(hash_used(), kOneKbEntries);
}

// Entries of one board with other hands share the board's chain sign: a
// bucket crowded with other boards still answers for a dominated hand.
TEST_F(HashTableTest, DominatedHandFoundAmongOtherBoards) {
  const uint32_t pawn = 1;
  for (uint32_t top = 0; top < 8; ++top) {
    if (top != 6) store(KHashKey{{4, top << 29, pawn}}, 24, kBoundLower, 100);
  }
  EXPECT_EQ(Probe(KHashKey{{4, 6u << 29, 2 * pawn}}, 24, -100), kProbeMiss);
  store(KHashKey{{4, 6u << 29, pawn}}, 24, kBoundLower, 100);
  EXPECT_EQ(Probe(KHashKey{{4, 6u << 29, 2 * pawn}}, 24, -100), kProbeAtAlpha);
  EXPECT_EQ(Probe(KHashKey{{4 + kOneKbEntries, 6u << 29, 2 * pawn}}, 24, -100), kProbeMiss);
}

TEST_F(HashTableTest, MarkAndExtensionEntriesAndInvalidation) {
  hash_set_tsume_mark(key(12), 32512);
  hash_store_extension(key(12), 6, 0x500);
  hash_store_extension(key(12), 3, 0x600);
  const KHashEntry* e = hash_entry(key(12));
  EXPECT_EQ(e->value, kNoHashValue);
  EXPECT_EQ(e->flags, kNoValueTag);
  EXPECT_EQ(e->extension_move, 0x500u);
  store(key(13), 24, kBoundExact, 5, 0, 0, 0x100, 4);
  hash_invalidate(key(13));
  EXPECT_EQ(hash_entry(key(13))->flags, 4);
  EXPECT_EQ(Probe(key(13), 0, -32766), kProbeMiss);
}

// A clear empties the table whether few entries were used (their buckets are
// emptied one by one) or many (every bucket is written), with a full pool that
// has recycled entries across buckets too: no stored key is found after it,
// and the table fills again as a new one.
TEST(HashTableClear, EmptiesTheTableAfterFewOrManyEntries) {
  ASSERT_EQ(hash_alloc(64), 0);
  const uint32_t capacity = hash_capacity();
  for (uint32_t stored : {1u, 40u, capacity / 16 - 1, capacity / 16, capacity / 2, capacity, 2 * capacity}) {
    SCOPED_TRACE(stored);
    std::vector<KHashKey> keys;
    // Every third key shares its bucket with the one before.
    for (uint32_t i = 0; i < stored; ++i) keys.push_back(key(i % 3 == 2 ? keys.back().word[0] + capacity : 5 * i + 1));
    for (size_t i = 0; i < keys.size(); ++i) store(keys[i], 12 + static_cast<int>(i % 5) * 12, kBoundExact, 7, 0, 0, 0x200);
    hash_clear();
    EXPECT_EQ(hash_used(), 0u);
    for (const KHashKey& k : keys) ASSERT_EQ(hash_entry(k), nullptr);
    store(keys.back(), 24, kBoundExact, 9, 0, 0, 0x300);
    EXPECT_EQ(hash_used(), 1u);
    EXPECT_EQ(hash_get_move(keys.back()), 0x300u);
    for (size_t i = 0; i + 1 < keys.size(); ++i) ASSERT_EQ(hash_entry(keys[i]), nullptr);
    hash_clear();
  }
  hash_free();
}

TEST_F(HashTableTest, PreloadKeepsTheNewestRecords) {
  // A tenth of 28 is 2: the preload stops after its third entry.
  const KLearnRecord records[] = {
      {key(20), 1, 10, 0x101},         // oldest: left out
      {key(21), 2, 20, 0x102},
      {key(22), 9, 30, 0x103},         // older and deeper than the newest: passed over
      {key(23), 3, 40, kNoMoveWord},
      {key(22), 4, 50, 0x105},         // newest
  };
  hash_preload_learned(records, 5);
  EXPECT_EQ(hash_used(), 3u);
  EXPECT_EQ(hash_entry(key(20)), nullptr);
  const KHashEntry* e = hash_entry(key(22));
  EXPECT_EQ(e->depth * 1000 + e->value, 48 * 1000 + 50);
  EXPECT_EQ(e->flags, (kBoundExact << 5) | 5);
  EXPECT_EQ(hash_entry(key(23))->flags, kBoundExact << 5);  // no move: tag 0
}

}  // namespace
}  // namespace board
