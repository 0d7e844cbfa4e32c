// The node table's move coding: every legal move of either side, drops,
// promotions and long slides included, decodes to itself.
#include <gtest/gtest.h>

#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/tsume/tsume_move_code.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace tsume::testing {
namespace {

TEST(MoveCode, EveryLegalMoveDecodesToItself) {
  int checked = 0;
  for (const char* name : {"mate09_game.kif", "mate07_f.kif", "mate11_d.kif"}) {
    Problem pr;
    ASSERT_TRUE(load_problem(tsume_data_dir() + "/" + name, pr));
    board::KPosition p = engine_position(pr.kyokumen);
    // Both sides to move: the problem's attacker, then after one of its moves the defender.
    for (int ply = 0; ply < 2; ++ply) {
      board::KMove moves[board::kMaxMoves];
      const int n = board::gen_all_moves(p, moves);
      ASSERT_GT(n, 0) << name;
      for (int i = 0; i < n; ++i) {
        const board::KMove& m = moves[i];
        const uint16_t code = tsume_move_encode(m);
        ASSERT_NE(code, 0) << name << " move " << i;
        board::KMove back;
        ASSERT_TRUE(tsume_move_decode(p, code, back)) << name << " move " << i;
        EXPECT_EQ(back.from, m.from);
        EXPECT_EQ(back.to, m.to);
        EXPECT_EQ(back.piece, m.piece);
        EXPECT_EQ(back.code, m.code);
        EXPECT_EQ(back.promote != 0, m.promote != 0);
        ++checked;
      }
      board::do_move(p, moves[n / 2], 0);
    }
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace tsume::testing
