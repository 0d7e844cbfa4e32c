#include "model/record/label_table.h"

#include <cstring>
#include <utility>

namespace model {

int32_t label_hash(const char* name) {
  uint32_t result = 0;
  uint32_t group = 0;
  int in_group = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); p && *p; ++p) {
    group = (group << 8) | *p;
    if (++in_group == 4) {
      result ^= group;
      group = 0;
      in_group = 0;
    }
  }
  if (in_group == 1) group <<= 16;
  if (in_group == 2) group <<= 8;
  result ^= group;
  return static_cast<int32_t>(result);
}

LabelTable::~LabelTable() {
  for (auto& head : heads_) {
    std::unique_ptr<LabelEntry> e = std::move(head);
    while (e) e = std::move(e->next);
  }
}

int32_t LabelTable::NodeKey(const KifuKyokumen* node) {
  return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(node)));
}

void LabelTable::Link(int32_t key, const char* name, const KifuKyokumen* node) {
  std::unique_ptr<LabelEntry>* at = &heads_[Bucket(key)];
  while (*at && (*at)->key < key) at = &(*at)->next;
  auto entry = std::make_unique<LabelEntry>();
  entry->key = key;
  entry->name.Assign(name);
  entry->node = node;
  entry->next = std::move(*at);
  *at = std::move(entry);
}

int LabelTable::AddName(const char* name, KifuKyokumen* node) {
  const int32_t key = label_hash(name);
  // Every entry of an equal key is compared, so that a name is stored once
  // however many other names share its key.
  if (FindName(name)) return -1;
  Link(key, name, node);
  return 0;
}

KifuKyokumen* LabelTable::FindName(const char* name) const {
  const int32_t key = label_hash(name);
  for (const LabelEntry* e = heads_[Bucket(key)].get(); e && e->key <= key; e = e->next.get()) {
    if (e->key == key && e->name == name) return const_cast<KifuKyokumen*>(e->node);
  }
  return nullptr;
}

void LabelTable::ForgetNode(const KifuKyokumen* node) {
  for (auto& head : heads_) {
    std::unique_ptr<LabelEntry>* at = &head;
    while (*at) {
      if ((*at)->node == node) {
        *at = std::move((*at)->next);
      } else {
        at = &(*at)->next;
      }
    }
  }
}

int LabelTable::AddNode(const KifuKyokumen* node, const char* name) {
  if (FindNode(node)) return -1;
  Link(NodeKey(node), name, node);
  return 0;
}

const char* LabelTable::FindNode(const KifuKyokumen* node) const {
  const int32_t key = NodeKey(node);
  for (const LabelEntry* e = heads_[Bucket(key)].get(); e && e->key <= key; e = e->next.get()) {
    if (e->node == node) return e->name.c_str();
  }
  return nullptr;
}

}  // namespace model
