// Hand-built positions for what the random comparison with the game model
// cannot see: the kinds of check, the mate finder's answers and refusals, the
// pseudo-legality and lance tests, the split between the all-moves list and its
// non-promoting twins.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/board/check_test.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/mate_in_one.h"
#include "engine/board/move_legality.h"
#include "engine/board/strategy_cells.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/move_sets.h"

namespace board {
namespace {

using model::kFu, model::kKyo, model::kKei, model::kGin, model::kKin, model::kKaku, model::kHi, model::kOu;
using model::testing::gote;
using testing::move_key;
using testing::scene;
using testing::Scene;

using Gen = int (*)(const KPosition&, KMove*);

int count_of(const KPosition& p, Gen gen, const KMove& m) {
  KMove out[kMaxMoves];
  const int n = gen(p, out);
  return static_cast<int>(std::count_if(out, out + n, [&](const KMove& x) { return move_key(x) == move_key(m); }));
}

TEST(Checks, KindsOfCheckAndDiscoveredLines) {
  Scene s{scene("K99 k51 S63 *P *R")};
  KPosition p = s.Load();
  EXPECT_EQ(is_oute(p, s.Move(p, 11, kFu, 5, 2)), 1);
  EXPECT_EQ(is_oute(p, s.Move(p, 11, kHi, 1, 1)), 2);
  EXPECT_EQ(is_oute(p, s.Move(p, 6, 3, 7, 2, 1)), 0);
  EXPECT_EQ(is_oute(p, pass_move()), 0);

  // A knight in front of a lance: its line onto the king, and not onto its own.
  Scene d{scene("K99 k51 L59 N56")};
  p = d.Load();
  const int knight = p.board[square_of(5, 6)];
  EXPECT_EQ(is_discovered_oute(p, 0, square_of(5, 1), square_of(5, 6), knight), 16);
  EXPECT_EQ(is_discovered_oute(p, 1, square_of(5, 9), square_of(5, 6), knight), 0);
  EXPECT_EQ(is_discovered_oute(p, 0, kNotInPlay, square_of(5, 6), knight), 0);
}

TEST(MateInOne, FindsDropMatesAndRefusesAnsweredChecks) {
  // A gold dropped in front of the cornered king, supported by a pawn, mates.
  Scene s{scene("K99 k11 l21 p22 P13 *G")};
  KPosition p = s.Load();
  uint32_t word = 0;
  ASSERT_EQ(ichite_zume(p, &word), 1);
  EXPECT_EQ(word, board::kmove_drop(square_of(1, 2), kGold | kSenteBit));

  // Without the pawn the gold is unsupported: refuted and filtered out.
  s.Put(1, 3, model::kEmpty);
  p = s.Load();
  const KMove gold_drop = s.Move(p, 11, kKin, 1, 2);
  EXPECT_EQ(oute_quick_refute(p, gold_drop), 1);
  KMove list[2] = {gold_drop, gold_drop};
  EXPECT_EQ(oute_list_filter(p, 2, list), 0);
  word = 7;
  EXPECT_EQ(ichite_zume(p, &word), 0);
  EXPECT_EQ(word, 7u);

  // A knight check on a king walled in by its own pieces is kept and mates ...
  Scene n{scene("K59 k11 g21 l12 b22 *N")};
  p = n.Load();
  EXPECT_EQ(oute_quick_refute(p, n.Move(p, 11, kKei, 2, 3)), 0);
  ASSERT_EQ(ichite_zume(p, &word), 1);
  EXPECT_EQ(word, board::kmove_drop(square_of(2, 3), kKnight | kSenteBit));
  // ... but is no answer while the mover's own king stands in check from the bishop.
  p = n.Put(5, 9, model::kEmpty).Put(9, 9, kOu).Load();
  EXPECT_EQ(ichite_zume(p, &word), 0);

  // A lone king in the middle: no drop can close its free squares.
  Scene open;
  p = open.Put(9, 9, kOu).Put(5, 5, gote(kOu)).Hand(kFu).Hand(kKin).Hand(kKaku).Load();
  EXPECT_EQ(ichite_zume_pretest(p), 0);
  EXPECT_EQ(oute_quick_refute(p, open.Move(p, 11, kKaku, 3, 3)), 1);  // off-line squares are free
  EXPECT_EQ(oute_quick_refute(p, open.Move(p, 11, kKin, 5, 6)), 1);   // the king takes it
}

TEST(MoveTests, PseudoLegalityLanceTestAndFilter) {
  Scene s{scene("K59 k51 P47 b85 L15 L13 *P *L *N")};
  KPosition p = s.Load();
  // The king may step onto the bishop's diagonal for this test, though the
  // generator never lists that.
  const KMove into_check = s.Move(p, 5, 9, 5, 8);
  EXPECT_EQ(sashite_is_legal(p, into_check), 1);
  EXPECT_EQ(count_of(p, gen_all_moves, into_check), 0);
  EXPECT_EQ(sashite_is_legal(p, pass_move()), 1);
  EXPECT_EQ(sashite_is_legal(p, s.Move(p, 11, kFu, 4, 5)), 0);  // a second pawn on file 4
  KMove m = s.Move(p, 11, kKei, 3, 5);
  EXPECT_EQ(sashite_is_legal(p, m), 1);
  m.to = static_cast<uint8_t>(square_of(3, 2));
  EXPECT_EQ(sashite_is_legal(p, m), 0);  // a knight on its second rank
  m.to = static_cast<uint8_t>(square_of(4, 7));
  EXPECT_EQ(sashite_is_legal(p, m), 0);  // onto a piece
  m = s.Move(p, 4, 7, 4, 6);
  m.code = kSilver | kSenteBit;
  EXPECT_EQ(sashite_is_legal(p, m), 0);

  // Lance moves: stopping unpromoted on rank 2, or an idle step from an
  // unattacked square, unless the square table prefers the destination.
  const KMove to_rank2 = s.Move(p, 1, 3, 1, 2);
  EXPECT_EQ(kyo_sashite_test(p, to_rank2, 0), 1);
  EXPECT_EQ(kyo_sashite_test(p, s.Move(p, 1, 3, 1, 2, 1), 0), 0);
  EXPECT_EQ(kyo_sashite_test(p, s.Move(p, 1, 5, 1, 4), 0), 1);
  static KSenkeiTable table{};
  table.cell[0][senkei_layer_of(kLance)][square_of(1, 2) - kFirstSquare] = 5;
  eval_links.senkei_current = &table;
  EXPECT_EQ(kyo_sashite_test(p, to_rank2, 0), 0);
  eval_links.senkei_current = nullptr;
  // Lance drops: on rank 2 where a pawn could go; deep in the tree with an
  // empty, unattacked square behind.
  EXPECT_EQ(kyo_sashite_test(p, s.Move(p, 11, kKyo, 2, 2), 0), 1);
  EXPECT_EQ(kyo_sashite_test(p, s.Move(p, 11, kKyo, 4, 2), 0), 0);  // file 4 holds a pawn
  // Not right in front of the king, where the pawn's check may be a mate the
  // pawn must not give and the lance is the move that mates.
  EXPECT_EQ(kyo_sashite_test(p, s.Move(p, 11, kKyo, 5, 2), 0), 0);
  EXPECT_EQ(kyo_sashite_test(p, s.Move(p, 11, kKyo, 6, 5), 7), 1);
  EXPECT_EQ(kyo_sashite_test(p, s.Move(p, 11, kKyo, 6, 5), 6), 0);
  EXPECT_EQ(kyo_sashite_test(p, s.Move(p, 11, kKyo, 7, 3), 7), 0);  // the bishop guards 7d

  // In check from the bishop: none of these answers it, nor does a pass.
  p = s.Put(8, 5, model::kEmpty).Put(7, 7, gote(kKaku)).Load();
  KMove idle[3] = {s.Move(p, 4, 7, 4, 6), s.Move(p, 1, 5, 1, 4), s.Move(p, 11, kFu, 9, 5)};
  EXPECT_EQ(sashite_list_filter_legal(p, 3, idle, -1), 0);
  EXPECT_EQ(sashite_is_legal(p, pass_move()), 0);
}

TEST(GenAllMoves, PromotionChoices) {
  Scene s{scene("K99 k11 P54 N33 R75")};
  KPosition p = s.Load();
  // The promotion goes to the full list, the non-promoting twin to the other.
  EXPECT_EQ(count_of(p, gen_all_moves, s.Move(p, 5, 4, 5, 3, 1)), 1);
  EXPECT_EQ(count_of(p, gen_funari_moves, s.Move(p, 5, 4, 5, 3)), 1);
  EXPECT_EQ(count_of(p, gen_all_moves, s.Move(p, 7, 5, 7, 3, 1)), 1);
  EXPECT_EQ(count_of(p, gen_funari_moves, s.Move(p, 7, 5, 7, 3)), 1);
  KMove out[kMaxMoves];
  EXPECT_EQ(gen_funari_moves(p, out), 4);  // the pawn, the rook to 7c, 7b, 7a; no knight
  EXPECT_EQ(gen_piece_moves(p, square_of(1, 1), out), 0);
}

}  // namespace
}  // namespace board
