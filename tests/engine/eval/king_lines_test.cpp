// The king-line terms on constructed positions, with the values worked by hand
// from the rook, bishop and lance rules: rank blockers (doubled when pinned
// against the king), forward lines to the edge or a blocker, connected rooks,
// bishop diagonals, lance lines, and rooks that score nothing.
#include "engine/eval/king_lines.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/eval/eval_tables.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/eval/eval_record_reference.h"

namespace eval {
namespace {

using board::KEvalRecord;
using board::square_of;
using model::kHi, model::kKaku, model::kKin, model::kKyo, model::kOu, model::kFu, model::kGin;
using model::testing::gote;

class KingLines : public ::testing::Test {
 protected:
  void SetUp() override {
    eval_tables_init(eval_weight_block, 0x800);
    board::eval_weights = &eval_weight_block;
  }

  // The record after eval_king_kiki on the scene, from an empty record.
  static KEvalRecord Run(const board::testing::Scene& scene) {
    const board::KPosition p = scene.Load();
    KEvalRecord r{};
    eval_king_kiki(p, r);
    EXPECT_EQ(r.flags, kKingLinesDone);
    return r;
  }
};

// Blocker terms are weight x Balance[bal] x closeness >> 16.
TEST_F(KingLines, RankBlockerPinnedAgainstTheKingCountsTwice) {
  board::testing::Scene s;
  s.Put(5, 9, kOu).Put(3, 5, gote(kOu));
  // Rook 8五 and the king 3五 on one rank with a gote gold between: bal = 1 (king
  // against rook) + 1 = 1 -> 256, Cheb 1 -> 256: 173 x 256 x 256 >> 16 = 173,
  // doubled. The forward line ends at 8一, Cheb 5: RookDist[6] = 0.
  KEvalRecord r = Run(board::testing::Scene(s).Put(8, 5, kHi).Put(4, 5, gote(kKin)));
  EXPECT_EQ(r.att[0].attack_extra, 2 * 173);
  EXPECT_EQ(r.mat[0].material_extra, 0);  // the rook is not active
  EXPECT_EQ(r.att[1].attack_extra, 0);
  // One rank lower the gold (4六, next to the king) counts once.
  r = Run(board::testing::Scene(s).Put(8, 6, kHi).Put(4, 6, gote(kKin)));
  EXPECT_EQ(r.att[0].attack_extra, 173);
}

TEST_F(KingLines, ForwardLineScoresTheEdgeSquareOrItsBlocker) {
  board::testing::Scene s;
  s.Put(5, 9, kOu).Put(4, 2, gote(kOu)).Put(2, 5, kHi);
  // Open to the edge: last square 2一, Cheb 2 to the king: RookDist[3] x 80 >> 8.
  EXPECT_EQ(Run(s).att[0].attack_extra, 196 * 80 >> 8);
  // A gote pawn on 2一 instead: FileBlocker 80, bal 0 (only the rook sees it) ->
  // 307, RookDist[2] = 220.
  EXPECT_EQ(Run(board::testing::Scene(s).Put(2, 1, gote(kFu))).att[0].attack_extra, 80 * 307 * 220 >> 16);
  // A sente silver on 2三 ends the line as the edge would: RookDist[Cheb + 1].
  EXPECT_EQ(Run(board::testing::Scene(s).Put(2, 3, kGin)).att[0].attack_extra, 196 * 80 >> 8);
}

TEST_F(KingLines, ConnectedRooksShareTheirSums) {
  // Both rooks on rank 3 (active) see each other; the king 5一. Rook 2 (2三):
  // approach from two ranks away, m = 1, its first piece beyond the king's file:
  // RookLine[4] = 173; forward to the edge 2一, Cheb 3: 102 x 80 >> 8 = 31.
  // Rook 3 (8三): approach 173 from the other side; a gote pawn on 8一 ahead,
  // bal 0: 80 x 307 x 196 >> 16 = 73.
  board::testing::Scene s;
  s.Put(5, 9, kOu).Put(5, 1, gote(kOu)).Put(2, 3, kHi).Put(8, 3, kHi).Put(8, 1, gote(kFu));
  const KEvalRecord r = Run(s);
  EXPECT_EQ(r.att[0].attack_extra, 31 + 73 + 2 * 173);
  // Each active rook adds a quarter of rook 2's file sum and twice the rank sum.
  EXPECT_EQ(r.mat[0].material_extra, 2 * ((31 + 2 * 173) >> 2));
  EXPECT_EQ(r.att[1].attack_extra, 0);
}

TEST_F(KingLines, RookInHandOrWithoutEnemyKingScoresNothing) {
  board::testing::Scene in_hand;
  in_hand.Put(5, 9, kOu).Put(5, 1, gote(kOu)).Hand(kHi);
  board::testing::Scene no_king;
  no_king.Put(5, 9, kOu).Put(5, 3, kHi).Put(4, 1, gote(kKin));
  for (const auto* s : {&in_hand, &no_king}) {
    const KEvalRecord r = Run(*s);
    const KEvalRecord zero{kKingLinesDone, {}, {}, {}, {}};
    EXPECT_EQ(std::memcmp(&r, &zero, sizeof r), 0);
  }
}

TEST_F(KingLines, BishopDiagonals) {
  // Bishop 5五, king 5一: the diagonals come nearest at 3三 and 7三 (Sq 8):
  // DiagNear[8] = 168, halved for an unpromoted bishop outside the camp.
  board::testing::Scene s;
  s.Put(5, 9, kOu).Put(5, 1, gote(kOu)).Put(5, 5, kKaku);
  EXPECT_EQ(Run(s).att[0].attack_extra, 168 >> 1);
  // A gote gold on 3三, held by nothing: bal 0 -> 307, Cheb 2 -> DiagDist 230.
  EXPECT_EQ(Run(s.Put(3, 3, gote(kKin))).att[0].attack_extra, ((194 * 307 * 230 >> 16) + 168) >> 1);
}

TEST_F(KingLines, LanceLineEndsOnTheKingsRank) {
  const board::KEvalWeights& w = eval_weight_block;
  // Lance 4八, king 5三: the line runs to the king's rank (4三).
  board::testing::Scene s;
  s.Put(5, 9, kOu).Put(5, 3, gote(kOu)).Put(4, 8, kKyo);
  EXPECT_EQ(Run(s).att[0].attack_extra, testing::king_rel(w, 0, square_of(5, 3), 10, square_of(4, 3)));
  // A lance already past the king's rank stops on its first square.
  board::testing::Scene past;
  past.Put(5, 9, kOu).Put(5, 3, gote(kOu)).Put(6, 2, kKyo);
  EXPECT_EQ(Run(past).att[0].attack_extra, testing::king_rel(w, 0, square_of(5, 3), 10, square_of(6, 1)));
  // Five files away it scores nothing.
  board::testing::Scene far;
  far.Put(5, 9, kOu).Put(3, 3, gote(kOu)).Put(8, 8, kKyo);
  EXPECT_EQ(Run(far).att[0].attack_extra, 0);
}

}  // namespace
}  // namespace eval
