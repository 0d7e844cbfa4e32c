#include "model/record/kifu_node.h"

#include <cstring>
#include <utility>

namespace model {

bool same_text(const KString& a, const KString& b) {
  return a.length() == b.length() && std::memcmp(a.c_str(), b.c_str(), a.length()) == 0;
}

int KifuSashiteList::IndexOf(const KifuSashite* m) const {
  for (int i = 0; i < Count(); ++i) {
    if (items[i] == m) return i;
  }
  return -1;
}

int KifuSashiteList::Insert(int index, KifuSashite* m) {
  if (index < 0 || index > Count()) index = Count();
  items.insert(items.begin() + index, m);
  if (Count() > 1 && index <= current) ++current;
  return index;
}

void KifuSashiteList::RemoveAt(int index) {
  if (index < 0 || index >= Count()) return;
  items.erase(items.begin() + index);
  if (index < current) --current;
  if (current >= Count()) current = 0;
}

void KifuSashiteList::Swap(int a, int b) {
  if (a == b) return;
  std::swap(items[a], items[b]);
  if (current == a) {
    current = b;
  } else if (current == b) {
    current = a;
  }
}

KifuKyokumen::KifuKyokumen() { kyokumen.Init(kHirate); }

KifuKyokumen::~KifuKyokumen() {
  for (KifuSashite* m : next.items) delete m;
}

void KifuKyokumen::CalcHash() {
  uint32_t h[2];
  kyokumen.CalcHash(h);
  hash_lo = h[0];
  hash_hi = h[1];
}

KifuSashite::KifuSashite() { hyouka.Reset(); }

int KifuSashite::Ply() const {
  if (to) return to->tesu;
  return from ? from->tesu + 1 : 0;
}

KifuSashite* KifuSashite::GetPrev(KifuSashite* m, int index) {
  if (!m->from || m->from->prev.Count() == 0) return m;
  return m->from->prev.At(m->from->prev.Resolve(index));
}

KifuSashite* KifuSashite::GetCurrentPrev(const KifuSashite* m) {
  return m->from ? m->from->prev.Current() : nullptr;
}

}  // namespace model
