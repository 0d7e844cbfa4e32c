// Predicted-line slots, learning records and their ring, and the mate
// verification along a line.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/board/hash_key.h"
#include "engine/search/line_records.h"
#include "engine/search/pv_learn.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::testing::Scene;
using model::testing::gote;

board::KMoveWord word(int from_fr, int to_fr, int kind, int side) {
  return board::kmove_pack(board::square_of(from_fr / 10, from_fr % 10), board::square_of(to_fr / 10, to_fr % 10),
                            kind | board::side_bit(side), 0, 0);
}

TEST(LineRecords, SlotsRingAndRecords) {
  const KMove a = kmove_from_word(word(77, 76, board::kPawn, 0));
  const KMove b = kmove_from_word(word(33, 34, board::kPawn, 1));
  const KMove c = kmove_from_word(word(27, 26, board::kPawn, 0));
  saved_pv_clear();
  EXPECT_EQ(saved_pv_move(0, 0).from, board::kPassSquare);
  saved_pv_put(a, b, c);
  saved_pv_put(b, c, a);
  saved_pv_put(c, a, b);  // the third line overwrites slot 2
  EXPECT_EQ(saved_pv_move(0, 0).to, a.to);
  EXPECT_EQ(saved_pv_move(1, 0).to, c.to);
  saved_pv_clear();

  KLearnRing ring;
  for (int i = 0; i <= KLearnRing::kCapacity; ++i) learn_ring_put(ring, {{}, 0, static_cast<int16_t>(i), 0});
  EXPECT_EQ(ring.records.size(), 15000u);
  EXPECT_EQ(ring.records[0].value, 15000);  // the 15001st record replaced the first
  EXPECT_EQ(ring.write_index, 1);

  board::KHashKey root{};
  root.word[0] = 12345;
  search::KPvHolder line{};
  line.length = 1;
  line.moves[1] = word(77, 76, board::kPawn, 0);
  line.moves[2] = word(33, 34, board::kPawn, 1);
  line.moves[3] = word(27, 26, board::kPawn, 0);
  KLearnRing one;
  learn_store_results(root, 5, 100, line, 0, &one);
  ASSERT_EQ(one.records.size(), 1u);
  EXPECT_TRUE(one.records[0].key == root && one.records[0].depth == 4 && one.records[0].value == 100);

  line.length = 3;
  KLearnRing mate;
  learn_store_results(root, 6, 32766, line, 0, &mate);
  board::KHashKey after_first = root;
  board::hash_key_sashite(after_first, 0, kmove_from_word(line.moves[1]));
  ASSERT_EQ(mate.records.size(), 4u);
  const int16_t depths[4] = {5, 4, 3, 4}, values[4] = {32766, -32766, 32766, -32766};
  const board::KMoveWord moves[4] = {line.moves[1], line.moves[2], line.moves[3], 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(mate.records[i].depth, depths[i]) << i;
    EXPECT_EQ(mate.records[i].value, values[i]) << i;
    EXPECT_EQ(mate.records[i].move, moves[i]) << i;
  }
  EXPECT_TRUE(mate.records[1].key == after_first && mate.records[3].key == after_first);

  KLearnRing shallow;
  learn_store_results(root, 1, 50, line, 0, &shallow);
  for (const board::KLearnRecord& r : shallow.records) EXPECT_EQ(r.depth, 0);
}

class MateVerifyTest : public testing::ThinkTest {};

// The node's position loaded, its line from ply 2 on.
int verify(Scene s, int side, std::initializer_list<board::KMoveWord> line) {
  s.k.teban = side;
  KPosition p = s.Load();
  const KPosition before = p;
  board::hash_clear();
  search::KSearchNode node{};
  node.position = &p;
  board::hash_key_full(p, 0, node.key);
  node.pv.length = 1;
  for (board::KMoveWord w : line) node.pv.moves[++node.pv.length] = w;
  const int r = pv_mate_verify(node, 1);
  EXPECT_EQ(std::memcmp(&p, &before, sizeof p), 0) << "the position is restored";
  return r;
}

TEST_F(MateVerifyTest, ResultsZeroToThree) {
  // A gold drop on 5-2 mates the bare king while the pawn on 5-3 guards it.
  Scene drop;
  drop.Put(9, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(5, 3, model::kFu).Put(9, 3, gote(model::kFu))
      .Hand(model::kKin);
  const board::KMoveWord gote_push = word(93, 94, board::kPawn, 1);
  EXPECT_EQ(verify(drop, 0, {}), 3);
  EXPECT_EQ(verify(drop, 1, {gote_push}), 2);
  Scene no_mate = drop;
  no_mate.Put(5, 3, 0);
  EXPECT_EQ(verify(no_mate, 1, {gote_push}), 0);
  // Gote mates once sente's gold leaves 6-8.
  Scene blunder;
  blunder.Put(5, 9, model::kOu).Put(6, 8, model::kKin).Put(9, 7, model::kFu).Put(5, 1, gote(model::kOu))
      .Put(5, 7, gote(model::kFu)).Put(9, 3, gote(model::kFu));
  blunder.k.mochigoma[1][model::kKin] = 1;
  EXPECT_EQ(verify(blunder, 1, {gote_push, word(68, 78, board::kGold, 0)}), 1);
  // A line move that cannot be made there ends the walk.
  EXPECT_EQ(verify(blunder, 1, {gote_push, word(48, 38, board::kGold, 0)}), 0);
}

}  // namespace
}  // namespace search
