// The position bridge: loading, exporting and the move conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/bridge/position_bridge.h"
#include "model/position/kyokumen.h"
#include "model/position/sashite_decode.h"
#include "tests/model/position/position_builder.h"

namespace bridge {
namespace {

using board::kInHand;
using board::KMove;
using board::kNotInPlay;
using board::KPosition;
using board::square_of;
using model::testing::empty_position;
using model::testing::gote;
using model::testing::put;

TEST(PositionLoad, NumbersPiecesExportsAndAcceptsAMissingKing) {
  // Board pieces by rank then file, then sente's hand, then gote's.
  model::Kyokumen k = empty_position();
  KPosition p;
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
  EXPECT_EQ(std::vector<int>({p.board[square_of(2, 3)], p.board[square_of(3, 3)], p.board[square_of(7, 7)]}),
            std::vector<int>({22, 23, 24}));
  EXPECT_EQ(std::vector<int>({p.hand_slot[22], p.hand_slot[24], p.hand_slot[6]}), std::vector<int>({25, 27, 6}));
  EXPECT_EQ(std::vector<int>({p.piece[27].sq, p.piece[28].sq}), std::vector<int>({kInHand, kNotInPlay}));
  EXPECT_EQ(p.piece[1].sq, kNotInPlay);  // gote has no king: accepted

  // Export gives back board, hands and side, and puts the other pieces in the box.
  model::Kyokumen back;
  ASSERT_EQ(position_export(back, p), 0);
  k.CalcTeaiwari();
  EXPECT_TRUE(back == k);
  EXPECT_EQ(back.mochigoma[model::kBoxRow][model::kFu], 18 - 6);
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

  auto with = [](model::Kyokumen k, int x, int y, int code) {
    put(k, x, y, code);
    return k;
  };
  EXPECT_TRUE(rejected(with(with(empty_position(), 5, 9, model::kOu), 4, 9, model::kOu)));
  model::Kyokumen golds = empty_position();
  for (int x = 1; x <= 5; ++x) put(golds, x, 5, model::kKin);
  EXPECT_TRUE(rejected(golds));
  EXPECT_TRUE(rejected(with(empty_position(), 3, 1, model::kKei)));  // a knight with no move
  EXPECT_EQ(position_load(ok, with(empty_position(), 3, 1, gote(model::kKei))), 0);
  EXPECT_TRUE(rejected(with(empty_position(), 5, 5, model::kWall)));
}

// The random walk converts every legal move both ways; these are the moves that
// must not convert.
TEST(MoveConversion, MovesThatDoNotFitAndThePass) {
  // One piece of each kind but the rook in each hand.
  model::Kyokumen k = empty_position();
  put(k, 5, 9, model::kOu);
  put(k, 5, 1, gote(model::kOu));
  put(k, 2, 8, model::kHi);
  for (int type = model::kFu; type <= model::kKaku; ++type) k.mochigoma[0][type] = k.mochigoma[1][type] = 1;
  KPosition p;
  ASSERT_EQ(position_load(p, k), 0);
  KMove m;
  model::Sashite s;
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

// The game model packs a record's move into the same word the engine packs
// for it: drops, captures and promotions, for either side to move.
TEST(MoveConversion, TheModelsWordOfAMoveIsTheEngines) {
  model::Kyokumen k = empty_position();
  put(k, 5, 9, model::kOu);
  put(k, 5, 1, gote(model::kOu));
  put(k, 2, 4, model::kHi);
  put(k, 2, 2, gote(model::kKaku));
  put(k, 3, 3, gote(model::kFu));
  put(k, 4, 4, model::kUma);
  for (int type = model::kFu; type <= model::kKin; ++type) k.mochigoma[0][type] = k.mochigoma[1][type] = 1;
  for (int side = 0; side < 2; ++side) {
    k.teban = side;
    KPosition p;
    ASSERT_EQ(position_load(p, k), 0);
    std::vector<model::Sashite> moves(600);
    moves.resize(static_cast<size_t>(k.GenerateAll(moves.data())));
    ASSERT_GT(moves.size(), 20u);
    for (const model::Sashite& s : moves) {
      KMove m;
      ASSERT_EQ(sashite_to_kmove(m, p, s), 0);
      EXPECT_EQ(model::sashite_encode(s), board::move_word(m)) << int(s.from_x) << int(s.from_y) << int(s.to_x);
    }
  }
}

// A move word comes back as the move it was packed from: completed on the
// position it is played on, or with squares only for the view to complete;
// a word that does not fit the position gives an empty move.
TEST(MoveConversion, AWordComesBackAsTheMoveItWasPackedFrom) {
  model::Kyokumen k = empty_position();
  put(k, 5, 9, model::kOu);
  put(k, 5, 1, gote(model::kOu));
  put(k, 2, 4, model::kHi);
  put(k, 2, 2, gote(model::kKaku));
  put(k, 3, 3, gote(model::kFu));
  for (int type = model::kFu; type <= model::kKin; ++type) k.mochigoma[0][type] = k.mochigoma[1][type] = 1;
  for (int side = 0; side < 2; ++side) {
    k.teban = side;
    std::vector<model::Sashite> moves(600);
    moves.resize(static_cast<size_t>(k.GenerateAll(moves.data())));
    for (const model::Sashite& s : moves) {
      const board::KMoveWord w = model::sashite_encode(s);
      EXPECT_EQ(word_side(w), side);
      model::Sashite full, bare;
      ASSERT_EQ(word_to_sashite(full, k, w), 0);
      EXPECT_EQ(full, s);
      ASSERT_EQ(word_to_sashite(bare, w), 0);
      EXPECT_EQ(bare, model::Sashite(s.from_x, s.from_y, s.to_x, s.to_y, 0, 0, s.nari, 0));
    }
  }
  model::Sashite s;
  const board::KMoveWord from_empty = board::kmove_pack(square_of(5, 5), square_of(5, 4), 0x27, 0, 0);
  EXPECT_EQ(word_to_sashite(s, k, from_empty), -1);
  EXPECT_EQ(s, model::Sashite{});
  EXPECT_EQ(word_to_sashite(s, k, board::kNoMoveWord), -1);
}

}  // namespace
}  // namespace bridge
