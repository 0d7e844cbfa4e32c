// Using a record: walking and choosing lines, editing headers, comments, times
// and analysis, the texts of moves and variations, and the move list.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "model/position/move_word.h"
#include "model/record/kifu.h"
#include "model/record/kifu_text.h"
#include "tests/model/position/position_builder.h"
#include "tests/model/record/kifu_test_util.h"

namespace model {
namespace {

using testing::gote, testing::k26, testing::k34, testing::k56, testing::k76, testing::k84,
    testing::play, testing::RecordingListener;

constexpr testing::Squares k54 = {5, 3, 5, 4};

// An engine move word of a board move.
KMoveWord word(int fx, int fy, int tx, int ty, int code, int promote = 0) {
  return word_pack(word_square(fx, fy), word_square(tx, ty), code, 0, promote);
}
constexpr int kSentePawn = kWordSente | kWordPawn, kGotePawn = kWordGote | kWordPawn,
              kSenteBishop = kWordSente | kWordBishop, kGoteSilver = kWordGote | kWordSilver;

TEST(KifuNavigation, WalkingAndChoosingAlternatives) {
  Kifu kifu;
  PosTable* t = kifu.table.get();
  KifuSashite* third = play(t, kifu.Start(), {k76, k34, k26});
  KifuKyokumen* after76 = kifu.NodeAtTesu(1)->to;
  play(t, after76, {k84});
  KifuSashite* alt54 = play(t, after76, {k54});
  EXPECT_EQ(kifu.GetTesu(), 2);
  EXPECT_EQ(kifu.FindOnLine(third), nullptr);
  EXPECT_EQ(kifu.NodeAtTesu(3), nullptr);

  EXPECT_TRUE(kifu.SelectBranch(1, 0, false));
  EXPECT_EQ(kifu.GetTesu(), 3);
  EXPECT_EQ(kifu.FindOnLine(third), third);
  EXPECT_TRUE(kifu.SelectBranch(1, -1, true));  // from alternative 0 of three to 2
  EXPECT_EQ(kifu.NodeAtTesu(2), alt54);
  EXPECT_FALSE(kifu.SelectBranch(1, 3, false));
  EXPECT_FALSE(kifu.SelectBranch(1, -1, false));
  EXPECT_FALSE(kifu.SelectBranch(5, 0, true));
  EXPECT_TRUE(kifu.SelectBranch(1, 0, false));

  KifuKyokumen* node = nullptr;
  EXPECT_EQ(kifu.FindByTesu(kifu.root.get(), 10, &node), third);  // stops at the end
  EXPECT_EQ(kifu.FindByTesu(third, 1, &node), kifu.NodeAtTesu(1));
  EXPECT_EQ(node, after76);
  EXPECT_EQ(kifu.FindByTesu(third, -1, &node), third);

  EXPECT_TRUE(kifu.SelectBranch(1, 2, false));
  kifu.MakeMainLine();
  EXPECT_EQ(after76->next.At(0), alt54);
  EXPECT_EQ(after76->next.current, 0);
  EXPECT_EQ(after76->next.At(1)->sashite.to_x, 3);  // the others keep their order
  EXPECT_EQ(after76->next.At(2)->sashite.to_x, 8);
}

TEST(KifuNavigation, GoToTesuReportsThePly) {
  Kifu kifu;
  KifuSashite* third = play(kifu.table.get(), kifu.Start(), {k76, k34, k26});
  RecordingListener l;
  l.Attach(kifu);
  EXPECT_EQ(kifu.GoToTesu(third, -1), kifu.root.get());
  EXPECT_EQ(kifu.SelectNext(kifu.root.get(), 7), kifu.NodeAtTesu(1));
  EXPECT_EQ(kifu.SelectPrev(third, 0), kifu.NodeAtTesu(2));
  EXPECT_EQ(kifu.SelectNext(third, 0), third);
  EXPECT_EQ(l.Take(), (std::vector<std::string>{"SelectPly 0", "SelectPly 1", "SelectPly 2",
                                                "SelectPly 3"}));

  // With a list limit the list is rebuilt from the smaller ply, up to the limit.
  kifu.list_limit = 2;
  kifu.GoToTesu(kifu.root.get(), 9);
  EXPECT_EQ(l.Take(), testing::list_rebuilt({"1 1：▲７六歩", "2 2：△３四歩"}, {"SelectPly 3"}));

  kifu.SetNotify(false);
  kifu.GoToTesu(third, 0);
  kifu.NotifyTesu(2);  // reported whenever a listener is set
  EXPECT_EQ(l.Take(), std::vector<std::string>{"SelectPly 2"});
}

TEST(KifuNavigation, WaysIntoASharedPosition) {
  // Route B returns to the start position with both kings and then plays the
  // three pawn moves in another order, reaching the shared position four plies
  // later than route A.
  Kifu kifu;
  PosTable* t = kifu.table.get();
  KifuSashite* a = play(t, kifu.Start(), {k76, k34, k26});
  KifuSashite* b = play(t, kifu.Start(),
                        {{5, 9, 5, 8}, {5, 1, 5, 2}, {5, 8, 5, 9}, {5, 2, 5, 1}, k26, k34, k76});
  play(t, b->to, {k84});
  ASSERT_EQ(a->to, b->to);
  EXPECT_EQ(b->to->tesu, 7);

  // Each move is visited once; the shared position's continuation only once.
  std::multiset<const KifuSashite*> seen;
  for (const KifuSashite* m = kifu.NextKifuSashite(nullptr); m; m = kifu.NextKifuSashite(m)) {
    seen.insert(m);
  }
  EXPECT_EQ(seen.size(), 12u);  // root, three, seven and one
  EXPECT_EQ(std::set<const KifuSashite*>(seen.begin(), seen.end()).size(), seen.size());
  EXPECT_EQ(seen.count(b), 1u);

  ASSERT_TRUE(kifu.SelectPrevLine(7, 0, false));  // in through route A
  EXPECT_EQ(kifu.GetTesu(), 4);
  EXPECT_EQ(a->to->tesu, 3);
  EXPECT_EQ(kifu.NodeAtTesu(3), a);
  EXPECT_FALSE(kifu.SelectPrevLine(3, 2, false));
  ASSERT_TRUE(kifu.SelectPrevLine(3, 1, true));
  EXPECT_EQ(kifu.GetTesu(), 8);
  EXPECT_EQ(kifu.NodeAtTesu(7), b);
}

TEST(KifuEdit, HeadersCommentsAndTimes) {
  Kifu kifu;
  kifu.names[0].Assign("A");
  kifu.date.Assign("2024/01/02");
  EXPECT_STREQ(kifu.GetHeader("先手"), "A");
  EXPECT_STREQ(kifu.GetHeader("上手"), "");
  EXPECT_STREQ(kifu.GetHeader("対局日"), "2024/01/02");
  EXPECT_EQ(kifu.GetHeader("場所"), nullptr);
  EXPECT_TRUE(kifu.SetHeader("場所", "x"));
  EXPECT_TRUE(kifu.SetHeader("持ち時間", "1h"));
  EXPECT_TRUE(kifu.SetHeader("場所", "y"));
  EXPECT_FALSE(kifu.SetHeader("", "z"));
  EXPECT_EQ(kifu.headers.Count(), 4);
  EXPECT_STREQ(kifu.GetHeader("場所"), "y");

  PosTable* t = kifu.table.get();
  KifuSashite* a = play(t, kifu.Start(), {k76, k34, k26});
  KifuSashite* b = play(t, kifu.Start(), {k26, k34, k76});
  RecordingListener l;
  l.Attach(kifu);
  EXPECT_TRUE(kifu.SetComment(1, "note  "));
  EXPECT_FALSE(kifu.SetComment(1, "note　"));
  EXPECT_FALSE(kifu.SetComment(9, "x"));
  EXPECT_EQ(l.Take(), std::vector<std::string>{"SetMarks 1 3"});  // comment, branch point
  EXPECT_STREQ(kifu.NodeAtTesu(1)->comment.c_str(), "note");
  a->comment.Assign("joins second");
  kifu.ClearComments();
  EXPECT_TRUE(a->comment.empty());  // off the line too

  EXPECT_FALSE(kifu.SetSashiteTime(a, 10));  // off the line
  EXPECT_TRUE(kifu.SetSashiteTime(b, 10));
  EXPECT_EQ(b->seconds, 10);
  EXPECT_TRUE(kifu.SetAllTimes(3));
  EXPECT_EQ(a->seconds, 3);
  EXPECT_FALSE(Kifu().SetAllTimes(3));
}

TEST(KifuEdit, ClearingAnalysisMovesAndTheStartPosition) {
  Kifu kifu;
  KifuSashite* third = play(kifu.table.get(), kifu.Start(), {k76, k34, k26});
  KifuSashite* resign = Kifu::AddSashiteAtPos(third->to, Sashite(0, 0, 0, 0, gote(kOu), 0, 0, kToryo),
                                              0, nullptr, -1, kifu.table.get(), 1, true);
  ASSERT_NE(resign, nullptr);
  for (KifuSashite* m = kifu.NodeAtTesu(1); m; m = m->to->next.Current()) {
    m->hyouka.value = 50;
    m->hyouka.counter2 = 7;
  }
  kifu.ClearHyoukaForSide(0);
  EXPECT_EQ(third->hyouka.value, Kifu::kNoValue);
  EXPECT_EQ(third->hyouka.counter2, 0);
  EXPECT_EQ(kifu.NodeAtTesu(2)->hyouka.value, 50);
  EXPECT_EQ(resign->hyouka.value, 50);  // past the first special move
  KifuHyouka& second = kifu.NodeAtTesu(2)->hyouka;
  second.annotation = 3;  // the user's own notes outlive the analysis
  second.text.Assign("読み筋");
  second.pv = {1, 2};
  second.result_kind = KifuHyouka::kResultMate;
  kifu.ClearHyoukaOnLine();
  EXPECT_EQ(second.value, Kifu::kNoValue);
  EXPECT_TRUE(second.pv.empty() && second.result_kind == KifuHyouka::kResultNone);
  EXPECT_EQ(second.annotation, 3);
  EXPECT_STREQ(second.text.c_str(), "読み筋");
  EXPECT_EQ(resign->hyouka.value, 50);  // special moves keep theirs

  Kyokumen handicap = testing::initial(kKakuOchi);
  EXPECT_FALSE(kifu.SetStartPosition(handicap));
  kifu.root->comment.Assign("start");
  kifu.SetHeader("場所", "x");
  RecordingListener l;
  l.Attach(kifu);
  kifu.Reset(kKakuOchi);
  EXPECT_EQ(l.Take(), testing::list_rebuilt({}, {"SelectPly 0"}));  // once
  EXPECT_EQ(kifu.table->FindKyokumen(handicap), kifu.Start());
  EXPECT_TRUE(kifu.root->comment.empty());
  EXPECT_EQ(kifu.GetHeader("場所"), nullptr);
  EXPECT_FALSE(kifu.ClearMoves());
}

TEST(KifuText, VariationsMarksAndComparisons) {
  Kyokumen start = testing::initial(kHirate);
  KString s;
  pv_to_text(start,
             {word(7, 7, 7, 6, kSentePawn), word(3, 3, 3, 4, kGotePawn),
              word(8, 8, 2, 2, kSenteBishop, 1), word(3, 1, 2, 2, kGoteSilver)},
             0, 0, s);
  EXPECT_STREQ(s.c_str(), "▲７六歩△３四歩▲２二角成△同　銀");
  // A pass inside the variation hands the move back; a trailing pass ends it.
  pv_to_text(start, {word(7, 7, 7, 6, kSentePawn), kNoMoveWord, word(2, 7, 2, 6, kSentePawn),
                     kNoMoveWord},
             0, 0, s);
  EXPECT_STREQ(s.c_str(), "▲７六歩～▲２六歩");
  pv_to_text(start, {word(7, 7, 7, 5, kSentePawn)}, 0, 0, s);  // no playable move
  EXPECT_STREQ(s.c_str(), "");

  EXPECT_EQ(kifu_mark_code("逸機"), 4);
  EXPECT_EQ(kifu_mark_code("悪"), 0);
  EXPECT_EQ(kifu_mark_code(nullptr), 0);
  kifu_mark_name(2, s);
  EXPECT_STREQ(s.c_str(), "疑問手");

  const Sashite b22(8, 8, 2, 2, kKaku, gote(kKaku), 1, 0);
  EXPECT_TRUE(engine_sashite_equals(b22, word(8, 8, 2, 2, kSenteBishop, 1)));
  EXPECT_FALSE(engine_sashite_equals(b22, word(8, 8, 2, 2, kSenteBishop, 0)));
  EXPECT_FALSE(engine_sashite_equals(b22, kNoMoveWord));
  KifuHyouka h;
  EXPECT_FALSE(pv_head_equals(b22, h));
  h.pv = {word(8, 8, 2, 2, kSenteBishop, 1), word(3, 1, 2, 2, kGoteSilver)};
  EXPECT_TRUE(pv_head_equals(b22, h));
}

// Reset clears the think result (value none, counters, variation with its
// storage kept, result kind, flag, speed, threat) and keeps the user's
// annotation and the text.
TEST(KifuHyoukaReset, ClearsTheThinkResultAndKeepsTheNotes) {
  KifuHyouka h;
  h.annotation = 2;
  h.value = -120;
  h.counter1 = 5;
  h.counter2 = 6;
  h.predicted_reply = word(3, 3, 3, 4, kGotePawn);
  h.pv = {word(7, 7, 7, 6, kSentePawn), word(3, 3, 3, 4, kGotePawn)};
  h.text.Assign("note");
  h.result_kind = KifuHyouka::kResultMate;
  h.display_flag = 1;
  h.speed = 123456.0;
  h.threat = 1;
  const size_t capacity = h.pv.capacity();
  h.Reset();
  EXPECT_EQ(h.value, KifuHyouka::kNoValue);
  EXPECT_EQ(h.counter1, 0);
  EXPECT_EQ(h.counter2, 0);
  EXPECT_EQ(h.predicted_reply, 0);
  EXPECT_TRUE(h.pv.empty());
  EXPECT_EQ(h.pv.capacity(), capacity);
  EXPECT_EQ(h.result_kind, KifuHyouka::kResultNone);
  EXPECT_EQ(h.display_flag, 0);
  EXPECT_EQ(h.speed, 0.0);
  EXPECT_EQ(h.threat, 0);
  EXPECT_EQ(h.annotation, 2);
  EXPECT_STREQ(h.text.c_str(), "note");
}

TEST(KifuList, LinesCarryTextsAnalysisAndFlags) {
  Kifu kifu;
  PosTable* t = kifu.table.get();
  play(t, kifu.Start(), {k56});
  KifuSashite* second = play(t, kifu.Start(), {k76, k34});
  KifuSashite* first = second->from->prev.Current();
  first->hyouka.display_flag = 1;
  first->seconds = 12;
  second->hyouka.value = -40;
  second->hyouka.annotation = 1;
  second->hyouka.pv = {word(3, 3, 3, 4, kGotePawn), word(8, 8, 2, 2, kSenteBishop, 1)};
  second->hyouka.result_kind = KifuHyouka::kResultBook;
  second->comment.Assign("c");
  first->hyouka.text.Assign("book text");
  RecordingListener l;
  kifu.SetListener(&l);
  EXPECT_EQ(l.Take(), testing::list_rebuilt({"1 1：▲７六歩 [book text] [] 12 32767 6",
                                             "2 2：△３四歩 [△３四歩▲２二角成(定跡)] [好手] 0 -40 9"}));

  EXPECT_STREQ(kifu_node_text_to(first).c_str(), "▲７六歩");
  KifuSashite* same = play(t, second->to, {{8, 8, 2, 2}, {3, 1, 2, 2}});
  EXPECT_STREQ(kifu_node_text(same).c_str(), "△同　銀");
  EXPECT_STREQ(kifu_node_text(kifu.root.get()).c_str(), "== 対局開始 ==");
}

}  // namespace
}  // namespace model
