// The two-evasion shortcut: two king moves whose stored lines meet again.
#include <gtest/gtest.h>

#include "engine/board/check_gen.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/tsume/pair_transposition.h"
#include "engine/tsume/tsume_move_code.h"
#include "tests/engine/board/model_positions.h"

namespace tsume::testing {
namespace {

using board::testing::Scene;
using model::testing::gote;

// The first move of `moves` onto `to`.
board::KMove move_to(const board::KMove* moves, int n, int to) {
  for (int i = 0; i < n; ++i) {
    if (moves[i].to == to) return moves[i];
  }
  ADD_FAILURE() << "no move to " << to;
  return moves[0];
}

TEST(PairTransposition, KingMovesWhoseStoredLinesMeetAreOnePair) {
  // Gote's king on 1二 checked by the lance on 1五; the pawn on 2四 holds 2三,
  // so the king has 2一 and 2二 only. After either, sente's gold dropped on 3二
  // checks and the king takes it: the same position both ways.
  Scene s;
  s.Put(1, 2, gote(model::kOu)).Put(1, 5, model::kKyo).Put(2, 4, model::kFu).Hand(model::kKin);
  s.k.teban = 1;
  KTsumeEngine e(1024, false);
  TsumeContext c;
  tsume_context_init(c, s.Load(), 0);
  ASSERT_TRUE(tsume_list_moves(e, c));
  ASSERT_EQ(c.move_count, 2);
  tsume_children_init(e, c);
  const int gold_square = board::square_of(3, 2);
  KTsumeNode* end[2] = {};
  for (int i = 0; i < 2; ++i) {
    board::KPosition q = c.pos;
    KHashKey key = e.entries[i].key;
    board::do_move(q, e.moves[i], 0);
    board::KMove listed[board::kMaxMoves];
    const board::KMove drop = move_to(listed, board::oute_gen(q, listed, 0), gold_square);
    tsume_store_plain(e.table, 1, key, 3, 3)->move = tsume_move_encode(drop);
    hash_key_sashite(key, 0, drop);
    board::do_move(q, drop, 0);
    const board::KMove take = move_to(listed, board::oute_nige_gen(q, listed), gold_square);
    tsume_store_plain(e.table, 2, key, 3, 3)->move = tsume_move_encode(take);
    hash_key_sashite(key, 0, take);
    end[i] = tsume_store_plain(e.table, 3, key, 3, 3);
  }
  ASSERT_EQ(end[0], end[1]);
  KTsumeNode node{};
  EXPECT_TRUE(tsume_pair_transposition(e, c, node));
  // A decided position at the meeting point ends the shortcut.
  end[0]->pn = 0;
  end[0]->dn = kInf;
  EXPECT_FALSE(tsume_pair_transposition(e, c, node));
}

}  // namespace
}  // namespace tsume::testing
