// Two rules of the proof search on positions built for them: confirming a
// mate from stored proofs fails when the stored line only repeats a position
// of its own path (a perpetual check is no mate), and a defence starts
// unmarked, so that an interposition the defender holds well is searched
// first when its numbers are the best.
#include <gtest/gtest.h>

#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_move_code.h"
#include "engine/tsume/tsume_verify.h"
#include "tests/engine/board/model_positions.h"

namespace tsume::testing {
namespace {

using board::KPosition;
using board::square_of;
using board::testing::load;
using board::testing::scene;

board::KMove board_move(const KPosition& p, int from, int to) {
  board::KMove m;
  board::write_board_move(m, p, p.board[from], from, to, 0);
  return m;
}

KPosition after(KPosition p, const board::KMove& m) {
  board::do_move(p, m, 0);
  return p;
}

// Gote's king on 1一 and 1二 is checked in turn by sente's rook from 3一 and
// 3二; each time it has one escape, the other square (2一 is held by the
// knight, 2二 by the pawn on 2三, 1三 by the pawn on 1四, and the gold guards
// 2三). Proofs stored for both of sente's positions say the checks mate, but
// the line comes back to where it started: the check of the proofs finds no
// mate.
TEST(ProofRules, StoredProofsThatOnlyRepeatThePathConfirmNoMate) {
  KTsumeEngine e(1024, true);
  ASSERT_TRUE(e.ok());
  const KPosition a0 = load(scene("R32 N33 G34 P23 P14 K99 k11"));
  const board::KMove check1 = board_move(a0, square_of(3, 2), square_of(3, 1));
  const KPosition d1 = after(a0, check1);
  const board::KMove escape1 = board_move(d1, square_of(1, 1), square_of(1, 2));
  const KPosition a2 = after(d1, escape1);
  const board::KMove check2 = board_move(a2, square_of(3, 1), square_of(3, 2));
  const KPosition d3 = after(a2, check2);
  const board::KMove escape2 = board_move(d3, square_of(1, 2), square_of(1, 1));
  ASSERT_TRUE(board::king_attacked(d1, 1));
  ASSERT_TRUE(board::king_attacked(d3, 1));
  ASSERT_EQ(tsume_root_key(after(d3, escape2), 0), tsume_root_key(a0, 0));

  tsume_store_plain(e.table, 0, tsume_root_key(a0, 0), 0, kInf)->move = tsume_move_encode(check1);
  tsume_store_plain(e.table, 2, tsume_root_key(a2, 0), 0, kInf)->move = tsume_move_encode(check2);
  KPosition p = a0;
  board::KMove out;
  EXPECT_EQ(tsume_verify_position(e, p, &out, 10000), 1);
}

// Gote's king on 5一 is checked by the rook on 5五 and has a gold in hand. A
// gold dropped on 5三 is held twice (the silver on 4二, the gold on 6二)
// against the rook's once: no weak interposition. Its child is stored as
// reached at the root's ply with the smallest dn of all the evasions, while
// the king's moves and the other interpositions are not yet searched. The
// first descent takes that drop: after one child visit no other evasion has
// an entry.
TEST(ProofRules, AWellHeldInterpositionIsNotPassedOver) {
  KTsumeEngine e(1024, true);
  ASSERT_TRUE(e.ok());
  const KPosition p = load(scene("R55 K59 k51 s42 g62 *g", 1));
  ASSERT_TRUE(board::king_attacked(p, 1));
  board::KMove evasions[board::kMaxMoves];
  TsumeContext c;
  tsume_context_init(c, p, 0);
  ASSERT_TRUE(tsume_list_moves(e, c));
  ASSERT_GT(c.move_count, 2);
  std::copy(e.moves + c.move_base, e.moves + c.move_base + c.move_count, evasions);
  const int n = c.move_count;
  int drop = -1;
  for (int i = 0; i < n; ++i) {
    if (evasions[i].from == board::kInHand && evasions[i].to == square_of(5, 3)) drop = i;
  }
  ASSERT_GE(drop, 0);
  const KHashKey drop_key = tsume_root_key(after(p, evasions[drop]), 0);
  tsume_store_plain(e.table, 0, drop_key, 3, 2);

  e.node_limit = 2;  // the root and one child
  e.time_limit.store(100000);
  board::KMove out;
  EXPECT_EQ(tsume_root_defender(e, p, &out), 1);
  for (int i = 0; i < n; ++i) {
    if (i == drop) continue;
    EXPECT_EQ(tsume_lookup_exact(e.table, tsume_root_key(after(p, evasions[i]), 0)), nullptr)
        << "evasion " << int(evasions[i].from) << "->" << int(evasions[i].to) << " was searched first";
  }
  const KTsumeNode* visited = tsume_lookup_exact(e.table, drop_key);
  ASSERT_NE(visited, nullptr);
  EXPECT_NE(visited->dn, 2);
}

}  // namespace
}  // namespace tsume::testing
