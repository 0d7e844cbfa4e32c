// The target list of a ply, its extension along the side's slider lines, the
// keys of a pair of moves on one square, the root list filter and the home
// distance.
#include "engine/board/target_list.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/board/home_distance.h"
#include "engine/board/make_move.h"
#include "engine/board/move_list_filter.h"
#include "engine/board/pair_key.h"
#include "engine/board/position_setup.h"
#include "tests/engine/board/model_positions.h"

namespace board {
namespace {

using model::kFu, model::kKyo, model::kKei, model::kGin, model::kKin, model::kKaku, model::kHi, model::kOu;
using model::testing::gote;
using testing::scene;
using testing::Scene;

// The current ply's list, head first.
std::vector<int> current_list() {
  std::vector<int> v;
  target_list_walk([&](int sq) { v.push_back(sq); });
  return v;
}

// Ply 1's list (layer 0) holds exactly these squares, the first at the head.
void set_ply1_list(std::vector<int> squares) {
  pos_table_init();
  think_board.ply_table.search_ply_counter = 1;
  think_board.ply_table.ply_list_head[0] = 0;
  for (auto it = squares.rbegin(); it != squares.rend(); ++it) ply_list_push(0, *it);
}

class TargetListTest : public ::testing::Test {
 protected:
  void TearDown() override { think_board.ply_table.search_ply_counter = 0; }
};

TEST_F(TargetListTest, PliesWithoutAListAndAListMadeByACapture) {
  set_ply1_list({square_of(5, 5)});
  think_board.ply_table.ply_list_head[kPlyLayers - 1] = 0;
  ply_list_push(kPlyLayers - 1, square_of(4, 4));
  EXPECT_EQ(target_list_head(0), 0u);  // no move led to ply 0
  EXPECT_EQ(target_list_head(1), static_cast<uint32_t>(square_of(5, 5)));
  EXPECT_EQ(target_list_head(kPlyLayers), static_cast<uint32_t>(square_of(4, 4)));
  EXPECT_EQ(target_list_head(kPlyLayers + 1), 0u);
  EXPECT_EQ(target_list_has(square_of(5, 5)), 1);
  EXPECT_EQ(target_list_has(square_of(4, 4)), 0);
  think_board.ply_table.search_ply_counter = 0;
  EXPECT_EQ(target_list_has(square_of(5, 5)), 0);
  think_board.ply_table.search_ply_counter = kPlyLayers + 1;
  EXPECT_EQ(target_list_has(square_of(4, 4)), 0);

  // A silver takes a pawn: the squares it no longer covers are ply 1's list.
  Scene b{scene("K99 k11 S56 p45 G58")};
  KPosition p = b.Load();
  const KMove take = b.Move(p, 5, 6, 4, 5);
  pos_table_init();
  do_move(p, take, 1);
  EXPECT_EQ(target_list_has(square_of(6, 7)), 1);
  EXPECT_EQ(target_list_has(square_of(4, 4)), 0);
  undo_move(p, take, 1);
}

TEST_F(TargetListTest, ExtendAlongTheSidesSliders) {
  // Sente's rook (5i) and bishop (7g) attack 5e; beyond it lie 5d, the gote
  // pawn on 5c, and 4d before sente's own pawn on 3c.
  Scene s{scene("K99 k11 R59 B77 p53 P33")};
  const KPosition p = s.Load();
  const int d5 = square_of(5, 4), c5 = square_of(5, 3), d4 = square_of(4, 4), e5 = square_of(5, 5);

  // 5d is listed already: only the new squares go behind the tail, the bishop's
  // (a higher number) first.
  set_ply1_list({square_of(8, 8), d5});
  target_list_extend(p, e5);
  EXPECT_EQ(current_list(), (std::vector<int>{square_of(8, 8), d5, d4, c5}));
  EXPECT_EQ(ply_record(0, c5).next, static_cast<uint32_t>(d4));
  EXPECT_EQ(ply_record(0, c5).prev, 0u);

  // On an empty list the first square appended becomes the list.
  set_ply1_list({});
  target_list_extend(p, e5);
  EXPECT_EQ(current_list(), (std::vector<int>{d4, d5, c5}));
  EXPECT_EQ(target_list_head(1), static_cast<uint32_t>(d4));

  // A square no slider attacks adds nothing; at ply 0 there is no list to extend.
  target_list_extend(p, square_of(2, 2));
  EXPECT_EQ(current_list().size(), 3u);
  think_board.ply_table.search_ply_counter = 0;
  target_list_extend(p, e5);
  EXPECT_TRUE(current_list().empty());
}

KMove board_move(int from, int to, int code, int captured_code = 0) {
  KMove m = pass_move();
  m.from = static_cast<uint8_t>(from);
  m.to = static_cast<uint8_t>(to);
  m.code = static_cast<uint8_t>(code);
  m.captured_code = static_cast<uint8_t>(captured_code);
  return m;
}
KMove drop_move(int to, int code) { return board_move(kInHand, to, code); }

TEST_F(TargetListTest, PairKeySteps) {
  const KPosition p{};
  const int e5 = square_of(5, 5), d5 = square_of(5, 4), f5 = square_of(5, 6);
  const KMove b = board_move(f5, e5, kGold | kSenteBit);
  const uint32_t key = static_cast<uint32_t>(e5) * 256 + f5;
  const int G = kGoteBit, S = kSenteBit;
  auto a = [&](int code, int captured = 0) { return board_move(d5, e5, code | G, captured ? captured | S : 0); };
  struct Step {
    KMove a;
    uint32_t plain;      // sashite_pair_key
    uint32_t recapture;  // sashite_pair_key_recapture after c, which brought b's piece to 5f
  };
  const Step steps[] = {
      {pass_move(), 0, 0},                                   // 1: a pass
      {drop_move(d5, kPawn | G), 0, 0},                      // 1: another square
      {drop_move(e5, kSilver | G), key, key},                // 2: a drop
      {a(kPawn), key + (5u << 24), key + (5u << 24)},        // 3: a pawn push adds its file
      {a(kGold), key, key},                                  // 3: any other piece
      {a(kSilver, kPawn), key + 0x70000, key},               // 4: a non-pawn took a pawn
      {a(kRook, kTokin), key + 0x70000, key},                // 5: ... a promoted pawn
      {a(kRook, kSilver), key + 0x40000, key + 0x40000},     // 5: a dearer piece took a silver
      {a(kSilver, kSilver), 0, 0},                           // 5: not a cheaper one
      {a(kPawn, kGold), 0, 0},
  };
  const KMove c = board_move(square_of(5, 7), f5, kGold | S);
  for (const Step& st : steps) {
    EXPECT_EQ(sashite_pair_key(p, st.a, b), st.plain);
    EXPECT_EQ(sashite_pair_key_recapture(p, c, st.a, b), st.recapture);
  }
  // The recapture variant's own refusals: c dropped while a moved a pawn, c
  // captured, c landed elsewhere.
  EXPECT_EQ(sashite_pair_key_recapture(p, drop_move(f5, kGold | S), a(kPawn), b), 0u);
  EXPECT_EQ(sashite_pair_key_recapture(p, board_move(square_of(5, 7), f5, kGold | S, kPawn | G), a(kRook, kSilver), b),
            0u);
  EXPECT_EQ(sashite_pair_key_recapture(p, board_move(square_of(4, 7), square_of(4, 6), kGold | S), a(kRook, kSilver),
                                       b),
            0u);
}

TEST_F(TargetListTest, PairKeyAfterDrops) {
  // Sente to move; gote's king on 2a, sente's on 5i.
  Scene s{scene("K59 k21 N27 L19 p15 s49 G48 S38")};
  const KPosition p = s.Load();
  const KMove pawn_drop = drop_move(square_of(1, 5), kPawn | kGoteBit);
  const KMove knight_takes = s.Move(p, 2, 7, 1, 5);
  // A pawn dropped on the edge file near gote's king, taken by the knight.
  EXPECT_EQ(sashite_pair_key_drop(p, pawn_drop, knight_takes, 3), kPairReject);
  const uint32_t key = static_cast<uint32_t>(square_of(1, 5)) * 256 + square_of(2, 7);
  EXPECT_EQ(sashite_pair_key_drop(p, pawn_drop, knight_takes, 2), key);
  EXPECT_EQ(sashite_pair_key_drop(p, pawn_drop, s.Move(p, 1, 9, 1, 5), 3), kPairReject);
  // A gold taking back onto the back rank from beside its king; a silver from
  // farther off that king's file than where it lands.
  const KMove silver_drop = drop_move(square_of(4, 9), kSilver | kGoteBit);
  EXPECT_EQ(sashite_pair_key_drop(p, silver_drop, s.Move(p, 4, 8, 4, 9), 1), kPairReject);
  EXPECT_EQ(sashite_pair_key_drop(p, silver_drop, s.Move(p, 3, 8, 4, 9), 1),
            static_cast<uint32_t>(square_of(4, 9)) * 256 + square_of(3, 8));

  // After a board move the plain steps hold, and a key extends the target list
  // from a's from-square along the side's sliders: gote's rook came from 5b
  // and took a silver on 5e; sente's bishop on 7d now sees 5b and 4a beyond.
  Scene r{scene("K59 k91 r55 B74 G56")};
  const KPosition q = r.Load();
  KMove a = board_move(square_of(5, 2), square_of(5, 5), kRook | kGoteBit, kSilver | kSenteBit);
  a.piece = q.board[square_of(5, 5)];
  const KMove gold_takes = r.Move(q, 5, 6, 5, 5);
  set_ply1_list({square_of(5, 5)});
  EXPECT_EQ(sashite_pair_key_drop(q, a, gold_takes, 1), static_cast<uint32_t>(square_of(5, 5)) * 256 +
                                                            square_of(5, 6) + 0x40000);
  EXPECT_EQ(current_list(), (std::vector<int>{square_of(5, 5), square_of(4, 1)}));
  set_ply1_list({square_of(5, 5)});
  a.code = kPawn | kGoteBit;
  a.captured_code = kGold | kSenteBit;
  EXPECT_EQ(sashite_pair_key_drop(q, a, gold_takes, 1), 0u);
  EXPECT_EQ(current_list().size(), 1u);
}

TEST_F(TargetListTest, RootListFilterRules) {
  const int silver = kSilver | kSenteBit, pawn = kPawn | kSenteBit;
  // Rule 1: gote's gold stepped 5b-5c after sente dropped on 4d; the dropped
  // piece going to 5b is removed, other moves (and a pass) stay.
  const KMove p1 = board_move(square_of(5, 2), square_of(5, 3), kGold | kGoteBit);
  const KMove q1 = drop_move(square_of(4, 4), silver);
  std::vector<KMove> list = {board_move(square_of(4, 4), square_of(5, 2), silver), pass_move(),
                             board_move(square_of(4, 4), square_of(4, 3), silver)};
  EXPECT_EQ(sashite_list_filter(3, list.data(), &p1, &q1), 2);
  EXPECT_EQ(list[0].to, square_of(4, 3));  // the last record took the slot
  EXPECT_EQ(list[1].from, kPassSquare);
  // A gold's diagonal step fails the class rule: nothing goes.
  const KMove diagonal = board_move(square_of(5, 2), square_of(4, 3), kGold | kGoteBit);
  list = {board_move(square_of(4, 4), square_of(5, 2), silver)};
  EXPECT_EQ(sashite_list_filter(1, list.data(), &diagonal, &q1), 1);
  EXPECT_EQ(sashite_list_filter(1, list.data(), nullptr, &q1), 1);

  // Rule 2: gote's rook took on 5e the piece sente dropped there; drops onto the
  // rook's old square 5a go, two in a row.
  const KMove p2 = board_move(square_of(5, 1), square_of(5, 5), kRook | kGoteBit, silver);
  const KMove q2 = drop_move(square_of(5, 5), silver);
  list = {drop_move(square_of(5, 1), pawn), drop_move(square_of(5, 1), silver), drop_move(square_of(6, 1), pawn)};
  EXPECT_EQ(sashite_list_filter(3, list.data(), &p2, &q2), 1);
  EXPECT_EQ(list[0].to, square_of(6, 1));

  // Rule 3: sente's silver went 6g-6f and gote's gold took it; a drop onto 6g of
  // a piece moving only as the silver does (a pawn) goes, a gold or rook stays.
  const KMove q3 = board_move(square_of(6, 7), square_of(6, 6), silver);
  const KMove p3 = board_move(square_of(6, 5), square_of(6, 6), kGold | kGoteBit, silver);
  list = {drop_move(square_of(6, 7), kGold | kSenteBit), drop_move(square_of(6, 7), pawn),
          drop_move(square_of(6, 7), kRook | kSenteBit)};
  EXPECT_EQ(sashite_list_filter(3, list.data(), &p3, &q3), 2);
  EXPECT_EQ(code_kind(list[1].code), kRook);
}

TEST_F(TargetListTest, HomeDistance) {
  KPosition p;
  pos_set_handicap(p, 0);
  for (int side = 0; side < 2; ++side) {
    EXPECT_EQ(shape_pattern_test(p, side, 0), 0);
    EXPECT_EQ(shape_pattern_test(p, side, 1), 0);
  }
  // Sente: king 5h 1, rook 2f 1 (flag 0), knight 3g 1 (flag 0), lance 1h 1,
  // pawn 5e 2, gold 3i 1, promoted silver 7h 1 (as a silver), a pawn in hand 2
  // (flag 0). Gote: king 5a 0, bishop 3c 1, a promoted pawn on 1g (as a pawn:
  // rank 7 is 4 ranks from its third rank).
  Scene s{scene("K58 R26 N37 L18 P55 G39 +S78 k51 b33 +p17 *P")};
  const KPosition q = s.Load();
  EXPECT_EQ(shape_pattern_test(q, 0, 0), 10);
  EXPECT_EQ(shape_pattern_test(q, 0, 1), 6);
  EXPECT_EQ(shape_pattern_test(q, 1, 0), 5);
  EXPECT_EQ(shape_pattern_test(q, 1, 1), 5);
}

}  // namespace
}  // namespace board
