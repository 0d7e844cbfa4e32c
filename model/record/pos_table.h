// PosTable: the position table of a game record, 997 hash buckets of position
// nodes, each chain in ascending (hash_hi, hash_lo) order with equal keys in
// insertion order. The table owns the nodes it holds.
#pragma once

#include <memory>
#include <vector>

#include "model/record/kifu_node.h"

namespace model {

class PosTable {
 public:
  static constexpr int kBuckets = 997;

  PosTable();
  // Frees every node still in the table (and with it the node's outgoing moves).
  ~PosTable();
  PosTable(const PosTable&) = delete;
  PosTable& operator=(const PosTable&) = delete;

  static int Bucket(uint32_t hash_lo, uint32_t hash_hi) { return (hash_hi ^ hash_lo) % kBuckets; }

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
  // Frees every node.
  void Clear();
  int Count() const { return count_; }
  // Every node, bucket by bucket in chain order.
  std::vector<KifuKyokumen*> Nodes() const;

 private:
  KifuKyokumen* Find(const Kyokumen& kyokumen, uint32_t hash_lo, uint32_t hash_hi) const;

  KifuKyokumen* heads_[kBuckets];
  int count_ = 0;
};

}  // namespace model
