// Walking the line of a record, choosing among continuations and ways in, and
// reporting the reached ply to the listener.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "model/record/kifu.h"

namespace model {

namespace {

// `current + n` wrapped into 0..count-1, or `n` itself when it names an entry;
// -1 when an absolute choice is out of range.
int choose_index(const KifuSashiteList& list, int n, bool relative) {
  const int count = list.Count();
  if (count == 0) return -1;
  if (relative) {
    const int64_t k = (static_cast<int64_t>(list.current) + n) % count;
    return static_cast<int>(k < 0 ? k + count : k);
  }
  return (n >= 0 && n < count) ? n : -1;
}

}  // namespace

int Kifu::GetTesu() const {
  int count = 0;
  for (const KifuKyokumen* n = Start(); n;) {
    const KifuSashite* m = n->next.Current();
    if (!m) break;
    ++count;
    n = m->to;
  }
  return count;
}

KifuSashite* Kifu::NodeAtTesu(int ply) const {
  KifuSashite* m = root.get();
  for (int i = 1; i <= ply; ++i) {
    if (!m->to) return nullptr;
    m = m->to->next.Current();
    if (!m) return nullptr;
  }
  return m;
}

KifuKyokumen* Kifu::NodeOfPly(int ply) const {
  const KifuSashite* m = NodeAtTesu(ply);
  return m ? m->to : nullptr;
}

KifuSashite* Kifu::FindByTesu(KifuSashite* move, int ply, KifuKyokumen** node) const {
  KifuSashite* m = move;
  if (ply >= 0 && ply > m->Ply()) {
    while (m->Ply() < ply && m->to) {
      KifuSashite* n = m->to->next.Current();
      if (!n) break;
      m = n;
    }
  } else if (ply >= 0) {
    while (m->Ply() > ply && m->from) {
      KifuSashite* p = m->from->prev.Current();
      if (!p) break;
      m = p;
    }
  }
  if (node) *node = m->to;
  return m;
}

KifuSashite* Kifu::FindOnLine(const KifuSashite* move) const {
  for (KifuSashite* m = root.get(); m;) {
    if (m == move) return m;
    if (!m->to) break;
    m = m->to->next.Current();
  }
  return nullptr;
}

KifuSashite* Kifu::NextKifuSashite(const KifuSashite* move) const {
  if (!move) return root.get();
  // Descend only through a position's first way in, so that a shared position's
  // lines are walked once.
  if (move->to && move->to->prev.At(0) == move && move->to->next.Count() > 0) {
    return move->to->next.items[0];
  }
  for (const KifuSashite* cur = move; cur && cur->from;) {
    const KifuKyokumen* f = cur->from;
    const int i = f->next.IndexOf(cur);
    if (i >= 0 && i + 1 < f->next.Count()) return f->next.items[i + 1];
    cur = f->prev.At(0);  // the move through which the walk entered f
  }
  return nullptr;
}

const char* Kifu::GetHeader(const char* key) const {
  if (!key) return nullptr;
  if (!std::strcmp(key, "先手") || !std::strcmp(key, "下手")) return names[0].c_str();
  if (!std::strcmp(key, "後手") || !std::strcmp(key, "上手")) return names[1].c_str();
  if (!std::strcmp(key, "対局日")) return date.c_str();
  if (!std::strcmp(key, "表題")) return title.c_str();
  if (!std::strcmp(key, "棋戦")) return event.c_str();
  for (int i = 0; i + 1 < headers.Count(); i += 2) {
    if (headers.GetAt(i) == key) return headers.GetAt(i + 1).c_str();
  }
  return nullptr;
}

bool Kifu::SelectBranch(int ply, int n, bool relative) {
  KifuKyokumen* node = NodeOfPly(ply);
  if (!node) return false;
  const int k = choose_index(node->next, n, relative);
  if (k < 0) return false;
  node->next.current = k;
  RenumberLineFrom(node);
  Changed(ply);
  return true;
}

bool Kifu::SelectPrevLine(int ply, int n, bool relative) {
  KifuKyokumen* node = NodeOfPly(ply);
  if (!node) return false;
  const int k = choose_index(node->prev, n, relative);
  if (k < 0) return false;
  node->prev.current = k;
  // Back to the start along the current ways in, making each step the
  // continuation of the node before it.
  for (KifuKyokumen* t = node;;) {
    KifuSashite* m = t->prev.Current();
    if (!m || !m->from) break;
    m->from->next.current = m->from->next.IndexOf(m);
    t = m->from;
  }
  RenumberLineFrom(Start());
  Changed(0);
  return true;
}

void Kifu::MakeMainLine() {
  for (KifuKyokumen* n = Start(); n;) {
    const int i = n->next.current;
    KifuSashite* m = n->next.Current();
    if (!m) break;
    std::rotate(n->next.items.begin(), n->next.items.begin() + i, n->next.items.begin() + i + 1);
    n->next.current = 0;
    n = m->to;
  }
}

void Kifu::ReportReached(int from_ply, int reached) {
  if (!notifying()) return;
  if (list_limit >= 0) RefreshList(std::min(reached, from_ply));
  listener->SelectPly(reached);
}

KifuSashite* Kifu::GoToTesu(KifuSashite* move, int ply) {
  const int from_ply = move->Ply();
  KifuSashite* reached = ply < 0 ? root.get() : FindByTesu(move, ply, nullptr);
  ReportReached(from_ply, reached->Ply());
  return reached;
}

KifuSashite* Kifu::SelectNext(KifuSashite* move, int index) {
  KifuSashite* reached = move;
  if (move->to && move->to->next.Count() > 0) {
    reached = move->to->next.At(move->to->next.Resolve(index));
  }
  ReportReached(move->Ply(), reached->Ply());
  return reached;
}

KifuSashite* Kifu::SelectPrev(KifuSashite* move, int index) {
  KifuSashite* reached = KifuSashite::GetPrev(move, index);
  ReportReached(move->Ply(), reached->Ply());
  return reached;
}

void Kifu::NotifyTesu(int ply) {
  if (listener) listener->SelectPly(ply);
}

void Kifu::SetNotify(bool on) {
  if (!listener) {
    notify = false;
    return;
  }
  notify = on;
  if (on) RefreshList(0);
}

}  // namespace model
