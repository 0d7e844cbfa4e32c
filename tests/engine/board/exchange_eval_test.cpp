// Exchange values worked out by hand from the stage block's stored values
// (stage 0: flat values rook 830, bishop 820, gold 690, silver 620, lance 345,
// pawn 78, dragon 1200, promoted minors 690; first pieces in hand rook 1270,
// gold 765, silver 680, lance 400, pawn 88), the king-relative model read in
// each side's direction, and a position against its turned twin.
#include "engine/board/exchange_eval.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "engine/board/exchange_values.h"
#include "engine/board/kiki.h"
#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"
#include "engine/board/strategy_cells.h"
#include "engine/board/think_board.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_tables.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/turned_twin.h"

namespace board {
namespace {

using model::kOu;
using testing::scene;
using testing::Scene;

// Points the board at a copy of the evaluation's stage block for the stage.
// The stored king-offset rows fall alike ahead of and behind a king, so a
// skewed copy, where an entry grows with its index, tells the directions apart:
// own-king entry 300 + index, enemy-king entry 2 x index (index = offset + 136).
class ExchangeTest : public ::testing::Test {
 protected:
  void UseStage(int stage, bool skewed = false) {
    eval::stage_tables_init(stage, eval::eval_setup.eval_stage_block);
    block_ = eval::eval_setup.eval_stage_block;
    if (skewed) {
      for (int k = 0; k < kOffsetClasses; ++k) {
        for (int i = 0; i < kOffsetEntries; ++i) {
          block_.offset_value_a[k][i] = static_cast<uint16_t>(300 + i);
          block_.offset_value_b[k][i] = static_cast<uint16_t>(2 * i);
        }
      }
    }
    eval_links.eval_stage_tables = &block_;
    think_board.generator_words.game_stage = stage;
  }
  void SetUp() override { UseStage(0); }
  void TearDown() override {
    think_board.generator_words.game_stage = 0;
    eval_links.senkei_current = nullptr;
  }

 private:
  KExchangeWeights block_{};
};

int on(const KPosition& p, int file, int rank) { return p.board[square_of(file, rank)]; }
int code_at(const KPosition& p, int file, int rank) { return p.piece[on(p, file, rank)].code; }

// Sente (file, rank) piece captures on (tf, tr), strategy model.
int capture_pos(const KPosition& p, int ff, int fr, int tf, int tr, int* first = nullptr) {
  return exchange_eval_pos(p, 0, code_at(p, tf, tr), square_of(tf, tr), on(p, ff, fr), first);
}

TEST_F(ExchangeTest, UndefendedCapturesAndPromotion) {
  const KPosition p = Scene{scene("K99 k11 S57 g56 S54 p53")}.Load();
  int first = 0;
  // Gold 690 on the board and 765 in hand; the silver stays a silver.
  EXPECT_EQ(capture_pos(p, 5, 7, 5, 6, &first), 1455);
  EXPECT_EQ(first, 1455);
  // Into the zone the silver becomes a promoted silver: 78 + 88 - 620 + 690.
  EXPECT_EQ(capture_pos(p, 5, 4, 5, 3, &first), 236);
  EXPECT_EQ(first, 236);

  // The strategy model adds the table's cells: the captured gold's and the
  // silver's on its new square.
  KSenkeiTable table{};
  table.cell[1][senkei_layer_of(kGold)][square_of(5, 6) - kFirstSquare] = 11;
  table.cell[0][senkei_layer_of(kSilver)][square_of(5, 6) - kFirstSquare] = 37;
  eval_links.senkei_current = &table;
  EXPECT_EQ(capture_pos(p, 5, 7, 5, 6), 1455 + 11 + 37);

  // Bad input reads nothing.
  EXPECT_EQ(exchange_eval_pos(p, 0, 0, kNotInPlay, on(p, 5, 7), &first), 0);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(exchange_eval(p, 0, 0, square_of(5, 5), kEmptyNumber, nullptr), 0);
}

// The strategy values read through the cell offsets agree with the flat value
// plus the table's cell for every class, square and side, with and without a
// table; every cell of the table below is different.
TEST_F(ExchangeTest, StrategyValuesReadTheRightCell) {
  auto table = std::make_unique<KSenkeiTable>();
  for (int side = 0; side < 2; ++side) {
    for (int layer = 0; layer < kSenkeiLayers; ++layer) {
      for (int i = 0; i < kKikiSquares; ++i) table->cell[side][layer][i] = 100000 * side + 1000 * layer + i + 1;
    }
  }
  for (KSenkeiTable* current : {static_cast<KSenkeiTable*>(nullptr), table.get()}) {
    eval_links.senkei_current = current;
    const StrategyValues both;
    for (int side = 0; side < 2; ++side) {
      const SideStrategyValues one(side);
      for (int cls = 0; cls < 32; ++cls) {
        for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
          if (!is_playing_square(sq)) continue;
          const int expected = exchange_flat_value(cls) + senkei_cell(side, cls, sq);
          ASSERT_EQ(both(side, cls, sq), expected) << side << " " << cls << " " << sq;
          ASSERT_EQ(one(cls, sq), expected) << side << " " << cls << " " << sq;
        }
      }
    }
  }
}

TEST_F(ExchangeTest, PinnedDefenderOnlyAlongItsLine) {
  // Gote's gold on 5b is pinned to its king by the rook on 5e.
  Scene s{scene("K99 k51 g52 s62 p43 S44 R55")};
  KPosition p = s.Load();
  // Off the line (4c) the gold may not take back: 78 + 88 - 620 + 690.
  EXPECT_EQ(capture_pos(p, 4, 4, 4, 3), 236);
  // On the line (5c, empty) it may. Silver in, promoting: -620 | 70; silver
  // takes: -680 | -1300; rook takes, promoting: -830 | 370; gold takes: -1410 |
  // -2100. Backed up: min(70, max(-1300, min(370, -2100))) = -1300.
  EXPECT_EQ(capture_pos(p, 4, 4, 5, 3), -1300);

  // Without the rook the gold takes back on 4c: -454 - (680 - 690) - 690.
  p = s.Put(5, 5, model::kEmpty).Load();
  EXPECT_EQ(capture_pos(p, 4, 4, 4, 3), -1134);
}

TEST_F(ExchangeTest, XrayAttackerAfterTheDirectOnes) {
  // The rook on 5d takes 5c with the lance behind it (x-ray) and the gold on 4d
  // (direct) in reserve; gote defends with the silver on 6b, then the gold on 5b.
  const KPosition p = Scene{scene("K19 k91 p53 s62 g52 R54 L55 G44")}.Load();
  // Rook takes, promoting: -664 | 536; silver: -1314 | -1934; gold (direct):
  // -1324 | -634; gold: -1399 | -2089; lance (x-ray), promoting: -979 | -289.
  // Backed up: min(536, max(-1934, min(-634, max(-2089, -289)))) = -634. With
  // the lance before the gold it would be -289.
  EXPECT_EQ(capture_pos(p, 5, 4, 5, 3), -634);
}

TEST_F(ExchangeTest, KingAsLastDefenderAndPromotionMidSequence) {
  Scene s{scene("K99 k51 p52 S43 R55")};
  KPosition p = s.Load();
  int first = 0;
  // The king would take into the rook's attack: that branch is -1,000,000, so
  // gote stops and the silver's capture stands. Without the rook the king
  // takes back: 236 - 690 - 680.
  EXPECT_EQ(capture_pos(p, 4, 3, 5, 2, &first), 236);
  EXPECT_EQ(first, 236);
  p = s.Put(5, 5, model::kEmpty).Load();
  EXPECT_EQ(capture_pos(p, 4, 3, 5, 2), 236 - 690 - 680);

  // Gote's silver takes back on 5g inside its zone and stands promoted:
  // 78 + 88 - 690 | 166, then -524 - (765 - 620) - 690.
  p = Scene{scene("K99 k11 p57 G58 s46")}.Load();
  EXPECT_EQ(capture_pos(p, 5, 8, 5, 7, &first), -1359);
  EXPECT_EQ(first, 166);
}

TEST_F(ExchangeTest, KingRelativeValuesInTheSidesDirection) {
  UseStage(1, true);
  // A gold put in front of its own king, both kings on file 5: the own-king
  // entry one rank ahead (offset -16: 420) beats the enemy-king entry 7 ranks
  // ahead (offset -112: 48), for either side.
  const KPosition p = Scene{scene("K59 k51 *g")}.Load();
  int before = 0;
  // Sente holds no gold: nothing is given up in hand.
  EXPECT_EQ(koma_put_value(p, 0, kGold, square_of(5, 8), &before), 420);
  EXPECT_EQ(before, 420);
  // Gote gives up its only gold in hand (765 at stage 1).
  EXPECT_EQ(koma_put_value(p, 1, kGold, square_of(5, 2), &before), 420 - 765);

  // Kings off the board index nothing. With neither the flat values hold: gold
  // 690 + 765 in hand. With only sente's king the gote gold reads its enemy-king
  // entry (that king 3 ranks ahead of it from gote's side: 176) and the silver
  // its own-king entries (2, then 3 ranks ahead: 404, 388).
  Scene k{scene("S57 g56")};
  const KPosition none = k.Load();
  EXPECT_EQ(exchange_eval(none, 0, kGold, square_of(5, 6), on(none, 5, 7), nullptr), 1455);
  const KPosition one = k.Put(5, 9, kOu).Load();
  EXPECT_EQ(exchange_eval(one, 0, kGold, square_of(5, 6), on(one, 5, 7), nullptr), 176 + 765 - 404 + 388);
}

// The king-relative value from its definition: the larger of the own-king
// entry at the offset sq - king and the enemy-king entry at the offset
// enemy king - sq, both turned for gote; the flat value for a class without a
// row or with neither king on the board.
int king_value_by_definition(const KPosition& p, int side, int cls, int sq) {
  const int row = kOwnKingClass[cls];
  if (row < 0) return exchange_flat_value(cls);
  const KExchangeWeights& t = *eval_links.eval_stage_tables;
  const auto index = [side](int offset) { return (side == 0 ? offset : -offset) + kMaxDifference; };
  const int own = p.piece[side].sq;
  const int enemy = p.piece[1 - side].sq;
  int best = -1;
  if (is_playing_square(own)) best = t.offset_value_a[row][index(sq - own)];
  if (is_playing_square(enemy)) best = std::max<int>(best, t.offset_value_b[row][index(enemy - sq)]);
  return best < 0 ? exchange_flat_value(cls) : best;
}

TEST_F(ExchangeTest, SideKingValuesFollowTheDefinitionOnEverySquare) {
  // The skewed block tells every offset and direction apart; the kings stand
  // off centre, alone or not at all.
  UseStage(1, true);
  for (const char* text : {"K88 k23 G57", "K19 G57", "k91 G57", "G57"}) {
    const KPosition p = Scene{scene(text)}.Load();
    for (int side = 0; side < 2; ++side) {
      const SideKingValues values(p, side);
      for (int cls = 0; cls < 32; ++cls) {
        for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
          if (!is_playing_square(sq)) continue;
          const int expected = king_value_by_definition(p, side, cls, sq);
          ASSERT_EQ(values(cls, sq), expected) << text << " " << side << " " << cls << " " << sq;
          ASSERT_EQ(exchange_king_value(p, side, cls, sq), expected) << text << " " << side << " " << cls << " " << sq;
        }
      }
    }
  }
}

TEST_F(ExchangeTest, PutValueGivesUpTheHandAndTheExchange) {
  const KPosition p = Scene{scene("K99 k11 p54 *B *G")}.Load();
  int before = 1;
  // A bishop put inside the zone where gote does not attack: 0.
  EXPECT_EQ(koma_put_value(p, 0, kBishop, square_of(3, 3), &before), 0);
  EXPECT_EQ(before, 0);
  // Outside the zone: 820 less the bishop in hand (1090).
  EXPECT_EQ(koma_put_value(p, 0, kBishop | kSenteBit, square_of(3, 6), nullptr), 820 - 1090);
  // Under gote's pawn: 690 - 765, less what gote gains by taking (690 + 765).
  EXPECT_EQ(koma_put_value(p, 0, kGold, square_of(5, 5), &before), 690 - 765 - 1455);
  EXPECT_EQ(before, 690 - 765);
  // A silver, not in hand, gives up nothing in hand.
  EXPECT_EQ(koma_put_value(p, 0, kSilver, square_of(7, 7), nullptr), 620);
}

TEST_F(ExchangeTest, TurnedTwinsAgree) {
  const KPosition p = Scene{scene("K69 k41 p53 s62 g52 R54 L55 G44 P37 +s36 b75 S87 n24 *P *P *S *g *l")}.Load();
  const KPosition q = testing::turned(p);
  for (int stage = 0; stage <= 2; ++stage) {
    UseStage(stage, true);
    int compared = 0;
    for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
      if (!is_playing_square(sq)) continue;
      const int tq = turned_square(sq);
      for (int side = 0; side < 2; ++side) {
        const int victim = p.piece[p.board[sq]].code;
        if (holds_piece_of(p, side, sq) || kiki_at(p, sq).direct_count[side] == 0) continue;
        // The same capturer in the twin: the same piece number but for a king.
        const int first = kiki_nth64(p, side, sq, 0);
        const int twin_first = testing::twin_number(first);
        int a = 0, b = 0;
        EXPECT_EQ(exchange_eval(p, side, victim, sq, first, &a),
                  exchange_eval(q, 1 - side, victim, tq, twin_first, &b))
            << stage << " " << sq;
        EXPECT_EQ(a, b);
        ++compared;
      }
      if (p.board[sq] != kEmptyNumber) continue;
      for (int side = 0; side < 2; ++side) {
        for (int kind = kRook; kind <= kPawn; ++kind) {
          int a = 0, b = 0;
          EXPECT_EQ(koma_put_value(p, side, kind, sq, &a), koma_put_value(q, 1 - side, kind, tq, &b));
          EXPECT_EQ(a, b);
        }
      }
    }
    EXPECT_GT(compared, 20);
  }
}

}  // namespace
}  // namespace board
