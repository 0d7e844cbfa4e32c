#include "model/record/pos_table.h"

namespace model {

namespace {

// Chains are ordered by (hash_hi, hash_lo).
bool key_less(uint32_t lo_a, uint32_t hi_a, uint32_t lo_b, uint32_t hi_b) {
  return hi_a != hi_b ? hi_a < hi_b : lo_a < lo_b;
}

bool node_less(const KifuKyokumen* a, const KifuKyokumen* b) {
  return key_less(a->hash_lo, a->hash_hi, b->hash_lo, b->hash_hi);
}

}  // namespace

PosTable::PosTable() : heads_(kInitialBuckets, nullptr), tails_(kInitialBuckets, nullptr) {}

PosTable::~PosTable() { Unlink(); }

void PosTable::Link(KifuKyokumen* node) {
  const int b = Bucket(node->hash_lo, node->hash_hi);
  KifuKyokumen* before = tails_[b];  // last entry whose key is not greater
  while (before && node_less(node, before)) before = before->hash_prev;
  node->hash_prev = before;
  node->hash_next = before ? before->hash_next : heads_[b];
  if (node->hash_next) {
    node->hash_next->hash_prev = node;
  } else {
    tails_[b] = node;
  }
  if (before) {
    before->hash_next = node;
  } else {
    heads_[b] = node;
  }
}

void PosTable::Resize(size_t buckets) {
  std::vector<KifuKyokumen*> old = std::move(heads_);
  heads_.assign(buckets, nullptr);
  tails_.assign(buckets, nullptr);
  // Each old chain holds its equal keys in insertion order, and all of them go
  // to the same new chain in that order.
  for (KifuKyokumen* e : old) {
    while (e) {
      KifuKyokumen* next = e->hash_next;
      Link(e);
      e = next;
    }
  }
}

KifuKyokumen* PosTable::Insert(std::unique_ptr<KifuKyokumen> owned) {
  if (count_ >= kMaxLoad * BucketCount()) Resize(2 * heads_.size() + 1);
  KifuKyokumen* node = owned.release();
  Link(node);
  ++count_;
  return node;
}

int PosTable::Remove(KifuKyokumen* node) {
  // The node is in this table when its chain starts at the head (and ends at
  // the tail) of its bucket here. The chain is walked both ways at once, so
  // the cost is the distance to the nearer end, not the length of a long run
  // of equal keys.
  const int b = Bucket(node->hash_lo, node->hash_hi);
  const KifuKyokumen* back = node;
  const KifuKyokumen* ahead = node;
  for (;;) {
    if (!back->hash_prev) {
      if (heads_[b] != back) return -1;
      break;
    }
    if (!ahead->hash_next) {
      if (tails_[b] != ahead) return -1;
      break;
    }
    back = back->hash_prev;
    ahead = ahead->hash_next;
  }
  if (node->hash_prev) {
    node->hash_prev->hash_next = node->hash_next;
  } else {
    heads_[b] = node->hash_next;
  }
  if (node->hash_next) {
    node->hash_next->hash_prev = node->hash_prev;
  } else {
    tails_[b] = node->hash_prev;
  }
  node->hash_next = nullptr;
  node->hash_prev = nullptr;
  --count_;
  return 0;
}

void PosTable::Rehash(KifuKyokumen* node) {
  const bool held = Remove(node) == 0;
  node->CalcHash();
  if (held) Insert(std::unique_ptr<KifuKyokumen>(node));
}

KifuKyokumen* PosTable::Find(const Kyokumen& kyokumen, uint32_t hash_lo, uint32_t hash_hi) const {
  for (KifuKyokumen* e = heads_[Bucket(hash_lo, hash_hi)]; e; e = e->hash_next) {
    if (key_less(hash_lo, hash_hi, e->hash_lo, e->hash_hi)) return nullptr;
    if (e->hash_lo == hash_lo && e->hash_hi == hash_hi && e->kyokumen == kyokumen) return e;
  }
  return nullptr;
}

KifuKyokumen* PosTable::FindNode(const KifuKyokumen* node) const {
  return Find(node->kyokumen, node->hash_lo, node->hash_hi);
}

KifuKyokumen* PosTable::FindKyokumen(const Kyokumen& kyokumen) const {
  uint32_t h[2];
  kyokumen.CalcHash(h);
  return Find(kyokumen, h[0], h[1]);
}

void PosTable::FindAll(const Kyokumen& kyokumen, uint32_t hash_lo, uint32_t hash_hi,
                       std::vector<KifuKyokumen*>& out) const {
  out.clear();
  for (KifuKyokumen* e = heads_[Bucket(hash_lo, hash_hi)]; e; e = e->hash_next) {
    if (key_less(hash_lo, hash_hi, e->hash_lo, e->hash_hi)) break;
    if (e->hash_lo == hash_lo && e->hash_hi == hash_hi && e->kyokumen == kyokumen) out.push_back(e);
  }
}

void PosTable::Unlink() {
  for (size_t b = 0; b < heads_.size(); ++b) {
    KifuKyokumen*& head = heads_[b];
    while (head) {
      KifuKyokumen* e = head;
      head = e->hash_next;
      delete e;
    }
    tails_[b] = nullptr;
  }
  count_ = 0;
}

std::vector<KifuKyokumen*> PosTable::Nodes() const {
  std::vector<KifuKyokumen*> out;
  out.reserve(count_);
  for (KifuKyokumen* head : heads_) {
    for (KifuKyokumen* e = head; e; e = e->hash_next) out.push_back(e);
  }
  return out;
}

}  // namespace model
