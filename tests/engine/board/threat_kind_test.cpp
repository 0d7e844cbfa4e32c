// The accept test: a constructed position for every code, each checked to give
// way to the codes before it (its destination listed gives 1, the side's king
// listed gives 2), and the boundaries of the single tests; then the boolean
// form of the targeted generator.
#include "engine/board/threat_kind.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "engine/board/ply_table.h"
#include "engine/board/search_words.h"
#include "tests/engine/board/model_positions.h"

namespace board {
namespace {

using model::kFu, model::kKyo, model::kKei, model::kGin, model::kKin, model::kKaku, model::kHi, model::kOu;
using model::testing::gote;
using testing::Scene;

constexpr int sq(int file, int rank) { return square_of(file, rank); }

uint32_t word(int a, int b = 0, int kind = 0, int file = 0) {
  return static_cast<uint32_t>(a | b << 8 | kind << 16 | file << 24);
}

class ThreatKindTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pos_table_init();
    search_ply_counter = 1;  // ply 1 reads the list of layer 0
    List({});
    threat_word = 0;
    history_[0] = history_[1] = pass_move();
  }
  void TearDown() override {
    search_ply_counter = 0;
    threat_word = 0;
  }
  static void List(std::initializer_list<int> squares) {
    ply_list_head[0] = 0;
    for (int s : squares) ply_list_push(0, s);
  }
  // The code of a move with the search's move array behind it: the record
  // before the incoming move (a pass unless set) is the side's previous move.
  int Kind(const KPosition& p, const KMove& m, int depth, bool with_record = true) {
    const KMove* last = with_record ? &history_[1] : nullptr;
    return sashite_threat_kind(p, last, m.piece, m.promote, m.from == kInHand, m.to, depth);
  }
  KMove history_[2];
};

struct Case {
  const char* name;
  Scene scene;
  uint32_t word;
  std::vector<int> list;
  int fx, fy, tx, ty, promote;
  int depth;
  int expected;
  int previous_from = 0;  // from-square of the side's previous move
};

// Sente's king on 1i, gote's on 9a, plus the given pieces (file, rank, model code).
Scene scene(std::initializer_list<std::array<int, 3>> pieces, std::initializer_list<std::array<int, 2>> hand = {}) {
  Scene s;
  s.Put(1, 9, kOu).Put(9, 1, gote(kOu));
  for (const auto& pc : pieces) s.Put(pc[0], pc[1], pc[2]);
  for (const auto& h : hand) s.k.mochigoma[0][h[0]] = static_cast<int8_t>(h[1]);
  return s;
}

constexpr int kDrop = 11;

std::vector<Case> cases() {
  return {
      {"1 onto a listed square", scene({{5, 8, kKin}}), 0, {sq(5, 7)}, 5, 8, 5, 7, 0, 1, 1},
      {"2 own rook listed", scene({{5, 8, kKin}, {2, 8, kHi}}), 0, {sq(2, 8)}, 5, 8, 5, 7, 0, 1, 2},
      {"3 pawn drop on file F", scene({}, {{kFu, 1}}), word(0, 0, 0, 5), {}, kDrop, kFu, 5, 5, 0, 1, 3},
      {"4 drop of kind K", scene({}, {{kKin, 1}}), word(0, 0, kGold), {}, kDrop, kKin, 5, 5, 0, 1, 4},
      {"5 drop on A, pawn on B", scene({{5, 4, gote(kFu)}}, {{kKin, 1}}), word(sq(5, 5), sq(5, 4)), {}, kDrop,
       kKin, 5, 5, 0, 1, 5},
      {"7 back where the previous move came from", scene({{5, 8, kKin}}), 0, {}, 5, 8, 6, 8, 0, 1, 7, sq(6, 8)},
      {"18 gold, listed enemy", scene({{5, 8, kKin}, {5, 6, gote(kFu)}}), 0, {sq(5, 6)}, 5, 8, 5, 7, 0, 1, 18},
      {"18 gold, listed empty square that counts", scene({{5, 8, kKin}}), 0, {sq(4, 6)}, 5, 8, 5, 7, 0, 4, 18},
      {"20 silver promoting", scene({{4, 4, kGin}, {4, 2, gote(kFu)}}), 0, {sq(4, 2)}, 4, 4, 4, 3, 1, 1, 20},
      {"22 silver", scene({{4, 4, kGin}, {4, 2, gote(kFu)}}), 0, {sq(4, 2)}, 4, 4, 4, 3, 0, 1, 22},
      {"24 knight", scene({{5, 7, kKei}, {3, 3, gote(kKin)}}), 0, {sq(3, 3)}, 5, 7, 4, 5, 0, 1, 24},
      {"25 lance reaches the square before B", scene({}, {{kKyo, 1}}), word(0, sq(5, 3)), {}, kDrop, kKyo, 5, 7, 0,
       3, 25},
      {"26 lance, listed enemy", scene({{5, 4, gote(kGin)}}, {{kKyo, 1}}), 0, {sq(5, 4)}, kDrop, kKyo, 5, 7, 0, 1,
       26},
      {"27 pawn two steps short of B", scene({{5, 7, kFu}}), word(0, sq(5, 4)), {}, 5, 7, 5, 6, 0, 3, 27},
      {"28 pawn behind a listed enemy", scene({{5, 7, kFu}, {5, 5, gote(kGin)}}), 0, {sq(5, 5)}, 5, 7, 5, 6, 0, 1,
       28},
      {"9 dragon step", scene({{5, 5, model::kRyu}, {4, 7, gote(kFu)}}), 0, {sq(4, 7)}, 5, 5, 5, 6, 0, 1, 9},
      {"13 horse step", scene({{5, 5, model::kUma}, {4, 3, gote(kFu)}}), 0, {sq(4, 3)}, 5, 5, 4, 4, 0, 1, 13},
      {"10 rook line, listed enemy", scene({{2, 8, kHi}, {5, 5, gote(kKin)}}), 0, {sq(5, 5)}, 2, 8, 2, 5, 0, 1, 10},
      {"11 rook line, listed empty square", scene({{2, 8, kHi}}), 0, {sq(5, 5)}, 2, 8, 2, 5, 0, 5, 11},
      {"15 bishop line, listed enemy", scene({{8, 8, kKaku}, {7, 3, gote(kGin)}}), 0, {sq(7, 3)}, 8, 8, 5, 5, 0, 1,
       15},
      {"16 bishop line reaches A", scene({{8, 8, kKaku}}), word(sq(7, 3)), {}, 8, 8, 5, 5, 0, 1, 16},
      {"29 pawn push opening the rook", scene({{5, 8, kHi}, {5, 7, kFu}, {5, 5, gote(kFu)}}), word(0, sq(3, 6)), {},
       5, 7, 5, 6, 0, 1, 29},
      {"30 pawn drop opening the rook", scene({{5, 8, kHi}, {5, 5, gote(kFu)}}, {{kFu, 1}}), word(0, sq(3, 6)), {},
       kDrop, kFu, 5, 6, 0, 1, 30},
      {"31 capture beside B's pawn on the rook's file",
       scene({{5, 8, kHi}, {5, 6, kFu}, {3, 7, kGin}, {4, 6, gote(kFu)}}), word(0, sq(5, 6)), {}, 3, 7, 4, 6, 0, 1,
       31},
      {"32 pawn push under B's lance", scene({{5, 8, kHi}, {5, 7, kFu}, {5, 5, gote(kFu)}, {3, 5, gote(kKyo)}}, {{kFu, 1}}),
       word(0, sq(3, 5)), {}, 5, 7, 5, 6, 0, 1, 32},
      {"33 pawn drop under B's lance", scene({{5, 8, kHi}, {5, 5, gote(kFu)}, {3, 5, gote(kKyo)}}, {{kFu, 2}}),
       word(0, sq(3, 5)), {}, kDrop, kFu, 5, 6, 0, 1, 33},
  };
}

TEST_F(ThreatKindTest, EveryCodeAndTheCodesBeforeIt) {
  for (Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const KPosition p = c.scene.Load();
    const KMove m = c.scene.Move(p, c.fx, c.fy, c.tx, c.ty, c.promote);
    threat_word = c.word;
    history_[0].from = static_cast<uint8_t>(c.previous_from == 0 ? kPassSquare : c.previous_from);
    List({});
    for (int s : c.list) ply_list_push(0, s);
    EXPECT_EQ(Kind(p, m, c.depth), c.expected);
    if (c.expected > 2) {
      ply_list_push(0, sq(1, 9));  // the side's king
      EXPECT_EQ(Kind(p, m, c.depth), 2);
    }
    if (c.expected > 1) {
      ply_list_push(0, m.to);
      EXPECT_EQ(Kind(p, m, c.depth), 1);
    }
  }
  // 40: B and the destination both next to the enemy king (here on 5a).
  Scene s;
  s.Put(1, 9, kOu).Put(5, 1, gote(kOu)).Put(6, 3, kKin);
  const KPosition p = s.Load();
  List({});
  threat_word = word(0, sq(4, 2));
  EXPECT_EQ(Kind(p, s.Move(p, 6, 3, 6, 2), 1), 40);
  EXPECT_EQ(Kind(p, s.Move(p, 6, 3, 7, 2), 1), 0);
}

TEST_F(ThreatKindTest, DropCodesInTheirOrder) {
  Scene s = scene({{5, 4, gote(kGin)}, {4, 4, gote(kGin)}}, {{kFu, 1}, {kKin, 1}});
  KPosition p = s.Load();
  const KMove pawn = s.Move(p, kDrop, kFu, 5, 5);
  const KMove gold = s.Move(p, kDrop, kKin, 5, 5);
  threat_word = word(sq(5, 5), sq(5, 4), kPawn, 5);
  EXPECT_EQ(Kind(p, pawn, 1), 3);
  EXPECT_EQ(Kind(p, pawn, 1, false), 4);  // no record before: 3 does not apply
  threat_word = word(sq(5, 5), sq(5, 4), kGold);
  EXPECT_EQ(Kind(p, gold, 1), 4);
  threat_word = word(sq(5, 5), sq(5, 4));
  EXPECT_EQ(Kind(p, gold, 1), 5);  // a silver on A's file
  threat_word = word(sq(5, 5), sq(4, 4));
  EXPECT_EQ(Kind(p, gold, 1), 0);  // a silver off it
  // A pawn counts as K only while exactly one is in hand.
  s.k.mochigoma[0][kFu] = 2;
  p = s.Load();
  threat_word = word(0, 0, kPawn);
  EXPECT_EQ(Kind(p, s.Move(p, kDrop, kFu, 6, 5), 1), 0);
  // Without a record before, 7 does not apply either.
  history_[0].from = static_cast<uint8_t>(sq(4, 4));
  threat_word = 0;
  Scene g = scene({{5, 5, kKin}});
  const KPosition q = g.Load();
  EXPECT_EQ(Kind(q, g.Move(q, 5, 5, 4, 4), 1), 7);
  EXPECT_EQ(Kind(q, g.Move(q, 5, 5, 4, 4), 1, false), 0);
}

TEST_F(ThreatKindTest, ClassTestBoundaries) {
  // Empty listed squares count only deep enough and with no enemy pawn beyond.
  Scene g = scene({{5, 8, kKin}, {4, 5, gote(kFu)}});
  KPosition p = g.Load();
  List({sq(4, 6)});
  EXPECT_EQ(Kind(p, g.Move(p, 5, 8, 5, 7), 4), 0);
  // A square the gold attacked already is no new target.
  g = scene({{5, 8, kKin}, {4, 7, gote(kFu)}});
  p = g.Load();
  List({sq(4, 7)});
  EXPECT_EQ(Kind(p, g.Move(p, 5, 8, 5, 7), 1), 0);

  // Lance: 25 before 26; an empty listed square on its line; a blocked line.
  Scene l = scene({{5, 4, gote(kGin)}}, {{kKyo, 1}});
  p = l.Load();
  const KMove lance = l.Move(p, kDrop, kKyo, 5, 7);
  List({sq(5, 4)});
  threat_word = word(0, sq(5, 3));
  EXPECT_EQ(Kind(p, lance, 3), 25);
  EXPECT_EQ(Kind(p, lance, 2), 26);
  threat_word = 0;
  List({sq(5, 5)});
  EXPECT_EQ(Kind(p, lance, 3), 26);
  EXPECT_EQ(Kind(p, lance, 2), 0);

  // Pawn: B two steps ahead needs depth 3; an empty listed square ahead needs
  // more than 3.
  Scene w = scene({{5, 7, kFu}});
  p = w.Load();
  const KMove push = w.Move(p, 5, 7, 5, 6);
  List({});
  threat_word = word(0, sq(5, 4));
  EXPECT_EQ(Kind(p, push, 2), 0);
  threat_word = 0;
  List({sq(5, 5)});
  EXPECT_EQ(Kind(p, push, 4), 28);
  EXPECT_EQ(Kind(p, push, 3), 0);

  // Dragon: a diagonal step onto a square its rank line covered is not new.
  Scene d = scene({{5, 5, model::kRyu}, {4, 5, gote(kFu)}});
  p = d.Load();
  List({sq(4, 5)});
  EXPECT_EQ(Kind(p, d.Move(p, 5, 5, 5, 6), 1), 0);

  // Rook: never along the move's own line; 10 before 11; own rooks are passed;
  // an empty square at depth 4 not with an enemy pawn beyond it.
  Scene r = scene({{2, 8, kHi}, {2, 5, gote(kFu)}, {2, 3, gote(kKin)}, {6, 5, gote(kKin)}, {4, 5, kHi}});
  p = r.Load();
  const KMove rook = r.Move(p, 2, 8, 2, 5);
  List({sq(2, 3), sq(2, 4)});
  EXPECT_EQ(Kind(p, rook, 5), 0);
  List({sq(3, 5), sq(6, 5)});
  EXPECT_EQ(Kind(p, rook, 5), 10);
  Scene e = scene({{2, 8, kHi}, {5, 4, gote(kFu)}});
  p = e.Load();
  List({sq(5, 5)});
  EXPECT_EQ(Kind(p, e.Move(p, 2, 8, 2, 5), 4), 0);
  EXPECT_EQ(Kind(p, e.Move(p, 2, 8, 2, 5), 5), 11);

  // Bishop: 15 before 16; A on an edge square (gote's king on 9a) does not count.
  Scene b = scene({{8, 8, kKaku}, {7, 3, gote(kGin)}});
  p = b.Load();
  List({sq(7, 3)});
  threat_word = word(sq(4, 6));
  EXPECT_EQ(Kind(p, b.Move(p, 8, 8, 5, 5), 1), 15);
  List({});
  p = b.Put(7, 3, model::kEmpty).Load();
  const KMove bishop = b.Move(p, 8, 8, 5, 5);
  threat_word = word(sq(8, 2));
  EXPECT_EQ(Kind(p, bishop, 1), 16);
  threat_word = word(sq(9, 1));
  EXPECT_EQ(Kind(p, bishop, 1), 0);
  threat_word = 0;

  // Gote's pawn behind a listed sente silver, in gote's direction.
  Scene t = scene({{5, 3, gote(kFu)}, {5, 5, kGin}});
  t.k.teban = 1;
  p = t.Load();
  List({sq(5, 5)});
  EXPECT_EQ(Kind(p, t.Move(p, 5, 3, 5, 4), 1), 28);

  // No list at ply 0: codes 1 and 2 cannot hold.
  search_ply_counter = 0;
  Scene z = scene({{5, 8, kKin}});
  p = z.Load();
  EXPECT_EQ(Kind(p, z.Move(p, 5, 8, 5, 7), 1), 0);
}

TEST_F(ThreatKindTest, PatternCodesNeedTheirPawnsInHand) {
  Scene s = scene({{5, 8, kHi}, {5, 7, kFu}, {5, 5, gote(kFu)}, {3, 5, gote(kKyo)}});
  KPosition p = s.Load();
  threat_word = word(0, sq(3, 5));
  EXPECT_EQ(Kind(p, s.Move(p, 5, 7, 5, 6), 1), 0);  // 32 needs a pawn in hand
  Scene d = scene({{5, 8, kHi}, {5, 5, gote(kFu)}, {3, 5, gote(kKyo)}}, {{kFu, 1}});
  p = d.Load();
  EXPECT_EQ(Kind(p, d.Move(p, kDrop, kFu, 5, 6), 1), 0);  // 33 needs two
}

TEST_F(ThreatKindTest, BooleanFormForTheTargetedGenerator) {
  Scene s = scene({{5, 8, kKin}, {4, 7, gote(kFu)}, {5, 4, gote(kGin)}, {2, 8, kHi}}, {{kFu, 1}, {kKyo, 1}});
  const KPosition p = s.Load();
  auto accepts = [&](const KMove& m) {
    const bool drop = m.from == kInHand;
    return sashite_threat_kind2(p, drop ? -1 : m.piece, drop ? code_kind(m.code) : m.code, m.promote, m.to);
  };
  const KMove gold = s.Move(p, 5, 8, 5, 7);
  threat_word = word(0, 0, 0, 5);
  EXPECT_EQ(accepts(s.Move(p, kDrop, kFu, 5, 5)), 1);  // a pawn drop on file F
  EXPECT_EQ(accepts(s.Move(p, kDrop, kFu, 6, 5)), 0);
  threat_word = word(0, 0, kLance);
  EXPECT_EQ(accepts(s.Move(p, kDrop, kKyo, 6, 5)), 1);  // a drop of kind K
  threat_word = 0;
  List({sq(5, 7)});
  EXPECT_EQ(accepts(gold), 1);  // onto a listed square
  List({sq(4, 7)});
  EXPECT_EQ(accepts(gold), 0);  // the gold covered 4g already
  List({sq(5, 6)});
  EXPECT_EQ(accepts(gold), 0);  // empty listed squares never count
  List({sq(5, 4)});
  EXPECT_EQ(accepts(s.Move(p, kDrop, kKyo, 5, 7)), 1);  // the lance's line reaches 5d
  EXPECT_EQ(accepts(s.Move(p, 2, 8, 2, 4)), 1);         // so does the rook's rank
  List({});
  EXPECT_EQ(accepts(s.Move(p, 2, 8, 2, 4)), 0);
  threat_word = word(sq(4, 4));
  EXPECT_EQ(accepts(s.Move(p, 2, 8, 2, 4)), 1);  // the rook's rank reaches A
  threat_word = word(sq(6, 4));
  EXPECT_EQ(accepts(s.Move(p, 2, 8, 2, 4)), 0);  // beyond the silver on 5d
}

}  // namespace
}  // namespace board
