// The position bridge: loading, exporting, the move conversions and the hand
// slot rebuild.
#include <gtest/gtest.h>

#include <cstring>

#include "../../model/position_builder.h"
#include "engine/board/make_move.h"
#include "engine/driver/position_bridge.h"
#include "model/kyokumen.h"

namespace driver {
namespace {

using board::kInHand;
using board::kKindRange;
using board::KMove;
using board::kNotInPlay;
using board::KPosition;
using board::square_of;
using model::testing::empty_position;
using model::testing::gote;
using model::testing::put;

TEST(PositionLoad, NumbersPiecesAndAcceptsAnEmptyBoard) {
  // Nothing on the board, everything in the box: both kings and all slots off.
  model::Kyokumen k = empty_position();
  KPosition p;
  ASSERT_EQ(position_load(p, k), 0);
  EXPECT_EQ(p.piece[0].sq, kNotInPlay);
  EXPECT_EQ(p.piece[0].code, board::kKing | board::kSenteBit);
  EXPECT_EQ(p.piece[1].code, board::kKing | board::kGoteBit);
  for (int n = 2; n < board::kPieceCount; ++n) {
    EXPECT_EQ(p.piece[n].sq, kNotInPlay) << n;
    EXPECT_EQ(p.piece[n].code, board::number_kind(n) | board::kGoteBit) << n;
  }

  // Board pieces by rank then file, then sente's hand, then gote's.
  put(k, 5, 9, model::kOu);
  put(k, 3, 3, gote(model::kTo));
  put(k, 2, 3, gote(model::kFu));
  put(k, 7, 7, model::kFu);
  k.mochigoma[0][model::kFu] = 2;
  k.mochigoma[1][model::kFu] = 1;
  k.mochigoma[1][model::kKin] = 1;
  k.teban = 1;
  ASSERT_EQ(position_load(p, k), 0);
  EXPECT_EQ(p.teban, 1);
  EXPECT_EQ(p.board[square_of(2, 3)], 22);
  EXPECT_EQ(p.board[square_of(3, 3)], 23);
  EXPECT_EQ(p.board[square_of(7, 7)], 24);
  EXPECT_EQ(p.piece[23].code, board::kTokin | board::kGoteBit);
  EXPECT_EQ(p.piece[25].sq, kInHand);
  EXPECT_EQ(p.piece[27].sq, kInHand);
  EXPECT_EQ(p.piece[28].sq, kNotInPlay);
  EXPECT_EQ(p.hand[0][board::kPawn], 2);
  EXPECT_EQ(p.hand[1][board::kPawn], 1);
  EXPECT_EQ(p.hand_slot[22], 25);
  EXPECT_EQ(p.hand_slot[24], 27);
  EXPECT_EQ(p.hand_slot[6], 6);
  EXPECT_EQ(p.piece[1].sq, kNotInPlay);  // gote has no king: accepted
  // Derived tables: a promoted pawn has no pawn file; pawns in hand are no
  // non-pawn pieces.
  EXPECT_EQ(p.pawn_file[1][2], square_of(2, 3));
  EXPECT_EQ(p.pawn_file[1][3], 0);
  EXPECT_EQ(p.tokin[1].count, 1u);
  EXPECT_EQ(p.hand_sum[0], 0u);
  EXPECT_EQ(p.hand_sum[1], 1u);

  // Export gives back board, hands and side, and fills the box.
  model::Kyokumen back;
  ASSERT_EQ(position_export(back, p), 0);
  for (int y = 1; y <= 9; ++y) {
    for (int x = 1; x <= 9; ++x) EXPECT_EQ(back.At(x, y).code, k.At(x, y).code);
  }
  EXPECT_EQ(std::memcmp(back.mochigoma[0], k.mochigoma[0], 2 * sizeof k.mochigoma[0]), 0);
  EXPECT_EQ(back.teban, 1);
  EXPECT_EQ(back.mochigoma[model::kBoxRow][model::kFu], 18 - 6);
  EXPECT_EQ(back.mochigoma[model::kBoxRow][model::kKin], 3);
  EXPECT_EQ(back.mochigoma[model::kBoxRow][model::kOu], 1);
  EXPECT_EQ(back.At(0, 0).code, model::kWall);
}

TEST(PositionLoad, RejectsWhatTheEngineCannotHoldAndChangesNothing) {
  model::Kyokumen even;
  even.Init(model::kHirate);
  KPosition p;
  ASSERT_EQ(position_load(p, even), 0);
  KPosition before;
  std::memcpy(&before, &p, sizeof p);
  auto rejected = [&](const model::Kyokumen& k) {
    const bool failed = position_load(p, k) == -1;
    return failed && std::memcmp(&p, &before, sizeof p) == 0;
  };

  model::Kyokumen k = empty_position();
  for (int x = 1; x <= 9; ++x) put(k, x, 7, model::kFu);
  k.mochigoma[1][model::kFu] = 9;
  KPosition ok;
  EXPECT_EQ(position_load(ok, k), 0);  // 18 pawns
  k.mochigoma[0][model::kFu] = 1;
  EXPECT_TRUE(rejected(k));            // 19 pawns
  k.mochigoma[0][model::kFu] = -1;
  EXPECT_TRUE(rejected(k));            // a negative count

  model::Kyokumen kings = empty_position();
  put(kings, 5, 9, model::kOu);
  put(kings, 4, 9, model::kOu);
  EXPECT_TRUE(rejected(kings));

  model::Kyokumen golds = empty_position();
  for (int x = 1; x <= 5; ++x) put(golds, x, 5, model::kKin);
  EXPECT_TRUE(rejected(golds));

  model::Kyokumen knight = empty_position();
  put(knight, 3, 1, model::kKei);  // sente's knight on rank 1 has no move
  EXPECT_TRUE(rejected(knight));
  put(knight, 3, 1, gote(model::kKei));
  EXPECT_EQ(position_load(ok, knight), 0);

  model::Kyokumen wall = empty_position();
  put(wall, 5, 5, model::kWall);
  EXPECT_TRUE(rejected(wall));
}

TEST(MoveConversion, BoardMovesDropsAndPasses) {
  // One piece of each kind in each hand.
  model::Kyokumen k = empty_position();
  put(k, 5, 9, model::kOu);
  put(k, 5, 1, gote(model::kOu));
  put(k, 2, 3, gote(model::kFu));
  put(k, 2, 8, model::kHi);
  for (int type = model::kFu; type <= model::kKaku; ++type) k.mochigoma[0][type] = k.mochigoma[1][type] = 1;
  KPosition p;
  ASSERT_EQ(position_load(p, k), 0);
  for (int kind = board::kBishop; kind <= board::kPawn; ++kind) {
    const int first = kKindRange[kind].first;
    const int on_board = kind == board::kPawn ? 1 : 0;
    EXPECT_EQ(p.hand_slot[first], first + on_board);
    EXPECT_EQ(p.hand_slot[first + 1], first + on_board + 1);
  }

  // A drop takes the highest slot of its kind, whichever side drops.
  KMove m;
  ASSERT_EQ(sashite_to_kmove(m, p, model::Sashite(11, model::kKin, 5, 5, model::kKin, 0, 0, 0)), 0);
  EXPECT_EQ(m.from, kInHand);
  EXPECT_EQ(m.to, square_of(5, 5));
  EXPECT_EQ(m.piece, 7);
  EXPECT_EQ(m.code, board::kGold | board::kSenteBit);
  EXPECT_EQ(m.captured, board::kEmptyNumber);
  model::Sashite s;
  ASSERT_EQ(kmove_to_sashite(s, k, m), 0);
  EXPECT_EQ(s, model::Sashite(11, model::kKin, 5, 5, model::kKin, 0, 0, 0));

  // A capture with promotion.
  ASSERT_EQ(sashite_to_kmove(m, p, model::testing::move(k, 2, 8, 2, 3, 1)), 0);
  EXPECT_EQ(m.from, square_of(2, 8));
  EXPECT_EQ(m.piece, p.board[square_of(2, 8)]);
  EXPECT_EQ(m.captured, p.board[square_of(2, 3)]);
  EXPECT_EQ(m.captured_code, board::kPawn | board::kGoteBit);
  EXPECT_EQ(m.promote, 1);
  ASSERT_EQ(kmove_to_sashite(s, k, m), 0);
  EXPECT_EQ(s, model::testing::move(k, 2, 8, 2, 3, 1));
  board::do_move(p, m, 0);
  ASSERT_EQ(sashite_to_kmove(m, p, model::Sashite(12, model::kFu, 5, 5, gote(model::kFu), 0, 0, 0)), 0);
  EXPECT_EQ(m.piece, p.hand_slot[22 + 2]);
  EXPECT_EQ(m.code, board::kPawn | board::kGoteBit);

  // Moves that do not fit the position, and the pass, convert to nothing.
  ASSERT_EQ(position_load(p, k), 0);
  const model::Sashite bad[] = {
      model::Sashite(5, 5, 5, 4, model::kFu, 0, 0, 0),            // nothing on 5e
      model::Sashite(2, 8, 5, 9, model::kHi, 0, 0, 0),            // onto its own king
      model::Sashite(2, 8, 2, 0, model::kHi, 0, 0, 0),            // off the board
      model::Sashite(5, 9, 5, 8, model::kKin, 0, 0, 0),           // a king, not a gold
      model::Sashite(11, model::kHi, 5, 5, model::kHi, 0, 0, 0),  // no rook in hand
      model::Sashite(11, model::kFu, 5, 9, model::kFu, 0, 0, 0),  // onto a piece
      model::Sashite(11, model::kKei, 4, 1, model::kKei, 0, 0, 0),  // a knight with no move
      model::Sashite(0, 0, 0, 0, 0, 0, 0, model::kToryo),
  };
  for (const model::Sashite& b : bad) {
    EXPECT_EQ(sashite_to_kmove(m, p, b), -1) << int(b.from_x) << int(b.from_y);
    EXPECT_EQ(m.from, board::kPassSquare);
  }
  EXPECT_EQ(kmove_to_sashite(s, k, board::pass_move()), -1);
}

TEST(FixPieceLists, HandCountsEditedDirectly) {
  KPosition p;
  ASSERT_EQ(position_load(p, empty_position()), 0);
  p.hand[0][board::kSilver] = 1;
  p.hand[1][board::kSilver] = 2;
  position_fix_piece_lists(p);
  EXPECT_EQ(p.hand_slot[10], 10);
  EXPECT_EQ(p.hand_slot[11], 11);
  EXPECT_EQ(p.hand_slot[12], 12);
  EXPECT_EQ(p.piece[12].sq, kInHand);
  EXPECT_EQ(p.piece[13].sq, kNotInPlay);
  p.hand[1][board::kSilver] = 0;
  position_fix_piece_lists(p);
  EXPECT_EQ(p.piece[10].sq, kInHand);
  EXPECT_EQ(p.piece[11].sq, kNotInPlay);
}

}  // namespace
}  // namespace driver
