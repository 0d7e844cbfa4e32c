// The accept test: a constructed position for every code, each checked to give
// way to the codes before it (its destination listed gives 1, the side's king
// listed gives 2, and where a later code holds too the earlier one wins), the
// boundaries of single tests, and the boolean form of the targeted generator.
#include "engine/board/threat_kind.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "engine/board/ply_table.h"
#include "engine/board/think_board.h"
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
    think_board.ply_table.search_ply_counter = 1;  // ply 1 reads the list of layer 0
    List({});
    think_board.generator_words.threat_word = 0;
    history_[0] = history_[1] = pass_move();
  }
  void TearDown() override {
    think_board.ply_table.search_ply_counter = 0;
    think_board.generator_words.threat_word = 0;
  }
  static void List(std::initializer_list<int> squares) {
    think_board.ply_table.ply_list_head[0] = 0;
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

// Sente's king on 1i and gote's on 9a (unless the text places it), plus the
// pieces of the text (board::testing::scene).
Scene scene(std::string text) {
  if (text.find('k') == std::string::npos) text += " k91";
  return Scene{testing::scene("K19 " + text)};
}

constexpr int kDrop = 11;

std::vector<Case> cases() {
  // Where a later code holds too, the name says so: the earlier one wins.
  return {
      {"1", scene("G58"), 0, {sq(5, 7)}, 5, 8, 5, 7, 0, 1, 1},
      {"2", scene("G58 R28"), 0, {sq(2, 8)}, 5, 8, 5, 7, 0, 1, 2},
      {"3 before 4", scene("*P"), word(0, 0, kPawn, 5), {}, kDrop, kFu, 5, 5, 0, 1, 3},
      {"4 before 5", scene("p54 *G"), word(sq(5, 5), sq(5, 4), kGold), {}, kDrop, kKin, 5, 5, 0, 1, 4},
      {"5", scene("s54 *G"), word(sq(5, 5), sq(5, 4)), {}, kDrop, kKin, 5, 5, 0, 1, 5},
      {"7", scene("G58"), 0, {}, 5, 8, 6, 8, 0, 1, 7, sq(6, 8)},
      {"18", scene("G58 p56"), 0, {sq(5, 6)}, 5, 8, 5, 7, 0, 1, 18},
      {"18 empty", scene("G58"), 0, {sq(4, 6)}, 5, 8, 5, 7, 0, 4, 18},
      {"20", scene("S44 p42"), 0, {sq(4, 2)}, 4, 4, 4, 3, 1, 1, 20},
      {"22", scene("S44 p42"), 0, {sq(4, 2)}, 4, 4, 4, 3, 0, 1, 22},
      {"24", scene("N57 g33"), 0, {sq(3, 3)}, 5, 7, 4, 5, 0, 1, 24},
      {"25 before 26", scene("s54 *L"), word(0, sq(5, 3)), {sq(5, 4)}, kDrop, kKyo, 5, 7, 0, 3, 25},
      {"26", scene("s54 *L"), word(0, sq(5, 3)), {sq(5, 4)}, kDrop, kKyo, 5, 7, 0, 2, 26},
      {"27 before 28", scene("P57 s55"), word(0, sq(5, 4)), {sq(5, 5)}, 5, 7, 5, 6, 0, 3, 27},
      {"28", scene("P57 s55"), 0, {sq(5, 5)}, 5, 7, 5, 6, 0, 1, 28},
      {"9", scene("+R55 p47"), 0, {sq(4, 7)}, 5, 5, 5, 6, 0, 1, 9},
      {"13", scene("+B55 p43"), 0, {sq(4, 3)}, 5, 5, 4, 4, 0, 1, 13},
      {"10 before 11, past an own rook", scene("R28 R45 g55"), 0, {sq(3, 5), sq(5, 5)}, 2, 8, 2, 5, 0, 5, 10},
      {"11", scene("R28"), 0, {sq(5, 5)}, 2, 8, 2, 5, 0, 5, 11},
      {"15 before 16", scene("B88 s73"), word(sq(4, 6)), {sq(7, 3)}, 8, 8, 5, 5, 0, 1, 15},
      {"16", scene("B88"), word(sq(8, 2)), {}, 8, 8, 5, 5, 0, 1, 16},
      {"29", scene("R58 P57 p55"), word(0, sq(3, 6)), {}, 5, 7, 5, 6, 0, 1, 29},
      {"30", scene("R58 p55 *P"), word(0, sq(3, 6)), {}, kDrop, kFu, 5, 6, 0, 1, 30},
      {"31", scene("R58 P56 S37 p46"), word(0, sq(5, 6)), {}, 3, 7, 4, 6, 0, 1, 31},
      {"32", scene("R58 P57 p55 l35 *P"), word(0, sq(3, 5)), {}, 5, 7, 5, 6, 0, 1, 32},
      {"33", scene("R58 p55 l35 *P *P"), word(0, sq(3, 5)), {}, kDrop, kFu, 5, 6, 0, 1, 33},
      {"40", scene("k51 G63"), word(0, sq(4, 2)), {}, 6, 3, 6, 2, 0, 1, 40},
  };
}

TEST_F(ThreatKindTest, EveryCodeAndTheCodesBeforeIt) {
  for (Case& c : cases()) {
    SCOPED_TRACE(c.name);
    const KPosition p = c.scene.Load();
    const KMove m = c.scene.Move(p, c.fx, c.fy, c.tx, c.ty, c.promote);
    think_board.generator_words.threat_word = c.word;
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
}

TEST_F(ThreatKindTest, Boundaries) {
  // Without the record before the incoming move, codes 3 and 7 do not apply.
  Scene d = scene("G58 *P");
  KPosition p = d.Load();
  think_board.generator_words.threat_word = word(0, 0, kPawn, 5);
  EXPECT_EQ(Kind(p, d.Move(p, kDrop, kFu, 5, 5), 1, false), 4);
  think_board.generator_words.threat_word = 0;
  history_[0].from = static_cast<uint8_t>(sq(6, 8));
  EXPECT_EQ(Kind(p, d.Move(p, 5, 8, 6, 8), 1, false), 0);

  // An empty listed square counts only deeper than 3; a square the gold
  // covered already is no new target.
  const KMove gold = d.Move(p, 5, 8, 5, 7);
  List({sq(4, 6)});
  EXPECT_EQ(Kind(p, gold, 3), 0);
  List({sq(4, 7)});
  EXPECT_EQ(Kind(p, gold, 5), 0);

  // A rook never gives 10 or 11 along the line it moved on.
  Scene r = scene("R28 p25 g23");
  p = r.Load();
  List({sq(2, 3), sq(2, 4)});
  EXPECT_EQ(Kind(p, r.Move(p, 2, 8, 2, 5), 5), 0);

  // Gote's pawn behind a listed sente silver, in gote's direction.
  Scene t = scene("p53 S55");
  t.k.teban = 1;
  p = t.Load();
  List({sq(5, 5)});
  EXPECT_EQ(Kind(p, t.Move(p, 5, 3, 5, 4), 1), 28);
  // Ply 0 has no list.
  think_board.ply_table.search_ply_counter = 0;
  EXPECT_EQ(Kind(p, t.Move(p, 5, 3, 5, 4), 1), 0);
}

TEST_F(ThreatKindTest, BooleanFormForTheTargetedGenerator) {
  Scene s = scene("G58 p47 s54 R28 *P");
  const KPosition p = s.Load();
  auto accepts = [&](const KMove& m) {
    const bool drop = m.from == kInHand;
    return sashite_threat_kind2(p, drop ? -1 : m.piece, drop ? code_kind(m.code) : m.code, m.promote, m.to);
  };
  const KMove gold = s.Move(p, 5, 8, 5, 7);
  const KMove rook = s.Move(p, 2, 8, 2, 4);
  think_board.generator_words.threat_word = word(0, 0, 0, 5);
  EXPECT_EQ(accepts(s.Move(p, kDrop, kFu, 5, 5)), 1);  // a pawn drop on file F
  EXPECT_EQ(accepts(s.Move(p, kDrop, kFu, 6, 5)), 0);
  List({sq(5, 7)});
  EXPECT_EQ(accepts(gold), 1);  // onto a listed square
  List({sq(4, 7)});
  EXPECT_EQ(accepts(gold), 0);  // the gold covered 4g already
  List({sq(5, 6)});
  EXPECT_EQ(accepts(gold), 0);  // empty listed squares never count
  List({sq(5, 4)});
  EXPECT_EQ(accepts(rook), 1);  // the rook's rank reaches the listed silver
  List({});
  think_board.generator_words.threat_word = word(sq(4, 4));
  EXPECT_EQ(accepts(rook), 1);  // and square A
  think_board.generator_words.threat_word = word(sq(6, 4));
  EXPECT_EQ(accepts(rook), 0);  // but not past the silver
}

}  // namespace
}  // namespace board
