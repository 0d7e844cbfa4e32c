#include "model/record/pos_table.h"

namespace model {

namespace {

// Chains are ordered by (hash_hi, hash_lo).
bool key_less(uint32_t lo_a, uint32_t hi_a, uint32_t lo_b, uint32_t hi_b) {
  return hi_a != hi_b ? hi_a < hi_b : lo_a < lo_b;
}

}  // namespace

PosTable::PosTable() {
  for (KifuKyokumen*& h : heads_) h = nullptr;
}

PosTable::~PosTable() { Clear(); }

KifuKyokumen* PosTable::Insert(std::unique_ptr<KifuKyokumen> owned) {
  KifuKyokumen* node = owned.release();
  KifuKyokumen** head = &heads_[Bucket(node->hash_lo, node->hash_hi)];
  KifuKyokumen* before = nullptr;  // last entry whose key is not greater
  for (KifuKyokumen* e = *head; e; e = e->hash_next) {
    if (key_less(node->hash_lo, node->hash_hi, e->hash_lo, e->hash_hi)) break;
    before = e;
  }
  node->hash_prev = before;
  node->hash_next = before ? before->hash_next : *head;
  if (node->hash_next) node->hash_next->hash_prev = node;
  if (before) {
    before->hash_next = node;
  } else {
    *head = node;
  }
  ++count_;
  return node;
}

int PosTable::Remove(KifuKyokumen* node) {
  KifuKyokumen** head = &heads_[Bucket(node->hash_lo, node->hash_hi)];
  KifuKyokumen* e = *head;
  while (e && e != node) {
    if (key_less(node->hash_lo, node->hash_hi, e->hash_lo, e->hash_hi)) return -1;
    e = e->hash_next;
  }
  if (!e) return -1;
  if (node->hash_prev) {
    node->hash_prev->hash_next = node->hash_next;
  } else {
    *head = node->hash_next;
  }
  if (node->hash_next) node->hash_next->hash_prev = node->hash_prev;
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

void PosTable::Clear() {
  for (KifuKyokumen*& head : heads_) {
    while (head) {
      KifuKyokumen* e = head;
      head = e->hash_next;
      delete e;
    }
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
