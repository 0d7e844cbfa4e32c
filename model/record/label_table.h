// LabelTable: the names that tie a KIF file's "#% label" and "#% goto" lines to
// shared positions. The reader looks nodes up by label name; the writer looks
// label names up by node. 997 buckets of singly linked chains in ascending key
// order.
#pragma once

#include <cstdint>
#include <memory>

#include "model/record/kifu_node.h"
#include "model/text/kstring.h"

namespace model {

// The key of a label name: its bytes packed big-endian four at a time, each full
// group XORed into the result; a last group of one byte is shifted left 16 bits,
// of two bytes 8 bits, of three bytes not at all before it is XORed in. The
// empty name gives 0.
int32_t label_hash(const char* name);

struct LabelEntry {
  int32_t key = 0;
  KString name;
  const KifuKyokumen* node = nullptr;
  std::unique_ptr<LabelEntry> next;
};

class LabelTable {
 public:
  static constexpr int kBuckets = 997;

  LabelTable() = default;
  // Frees every entry (chain by chain, without recursion).
  ~LabelTable();
  LabelTable(const LabelTable&) = delete;
  LabelTable& operator=(const LabelTable&) = delete;

  // By name (reader). -1 (nothing stored) when the name is already there.
  int AddName(const char* name, KifuKyokumen* node);
  // The node a name labels, or null.
  KifuKyokumen* FindName(const char* name) const;
  // Drops every name that labels `node` (before the node is freed).
  void ForgetNode(const KifuKyokumen* node);

  // By node (writer): the key is the node's address. -1 when the node already
  // has a name.
  int AddNode(const KifuKyokumen* node, const char* name);
  // The name given to a node, or null.
  const char* FindNode(const KifuKyokumen* node) const;

 private:
  static int Bucket(int32_t key) { return static_cast<int>(static_cast<uint32_t>(key) % kBuckets); }
  static int32_t NodeKey(const KifuKyokumen* node);
  // Links a new entry before the first entry of its chain whose key is not
  // smaller.
  void Link(int32_t key, const char* name, const KifuKyokumen* node);

  std::unique_ptr<LabelEntry> heads_[kBuckets];
};

}  // namespace model
