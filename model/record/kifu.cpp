// The record graph: construction and copy, move insertion with the joining of
// transpositions, deletion, merging, incoming-move order and the hand-over of a
// graph built by a reader.
#include "model/record/kifu.h"

#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace model {

namespace {

// A root pseudo-move whose `to` is an even-game start node held by a new table.
void make_root_and_start(std::unique_ptr<KifuSashite>& root, std::unique_ptr<PosTable>& table) {
  root = std::make_unique<KifuSashite>();
  root->sashite.Set(0, 0, 0, 0, 0, 0, 0, kTaikyokuKaishi);
  table = std::make_unique<PosTable>();
  auto start = std::make_unique<KifuKyokumen>();
  start->CalcHash();
  start->prev.items.push_back(root.get());
  root->to = table->Insert(std::move(start));
}

// Every field of a move node except its links.
void copy_move_fields(const KifuSashite& src, KifuSashite& dst) {
  dst.sashite = src.sashite;
  dst.seconds = src.seconds;
  dst.hyouka = src.hyouka;
  dst.comment = src.comment;
  dst.bookmark = src.bookmark;
  dst.text = src.text;
}

// Removes the empty slots a copy may leave where a source move was unreachable.
void drop_empty_slots(KifuSashiteList& list) {
  for (int i = list.Count() - 1; i >= 0; --i) {
    if (!list.items[i]) list.RemoveAt(i);
  }
}

// Deletes `node`, which nothing leads to any more, and every node that only its
// lines reached. A node is freed only when `table` holds it (and so owns it).
void free_unreached(KifuKyokumen* node, PosTable* table) {
  std::vector<KifuKyokumen*> work{node};
  while (!work.empty()) {
    KifuKyokumen* n = work.back();
    work.pop_back();
    for (KifuSashite* m : n->next.items) {
      KifuKyokumen* t = m->to;
      if (!t) continue;
      m->to = nullptr;
      const int k = t->prev.IndexOf(m);
      if (k >= 0) t->prev.RemoveAt(k);
      if (t->prev.Count() == 0) work.push_back(t);
    }
    if (table && table->Remove(n) == 0) delete n;  // frees its outgoing moves
  }
}

// Copies the graph under `src_root` onto `dst_root`, entering the new nodes in
// `table`: depth-first, each move stored at the index its source has in both
// arrays of the source nodes.
void copy_graph(const KifuSashite* src_root, KifuSashite* dst_root, PosTable* table) {
  std::unordered_map<const KifuKyokumen*, KifuKyokumen*> copies;
  // Links `dst` (the copy of `src`) to the copy of src's to-node, creating that
  // copy on the first arrival; true when it was created.
  auto attach = [&](const KifuSashite* src, KifuSashite* dst) {
    const KifuKyokumen* s = src->to;
    if (!s) return false;
    auto found = copies.find(s);
    const bool fresh = found == copies.end();
    KifuKyokumen* t;
    if (fresh) {
      auto node = std::make_unique<KifuKyokumen>();
      node->tesu = s->tesu;
      node->kyokumen.Copy(s->kyokumen);
      node->CalcHash();
      node->next.items.assign(s->next.items.size(), nullptr);
      node->next.current = s->next.current;
      node->prev.items.assign(s->prev.items.size(), nullptr);
      node->prev.current = s->prev.current;
      t = table->Insert(std::move(node));
      copies.emplace(s, t);
    } else {
      t = found->second;
    }
    dst->to = t;
    const int k = s->prev.IndexOf(src);
    if (k >= 0 && !t->prev.items[k]) {
      t->prev.items[k] = dst;
    } else {
      t->prev.items.push_back(dst);
    }
    return fresh;
  };

  struct Frame {
    const KifuKyokumen* src;
    KifuKyokumen* dst;
    int index;
  };
  std::vector<Frame> stack;
  if (attach(src_root, dst_root)) stack.push_back({src_root->to, dst_root->to, 0});
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.index >= f.src->next.Count()) {
      stack.pop_back();
      continue;
    }
    const int i = f.index++;
    const KifuSashite* src = f.src->next.items[i];
    KifuSashite* dst = new KifuSashite;
    f.dst->next.items[i] = dst;  // owned by the new node from here on
    copy_move_fields(*src, *dst);
    dst->from = f.dst;
    if (attach(src, dst)) stack.push_back({src->to, dst->to, 0});
  }
  for (auto& entry : copies) drop_empty_slots(entry.second->prev);
}

}  // namespace

int KifuChooser::Choose(const std::vector<KifuKyokumen*>& candidates) const {
  if (candidates.empty() || code_ == kNever) return -1;
  if (code_ == kFirst) return 0;
  const int k = callback_ ? callback_(candidates) : -1;
  return k < static_cast<int>(candidates.size()) ? k : -1;
}

KifuBody::KifuBody() { make_root_and_start(root, table); }

Kifu::Kifu() { make_root_and_start(root, table); }

Kifu::~Kifu() {
  notify = false;
  table.reset();  // every position node with its outgoing moves
}

Kifu::Kifu(const Kifu& other)
    : names{other.names[0], other.names[1]},
      date(other.date),
      title(other.title),
      event(other.event),
      headers(other.headers) {
  root = std::make_unique<KifuSashite>();
  copy_move_fields(*other.root, *root);
  table = std::make_unique<PosTable>();
  copy_graph(other.root.get(), root.get(), table.get());
}

bool Kifu::IsAncestorOrSelf(const KifuKyokumen* node, const KifuKyokumen* candidate) {
  std::unordered_set<const KifuKyokumen*> seen{node};
  std::vector<const KifuKyokumen*> work{node};
  while (!work.empty()) {
    const KifuKyokumen* n = work.back();
    work.pop_back();
    if (n == candidate) return true;
    for (const KifuSashite* m : n->prev.items) {
      if (m->from && seen.insert(m->from).second) work.push_back(m->from);
    }
  }
  return false;
}

void Kifu::RenumberLineFrom(KifuKyokumen* node) {
  for (KifuKyokumen* n = node;;) {
    KifuSashite* m = n->next.Current();
    if (!m || !m->to) return;
    KifuKyokumen* t = m->to;
    const int k = t->prev.IndexOf(m);
    if (k >= 0) t->prev.current = k;
    t->tesu = n->tesu + 1;
    n = t;
  }
}

KifuSashite* Kifu::AddSashiteAtPos(KifuKyokumen* node, const Sashite& m, int seconds,
                                   const KifuHyouka* hyouka, int index, PosTable* table,
                                   const KifuChooser& chooser, bool select) {
  for (int i = 0; i < node->next.Count(); ++i) {
    KifuSashite* existing = node->next.items[i];
    if (existing->sashite == m) {
      if (select) {
        node->next.current = i;
        RenumberLineFrom(node);
      }
      return existing;
    }
  }
  // A record holds only moves that its positions allow.
  Kyokumen after;
  after.Copy(node->kyokumen);
  if (m.special == kOrdinaryMove && !after.DoSashite(m)) return nullptr;

  KifuSashite* move = new KifuSashite;
  const int at = node->next.Insert(index, move);  // the node owns it from here on
  move->sashite = m;
  move->seconds = seconds;
  if (hyouka) move->hyouka = *hyouka;
  move->from = node;
  if (select) node->next.current = at;
  if (!table) return move;

  uint32_t hash[2];
  after.CalcHash(hash);
  // A special move has no effect on the board; its end node is never shared.
  if (chooser.joins() && m.special == kOrdinaryMove) {
    std::vector<KifuKyokumen*> candidates;
    table->FindAll(after, hash[0], hash[1], candidates);
    std::erase_if(candidates, [node](KifuKyokumen* c) { return IsAncestorOrSelf(node, c); });
    const int k = chooser.Choose(candidates);
    if (k >= 0) {
      KifuKyokumen* target = candidates[k];
      move->to = target;
      int in = target->prev.IndexOf(move);
      if (in < 0) in = target->prev.Insert(-1, move);
      if (select) {
        target->prev.current = in;
        target->tesu = node->tesu + 1;
        RenumberLineFrom(target);
      }
      return move;
    }
  }
  auto fresh = std::make_unique<KifuKyokumen>();
  fresh->tesu = node->tesu + 1;
  fresh->kyokumen.Copy(after);
  fresh->hash_lo = hash[0];
  fresh->hash_hi = hash[1];
  fresh->prev.items.push_back(move);
  move->to = table->Insert(std::move(fresh));
  return move;
}

void Kifu::DetachMove(KifuSashite* move, PosTable* table) {
  KifuKyokumen* to = move->to;
  if (!to) return;
  move->to = nullptr;
  const int k = to->prev.IndexOf(move);
  if (k >= 0) to->prev.RemoveAt(k);
  if (to->prev.Count() == 0) free_unreached(to, table);
}

void Kifu::DeleteNext(KifuKyokumen* node, int index, PosTable* table) {
  if (node->next.Count() == 0) return;
  const int i = node->next.Resolve(index);
  KifuSashite* move = node->next.items[i];
  DetachMove(move, table);
  node->next.RemoveAt(i);
  delete move;
}

void Kifu::MergeLines(KifuKyokumen* target, const KifuKyokumen* source, PosTable* table) {
  struct Frame {
    const KifuKyokumen* src;
    KifuKyokumen* dst;
    int index;
  };
  // A pair of nodes is merged once, however many lines of the source reach it:
  // a second pass would only append the same comments again.
  std::set<std::pair<const KifuKyokumen*, const KifuKyokumen*>> merged{{source, target}};
  std::vector<Frame> stack{{source, target, 0}};
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.index >= f.src->next.Count()) {
      stack.pop_back();
      continue;
    }
    const KifuSashite* src = f.src->next.items[f.index++];
    KifuSashite* dst = AddSashiteAtPos(f.dst, src->sashite, src->seconds, &src->hyouka, -1, table,
                                       KifuChooser::kFirst, false);
    if (!dst) continue;
    if (!same_text(dst->comment, src->comment)) dst->comment.AppendStr(src->comment);
    if (dst->bookmark.empty()) dst->bookmark = src->bookmark;
    if (src->to && dst->to && merged.insert({src->to, dst->to}).second) {
      stack.push_back({src->to, dst->to, 0});
    }
  }
}

void Kifu::SortIncoming() {
  ClearVisitMarks();
  // Arrival at a node through `m`: the k-th arrival puts `m` at incoming index k.
  auto arrive = [](KifuSashite* m) {
    KifuKyokumen* t = m->to;
    KifuSashiteList& in = t->prev;
    const int k = t->visit++;
    if (k < in.Count() && in.items[k] != m) {
      for (int j = k + 1; j < in.Count(); ++j) {
        if (in.items[j] == m) {
          in.Swap(k, j);
          break;
        }
      }
    }
    return k == 0;
  };
  struct Frame {
    KifuKyokumen* node;
    int index;
  };
  std::vector<Frame> stack;
  if (arrive(root.get())) stack.push_back({Start(), 0});
  while (!stack.empty()) {
    Frame& f = stack.back();
    if (f.index >= f.node->next.Count()) {
      stack.pop_back();
      continue;
    }
    KifuSashite* m = f.node->next.items[f.index++];
    if (m->to && arrive(m)) stack.push_back({m->to, 0});
  }
  ClearVisitMarks();
}

void Kifu::SelectFirstLine() {
  for (KifuKyokumen* n : table->Nodes()) n->next.current = 0;
  Start()->tesu = 0;
  RenumberLineFrom(Start());
}

int Kifu::TakeOver(KifuBody&& body, bool merge) {
  // The body is consumed whatever the outcome.
  std::unique_ptr<KifuSashite> new_root = std::move(body.root);
  std::unique_ptr<PosTable> new_table = std::move(body.table);
  KStringList new_headers = body.headers;
  body.headers.Clear();
  if (!merge) {
    table = std::move(new_table);
    root = std::move(new_root);
    headers = new_headers;
    names[0] = body.names[0];
    names[1] = body.names[1];
    date = body.date;
    title = body.title;
    event = body.event;
  } else {
    KifuKyokumen* at = table->FindKyokumen(new_root->to->kyokumen);
    if (!at) return -1;  // the loaded graph is freed with new_root and new_table
    MergeLines(at, new_root->to, table.get());
  }
  SelectFirstLine();
  Changed(0);
  return 0;
}

void Kifu::SetListener(KifuListener* l) {
  listener = l;
  notify = l != nullptr;
  if (l) RefreshList(0);
}

}  // namespace model
