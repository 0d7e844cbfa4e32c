// Mate-threat marks and defences, the tactical extension patterns and the
// king-zone test.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/ply_table.h"
#include "engine/search/line_records.h"
#include "engine/search/mate_threat.h"
#include "engine/search/tactical_extension.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/turned_twin.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::testing::Scene;
using model::testing::gote;

int digits(int sq) { return 10 * board::square_file(sq) + board::square_rank(sq); }

TEST(MateThreat, EveryMarkDecodesToItsMove) {
  for (int from = board::kFirstSquare; from <= board::kLastSquare; ++from) {
    if (!board::is_playing_square(from) || from == board::square_of(5, 9) || from == board::square_of(5, 1)) continue;
    Scene s;
    s.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(board::square_file(from), board::square_rank(from), model::kKin);
    const KPosition p = s.Load();
    for (int to = board::kFirstSquare; to <= board::kLastSquare; ++to) {
      if (!board::is_playing_square(to) || to == from) continue;
      KMove m = board::pass_move();
      board::write_board_move(m, p, p.board[from], from, to, 0);
      const uint32_t mark = mate_threat_mark(m);
      ASSERT_EQ(mark, 0x8000u + digits(to) + (digits(from) << 8));
      const KMove back = threat_move_decode(p, mark, 0);
      ASSERT_TRUE(back.from == from && back.to == to) << from << "->" << to;
    }
  }
  KPosition p;
  ASSERT_EQ(bridge::position_load(p, board::testing::kings_and_hands(board::testing::kHalfOfEveryPiece)), 0);
  for (int kind = board::kRook; kind <= board::kPawn; ++kind) {
    KMove m = board::pass_move();
    board::write_drop(m, p, kind, board::square_of(2, 5));
    const KMove back = threat_move_decode(p, mate_threat_mark(m), 0);
    EXPECT_TRUE(back.from == board::kInHand && back.to == m.to && back.code == m.code) << kind;
  }
  EXPECT_EQ(mate_threat_mark(board::pass_move()), 0xffffu);
  EXPECT_EQ(threat_move_decode(p, 0xffff, 0).from, board::kPassSquare);
}

std::vector<KMove> defences(const KPosition& p, const KPassThreat& r, int ply) {
  static KMove buf[board::kMaxMoves];
  return {buf, buf + gen_mate_threat_defences(testing::test_context(), p, r, ply, 8, buf)};
}
bool has(const std::vector<KMove>& v, int from, int to) {
  for (const KMove& m : v) {
    if (m.from == from && m.to == to) return true;
  }
  return false;
}

TEST(MateThreat, DefencesByPlyAndRecord) {
  Scene s;
  s.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(4, 9, model::kKin).Hand(model::kFu).Hand(model::kKin);
  const KPosition p = s.Load();
  const int q = board::square_of(5, 8), king = board::square_of(5, 9), side = board::square_of(6, 9);
  const board::KMoveWord threat = board::kmove_drop(q, board::kGold | board::kGoteBit);
  const board::KMoveWord step = board::kmove_pack(king, side, board::kKing | board::kSenteBit, 0, 0);
  const board::KMoveWord ghost = board::kmove_pack(board::square_of(4, 4), board::square_of(4, 3),
                                                    board::kGold | board::kSenteBit, 0, 0);
  // From ply 4 down the side drops on the empty threatened square; at ply 5 it does not.
  EXPECT_TRUE(has(defences(p, {1, {threat, 0, 0}}, 4), board::kInHand, q));
  EXPECT_FALSE(has(defences(p, {1, {threat, 0, 0}}, 5), board::kInHand, q));
  // The reply is read only from a record of two or three words, and only when legal.
  EXPECT_FALSE(has(defences(p, {1, {threat, step, 0}}, 5), king, side));
  EXPECT_TRUE(has(defences(p, {2, {threat, step, 0}}, 5), king, side));
  EXPECT_FALSE(has(defences(p, {2, {threat, ghost, 0}}, 5), board::square_of(4, 4), board::square_of(4, 3)));
  // The same threat twice gives each move once.
  const std::vector<KMove> v = defences(p, {3, {threat, kPassWord, threat}}, 3);
  std::set<uint64_t> names;
  for (const KMove& m : v) EXPECT_TRUE(names.insert(board::testing::name(m)).second);
}

// A move of the table below: squares as file x 10 + rank (0 a pass, 100 +
// square a drop), the kind, the side (0 the mover X, 1 the other side Y).
struct Step {
  int from, to, kind, side;
  int flag = 0;
};
struct Pattern {
  const char* name;
  std::vector<std::array<int, 3>> pieces;  // file, rank, model code (gote's with the bit)
  Step e2, e1, e0;
  int expected;
};

KMove stack_move(const Step& st, int x, bool turn) {
  KMove m = board::pass_move();
  if (st.to == 0) return m;
  auto square = [turn](int fr) {
    const int sq = board::square_of(fr / 10, fr % 10);
    return turn ? board::turned_square(sq) : sq;
  };
  const int side = st.side == 0 ? x : 1 - x;
  m.from = static_cast<uint8_t>(st.from >= 100 ? board::kInHand : square(st.from));
  m.to = static_cast<uint8_t>(square(st.to));
  m.code = static_cast<uint8_t>(st.kind | board::side_bit(side));
  m.flag_word = static_cast<uint32_t>(st.flag);
  return m;
}

TEST(TacticalExtension, EachPatternAndItsTwin) {
  constexpr int kKn = board::kKnight, kSi = board::kSilver, kPa = board::kPawn, kLa = board::kLance,
                kBi = board::kBishop, kRo = board::kRook, kGo = board::kGold;
  const int ky = gote(model::kKyo), fu = gote(model::kFu);
  const Step pass{0, 0, 0, 0};
  const std::vector<Pattern> patterns = {
      {"T1", {}, {37, 45, kKn, 0}, {33, 44, kSi, 1}, {25, 24, kPa, 0}, 24},
      {"T2", {{8, 8, model::kOu}}, {98, 97, kPa, 0}, {91, 97, kLa, 1}, {89, 97, kKn, 0}, 24},
      {"T3", {}, {77, 95, kBi, 0}, {93, 94, kPa, 1}, {95, 84, kBi, 0}, 24},
      {"T4", {}, {137, 37, kPa, 0}, {36, 37, kPa, 1}, {38, 37, kGo, 0}, 12},
      {"T5", {}, {155, 55, kGo, 0}, {44, 55, kSi, 1}, {58, 55, kRo, 0}, 12},
      {"T6", {}, {77, 33, kBi, 0}, {31, 33, kRo, 1}, {46, 35, kSi, 0}, 12},
      {"D1", {{1, 8, model::kOu}, {1, 1, ky}, {1, 5, fu}}, pass, {14, 15, kPa, 1}, {155, 55, kGo, 0}, 18},
      {"D2", {{1, 8, model::kOu}, {1, 1, ky}, {1, 6, fu}}, pass, {15, 16, kPa, 1}, {155, 55, kGo, 0}, 18},
      {"D3", {{9, 8, model::kOu}, {9, 1, ky}, {9, 5, fu}}, pass, {94, 95, kPa, 1}, {155, 55, kGo, 0}, 18},
      {"D4", {{9, 8, model::kOu}, {9, 1, ky}, {9, 6, fu}}, pass, {95, 96, kPa, 1}, {155, 55, kGo, 0}, 18},
      {"D5", {{4, 9, model::kKin}, {1, 2, gote(model::kHi)}}, pass, {112, 12, kRo, 1}, {149, 49, kGo, 0, 1}, 12},
      {"D6", {{3, 3, gote(model::kKaku)}, {6, 6, model::kHi}, {6, 7, model::kKin}}, pass, {11, 33, kBi, 1},
       {68, 67, kGo, 0}, 18},
      {"O1", {{9, 8, model::kOu}, {9, 7, model::kKaku}}, pass, pass, {88, 97, kBi, 0}, 12},
      {"O2", {{1, 8, model::kOu}, {1, 7, model::kKaku}}, pass, pass, {28, 17, kBi, 0}, 12},
  };
  search::KSearchNode nodes[5]{};
  search::KSearchNode* contexts[5] = {&nodes[0], &nodes[1], &nodes[2], &nodes[3], &nodes[4]};
  nodes[2].ext = 6;  // two plies above the child: forms C and D differ
  for (const Pattern& pt : patterns) {
    Scene s;
    bool own_king = false;
    for (const auto& [f, r, code] : pt.pieces) {
      s.Put(f, r, code);
      own_king = own_king || code == model::kOu;
    }
    if (!own_king) s.Put(5, 9, model::kOu);
    s.Put(5, 1, gote(model::kOu));
    s.k.teban = 1;
    const KPosition p = s.Load();
    for (bool turn : {false, true}) {
      const KPosition q = turn ? board::testing::turned(p) : p;
      const int x = turn ? 1 : 0;
      KMove stack[4] = {board::pass_move(), stack_move(pt.e2, x, turn), stack_move(pt.e1, x, turn),
                        stack_move(pt.e0, x, turn)};
      EXPECT_EQ(tactical_extension_match(q, 3, stack, contexts), pt.expected) << pt.name << (turn ? " gote" : "");
      nodes[4].ext = 24;  // the child already as deep as the form allows
      EXPECT_LE(tactical_extension_match(q, 3, stack, contexts), 0) << pt.name;
      nodes[4].ext = 0;
    }
  }
}

// The king-zone test reads the squares around the king that the last move
// raised the side to move's count on. Sente: king 5九, rook 8九; gote's gold
// on 7九 blocks the rook from 6九 until it steps to 7八 (beside 6九 it then
// attacks it). A gote knight on 7七 makes gote as strong there as sente's
// king and rook (2 against 2); without it gote is weaker (1 against 2).
TEST(TacticalExtension, KingZoneThreat) {
  for (bool knight : {false, true}) {
    Scene s;
    s.Put(5, 9, model::kOu).Put(8, 9, model::kHi).Put(7, 9, gote(model::kKin)).Put(1, 1, gote(model::kOu));
    if (knight) s.Put(7, 7, gote(model::kKei));
    s.k.teban = 1;
    KPosition p = s.Load();
    board::pos_table_init();
    EXPECT_EQ(king_zone_threat_test(p), 0) << "no move led here: no table layer";
    KMove m = s.Move(p, 7, 9, 7, 8);
    board::do_move(p, m, 1);
    EXPECT_EQ(king_zone_threat_test(p), knight ? 1 : 0) << knight;
    board::undo_move(p, m, 1);
  }
  // The same strength on 6九 counts only when the move raised sente's count
  // there: a gote king's step far away leaves every count around 5九 as it was.
  Scene s;
  s.Put(5, 9, model::kOu).Put(8, 9, model::kHi).Put(7, 8, gote(model::kKin)).Put(7, 7, gote(model::kKei))
      .Put(1, 1, gote(model::kOu));
  s.k.teban = 1;
  KPosition p = s.Load();
  board::pos_table_init();
  KMove m = s.Move(p, 1, 1, 1, 2);
  board::do_move(p, m, 1);
  EXPECT_EQ(king_zone_threat_test(p), 0);
  board::undo_move(p, m, 1);
  board::pos_table_init();
}

}  // namespace
}  // namespace search
