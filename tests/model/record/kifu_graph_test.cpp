// The record graph: shared position nodes, deletion, the refusal of cycles,
// copies, the position table, incoming order, merging and the hand-over of a
// graph built apart from the record.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "model/record/kifu.h"
#include "tests/model/record/kifu_test_util.h"

namespace model {
namespace {

using testing::k26, testing::k34, testing::k56, testing::k76, testing::k84, testing::play,
    testing::RecordingListener;

TEST(KifuGraph, TranspositionsShareOnePositionNode) {
  Kifu kifu;
  PosTable* t = kifu.table.get();
  KifuSashite* a = play(t, kifu.Start(), {k76, k34, k26});
  KifuSashite* b = play(t, kifu.Start(), {k26, k34, k76});
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->to, b->to);
  EXPECT_EQ(a->to->prev.Count(), 2);
  EXPECT_EQ(a->to->prev.Current(), b);  // the selected way in
  EXPECT_EQ(t->Count(), 6);  // start, two nodes per line, the shared node

  // A move after the shared node continues both lines; adding it again finds it.
  KifuSashite* c = play(t, b->to, {k84});
  const Sashite same = c->sashite;
  EXPECT_EQ(Kifu::AddSashiteAtPos(a->to, same, 9, nullptr, -1, t, 1, false), c);
  EXPECT_EQ(c->seconds, 0);
  EXPECT_EQ(t->Count(), 7);

  // SortIncoming orders the ways in as a depth-first walk arrives: the 7六歩
  // line made the first alternative reaches the shared node first.
  Kifu::DeleteNext(kifu.Start(), 0, t);
  KifuSashite* earlier = play(t, kifu.Start(), {k76, k34, k26}, KifuChooser::kFirst, 0);
  ASSERT_EQ(earlier->to, b->to);
  EXPECT_EQ(b->to->prev.At(0), b);
  kifu.SortIncoming();
  EXPECT_EQ(b->to->prev.At(0), earlier);
  EXPECT_EQ(b->to->prev.Current(), earlier);
  EXPECT_EQ(b->to->visit, 0);
}

TEST(KifuGraph, DeletingOneLineLeavesTheOtherAndTellsTheListener) {
  Kifu kifu;
  PosTable* t = kifu.table.get();
  KifuSashite* a = play(t, kifu.Start(), {k76, k34, k26, k84});
  KifuSashite* b = play(t, kifu.Start(), {k26, k34, k76});
  KifuKyokumen* shared = b->to;
  RecordingListener l;
  l.selection = 2;
  l.Attach(kifu);

  ASSERT_TRUE(kifu.DeleteBranch(0, 1));  // the 2六歩 line, the current one
  EXPECT_EQ(l.Take(), testing::list_rebuilt({"1 1：▲７六歩", "2 2：△３四歩", "3 3：▲２六歩", "4 4：△８四歩"},
                                            {"SelectPly 2"}));
  EXPECT_EQ(shared->prev.Count(), 1);
  EXPECT_EQ(shared->prev.Current(), kifu.NodeAtTesu(3));
  EXPECT_EQ(shared->next.Current(), a);
  EXPECT_EQ(t->Count(), 5);
  EXPECT_EQ(kifu.GetTesu(), 4);

  EXPECT_FALSE(kifu.DeleteBranch(9, 0));
  EXPECT_TRUE(l.calls.empty());
  ASSERT_TRUE(kifu.DeleteBranch(0, 0));
  EXPECT_EQ(t->Count(), 1);
  EXPECT_EQ(kifu.GetTesu(), 0);
}

TEST(KifuGraph, RefusedMovesAndDeletionKeepTheSelection) {
  Kifu kifu;
  PosTable* t = kifu.table.get();
  EXPECT_EQ(play(t, kifu.Start(), {{7, 7, 7, 5}}), nullptr);  // two steps: refused
  EXPECT_EQ(kifu.Start()->next.Count(), 0);
  play(t, kifu.Start(), {k76});
  play(t, kifu.Start(), {k26});
  KifuSashite* chosen = play(t, kifu.Start(), {k56});
  Kifu::DeleteNext(kifu.Start(), 0, t);
  EXPECT_EQ(kifu.Start()->next.Current(), chosen);
  Kifu::DeleteNext(kifu.Start(), -1, t);  // out of range: the current one
  EXPECT_EQ(kifu.Start()->next.Count(), 1);
  EXPECT_EQ(kifu.Start()->next.Current()->sashite.to_x, 2);
  // Without a table a move stays unattached; a special move ends a line.
  Sashite resign(0, 0, 0, 0, kOu, 0, 0, kToryo);
  EXPECT_EQ(Kifu::AddSashiteAtPos(kifu.Start(), resign, 0, nullptr, -1, nullptr, 1, true)->to, nullptr);
  EXPECT_EQ(kifu.GetTesu(), 1);  // selected: the line ends with it
}

TEST(KifuGraph, JoiningNeverClosesACycle) {
  // Both kings step away and back: the fourth move reaches the start position again.
  Kifu kifu;
  KifuSashite* last =
      play(kifu.table.get(), kifu.Start(), {{5, 9, 5, 8}, {5, 1, 5, 2}, {5, 8, 5, 9}, {5, 2, 5, 1}});
  ASSERT_TRUE(last);
  EXPECT_NE(last->to, kifu.Start());
  EXPECT_TRUE(last->to->kyokumen == kifu.Start()->kyokumen);
  EXPECT_EQ(last->to->tesu, 4);
  EXPECT_TRUE(Kifu::IsAncestorOrSelf(last->to, kifu.Start()));
  EXPECT_FALSE(Kifu::IsAncestorOrSelf(kifu.Start(), last->to));

  // A chooser is never offered an ancestor.
  int offered = 0;
  KifuChooser spy([&offered](const std::vector<KifuKyokumen*>& c) {
    offered += static_cast<int>(c.size());
    return 0;
  });
  const Sashite back = last->sashite;
  KifuKyokumen* before = last->from;
  Kifu::DeleteNext(before, 0, kifu.table.get());
  last = Kifu::AddSashiteAtPos(before, back, 0, nullptr, -1, kifu.table.get(), spy, true);
  EXPECT_EQ(offered, 0);
  EXPECT_NE(last->to, kifu.Start());
}

TEST(KifuGraph, CopyIsIndependentAndKeepsTheShape) {
  Kifu kifu;
  PosTable* t = kifu.table.get();
  KifuSashite* a = play(t, kifu.Start(), {k76, k34, k26, k84});
  KifuSashite* b = play(t, kifu.Start(), {k26, k34, k76});
  a->comment.Assign("first");
  a->hyouka.value = 120;
  a->hyouka.pv = {1, 2, 3};
  kifu.SetHeader("場所", "here");
  RecordingListener l;
  kifu.SetListener(&l);

  Kifu copy(kifu);
  EXPECT_EQ(copy.listener, nullptr);
  EXPECT_EQ(copy.table->Count(), t->Count());
  KifuSashite* ca = copy.NodeAtTesu(4);
  ASSERT_NE(ca, nullptr);
  EXPECT_STREQ(ca->comment.c_str(), "first");
  EXPECT_EQ(ca->hyouka.pv, a->hyouka.pv);
  EXPECT_EQ(ca->from->prev.Count(), 2);  // still one shared node, ways in in order
  EXPECT_EQ(ca->from->prev.current, b->to->prev.current);
  EXPECT_EQ(ca->from->prev.At(0)->sashite, b->to->prev.At(0)->sashite);
  EXPECT_STREQ(copy.GetHeader("場所"), "here");

  // Changing the copy leaves the original as it was.
  ca->comment.Assign("changed");
  ca->hyouka.pv.push_back(4);
  copy.SetHeader("場所", "there");
  ASSERT_TRUE(copy.DeleteBranch(0, 0));
  ASSERT_TRUE(copy.DeleteBranch(0, 0));
  EXPECT_EQ(copy.table->Count(), 1);
  EXPECT_EQ(t->Count(), 7);
  EXPECT_STREQ(a->comment.c_str(), "first");
  EXPECT_EQ(a->hyouka.pv.size(), 3u);
  EXPECT_STREQ(kifu.GetHeader("場所"), "here");
}

std::unique_ptr<KifuKyokumen> keyed(uint32_t lo, uint32_t hi) {
  auto n = std::make_unique<KifuKyokumen>();
  n->hash_lo = lo;
  n->hash_hi = hi;
  return n;
}

TEST(PosTable, ChainsStayOrderedAndFindable) {
  PosTable t;
  // Keys (hi 0, lo 998) and (hi 0, lo 1) both fall into bucket 1.
  KifuKyokumen* high = t.Insert(keyed(998, 0));
  KifuKyokumen* low = t.Insert(keyed(1, 0));
  KifuKyokumen* low_again = t.Insert(keyed(1, 0));
  EXPECT_EQ(t.Nodes(), (std::vector<KifuKyokumen*>{low, low_again, high}));
  std::vector<KifuKyokumen*> all;
  t.FindAll(low->kyokumen, 1, 0, all);
  EXPECT_EQ(all, (std::vector<KifuKyokumen*>{low, low_again}));

  ASSERT_EQ(t.Remove(low), 0);
  std::unique_ptr<KifuKyokumen> removed(low);
  EXPECT_EQ(t.Remove(low), -1);
  EXPECT_EQ(t.FindNode(removed.get()), low_again);
  EXPECT_EQ(t.Count(), 2);

  // The table grows with what it holds; a long run of equal keys (a position
  // repeated all through a record) keeps its order across the growth, and a
  // node is removed from anywhere in the run; a node of another table is not.
  PosTable big;
  std::vector<KifuKyokumen*> run;
  for (uint32_t i = 0; i < 20000; ++i) {
    big.Insert(keyed(i * 2654435761u, i));
    if (i % 4 == 0) run.push_back(big.Insert(keyed(7, 7)));
  }
  EXPECT_EQ(big.Count(), 25000);
  EXPECT_GE(big.BucketCount(), big.Count() / PosTable::kMaxLoad);
  big.FindAll(run[0]->kyokumen, 7, 7, all);
  EXPECT_EQ(all, run);
  for (const size_t i : {size_t{0}, run.size() / 2, run.size() - 1}) {
    ASSERT_EQ(big.Remove(run[i]), 0);
    delete run[i];
  }
  EXPECT_EQ(big.Remove(low_again), -1);
  EXPECT_EQ(big.Count(), 24997);
}

// Every reader hands its graph over with TakeOver and the format tests load,
// replace and refuse merges; here what a merge does to the record's own lines.
TEST(KifuGraph, TakeOverMergesIntoTheRecordsPositions) {
  Kifu kifu;
  play(kifu.table.get(), kifu.Start(), {k76, k34});
  kifu.names[0].Assign("old");
  KifuBody body;
  KifuSashite* b26 = play(body.table.get(), body.Start(), {k76, k34, k26}, KifuChooser::kNever);
  b26->comment.Assign("merged");
  play(body.table.get(), body.Start(), {k26, k34, k76}, KifuChooser::kNever);
  body.names[0].Assign("new");
  RecordingListener l;
  l.Attach(kifu);
  ASSERT_EQ(kifu.TakeOver(std::move(body), true), 0);
  EXPECT_STREQ(kifu.names[0].c_str(), "old");
  EXPECT_EQ(kifu.Start()->next.Count(), 2);
  EXPECT_EQ(kifu.GetTesu(), 3);  // the first line selected
  EXPECT_STREQ(kifu.NodeAtTesu(3)->comment.c_str(), "merged");
  EXPECT_EQ(kifu.NodeAtTesu(3)->to->prev.Count(), 2);
  EXPECT_EQ(kifu.table->Count(), 6);
  EXPECT_EQ(l.calls.size(), 9u);  // the list rebuilt: start line and three moves
}

// Every node reached from the start is in the table and nothing else is; every
// move sits in the incoming array of the node it leads to; current indexes are
// in range; along the line each node is entered through the line's move and
// carries its ply.
void expect_consistent(const Kifu& kifu) {
  for (int ply = 1; ply <= kifu.GetTesu(); ++ply) {
    const KifuSashite* m = kifu.NodeAtTesu(ply);
    EXPECT_EQ(m->to->tesu, ply);
    EXPECT_EQ(m->to->prev.Current(), m);
  }
  std::set<const KifuKyokumen*> reached{kifu.Start()};
  std::vector<const KifuKyokumen*> work{kifu.Start()};
  while (!work.empty()) {
    const KifuKyokumen* n = work.back();
    work.pop_back();
    EXPECT_TRUE(n->next.Count() == 0 || n->next.Current());
    EXPECT_TRUE(n->prev.Current());
    for (const KifuSashite* m : n->prev.items) EXPECT_EQ(m->to, n);
    for (const KifuSashite* m : n->next.items) {
      EXPECT_EQ(m->from, n);
      ASSERT_TRUE(m->to);
      EXPECT_GE(m->to->prev.IndexOf(m), 0);
      if (reached.insert(m->to).second) work.push_back(m->to);
    }
  }
  EXPECT_EQ(static_cast<int>(reached.size()), kifu.table->Count());
  for (const KifuKyokumen* n : kifu.table->Nodes()) EXPECT_TRUE(reached.count(n));
}

TEST(KifuGraph, RandomEditsKeepTheGraphWhole) {
  // King walks reach the same positions by many orders and repeat positions.
  std::mt19937 rng(20240611);
  auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  Kifu kifu;
  for (int step = 0; step < 600; ++step) {
    const int op = pick(20);
    const int tesu = kifu.GetTesu();
    const int ply = pick(2) ? tesu : pick(tesu + 1);
    if (op < 14) {
      KifuKyokumen* node = kifu.NodeAtTesu(ply)->to;
      Sashite list[kMaxSashite];
      const int n = node->kyokumen.GenerateAll(list);
      std::vector<Sashite> walks;
      for (int i = 0; i < n; ++i) {
        if (list[i].koma.Type() == kOu && !list[i].tori.code) walks.push_back(list[i]);
      }
      if (!walks.empty()) {
        ASSERT_TRUE(kifu.AddSashite(ply, walks[pick(static_cast<int>(walks.size()))], 0, nullptr,
                                    pick(3) - 1, KifuChooser::kFirst));
      }
    } else if (op == 14) {
      kifu.DeleteBranch(pick(tesu + 1), pick(3));
    } else if (op < 17) {
      kifu.SelectBranch(ply, pick(5) - 2, true);
    } else if (op < 19) {
      kifu.SelectPrevLine(ply, pick(3), true);
    } else {
      Kifu copy(kifu);
      expect_consistent(copy);
      const int before = copy.table->Count();
      Kifu::MergeLines(copy.Start(), kifu.Start(), copy.table.get());
      EXPECT_EQ(copy.table->Count(), before);
      kifu.SortIncoming();
    }
    expect_consistent(kifu);
    if (::testing::Test::HasFailure()) FAIL() << "after step " << step;
  }
}

}  // namespace
}  // namespace model
