// PosTable: the position table of a game record, hash buckets of position
// nodes, each chain in ascending (hash_hi, hash_lo) order with equal keys in
// insertion order. The table starts with 997 buckets and grows with the record
// (about two nodes a bucket at most), so that finding and entering a position
// take the same short time in a record of a million moves as in one of ten.
// The table owns the nodes it holds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/record/kifu_node.h"

namespace model {

class PosTable {
 public:
  static constexpr int kInitialBuckets = 997;
  // The table grows (to twice as many buckets, plus one) when it holds more
  // than this many nodes a bucket.
  static constexpr int kMaxLoad = 2;

  PosTable();
  // Frees every node still in the table (and with it the node's outgoing moves).
  ~PosTable();
  PosTable(const PosTable&) = delete;
  PosTable& operator=(const PosTable&) = delete;

  // Links a node by its stored key, after every entry whose key is not greater,
  // and takes ownership of it. Returns the node.
  KifuKyokumen* Insert(std::unique_ptr<KifuKyokumen> node);
  // Unlinks a node and hands its ownership back to the caller; -1 (nothing
  // changed) when the node is not in the table.
  int Remove(KifuKyokumen* node);
  // Re-enters a node of this table under the hash of its current `kyokumen`.
  void Rehash(KifuKyokumen* node);
  // The first node holding a position equal to `node`'s (same key, equal Kyokumen).
  KifuKyokumen* FindNode(const KifuKyokumen* node) const;
  // The first node holding `kyokumen`.
  KifuKyokumen* FindKyokumen(const Kyokumen& kyokumen) const;
  // Every node holding `kyokumen` (whose hash is given), in chain order.
  void FindAll(const Kyokumen& kyokumen, uint32_t hash_lo, uint32_t hash_hi,
               std::vector<KifuKyokumen*>& out) const;
  // Empties every bucket; the nodes, which the table owns, are freed with it.
  void Unlink();
  int Count() const { return count_; }
  int BucketCount() const { return static_cast<int>(heads_.size()); }
  // Every node, bucket by bucket in chain order.
  std::vector<KifuKyokumen*> Nodes() const;

 private:
  int Bucket(uint32_t hash_lo, uint32_t hash_hi) const {
    return static_cast<int>((hash_hi ^ hash_lo) % heads_.size());
  }
  KifuKyokumen* Find(const Kyokumen& kyokumen, uint32_t hash_lo, uint32_t hash_hi) const;
  // Links `node` into its chain: walked from the tail, so that a node joins a
  // long run of equal keys (a position repeated all through a record) at once.
  void Link(KifuKyokumen* node);
  // Moves every node into a table of `buckets` chains, equal keys in order.
  void Resize(size_t buckets);

  std::vector<KifuKyokumen*> heads_;
  std::vector<KifuKyokumen*> tails_;
  int count_ = 0;
};

}  // namespace model
