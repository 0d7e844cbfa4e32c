// The moves the node table proves at a position, listed as the node's moves:
// which entries count (hand dominance, plain proofs with a legal move) and
// that a solver's proof lists its first move.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/tsume/proof_hands.h"
#include "engine/tsume/proven_moves.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_move_code.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace tsume::testing {
namespace {

std::vector<uint16_t> listed_codes(const KTsumeEngine& e, const TsumeContext& c) {
  std::vector<uint16_t> codes;
  for (int i = 0; i < c.move_count; ++i) codes.push_back(tsume_move_encode(e.moves[c.move_base + i]));
  std::sort(codes.begin(), codes.end());
  return codes;
}

KHashKey with_counts(const KHashKey& key, int golds, int bishops, int pawns = 0) {
  HandCounts h;
  h.n[board::kGold] = golds;
  h.n[board::kBishop] = bishops;
  h.n[board::kPawn] = pawns;
  return with_hand(key, pack_hand(h));
}

// The gote king on 1一, a sente gold on 1三, two golds and a bishop in hand.
TEST(ProvenMoves, ListsTheDistinctMovesOfTheProofsThatAnswerThePosition) {
  const board::testing::Scene scene{board::testing::scene("k11 G13 *G *G *B")};
  board::KPosition p = scene.Load();
  const uint16_t up = tsume_move_encode(scene.Move(p, 1, 3, 1, 2));             // 1二金
  const uint16_t gold = tsume_move_encode(scene.Move(p, 11, model::kKin, 2, 2));   // 2二金打
  const uint16_t bishop = tsume_move_encode(scene.Move(p, 11, model::kKaku, 3, 3));  // 3三角打
  board::KMove rook_drop{};  // no rook in hand
  rook_drop.from = board::kInHand;
  rook_drop.to = board::square_of(5, 5);
  rook_drop.code = board::kRook | board::kSenteBit;

  KTsumeEngine e(1024, false);
  TsumeContext c;
  tsume_context_init(c, p, 0);
  auto put = [&](const KHashKey& key, int32_t pn, int32_t dn, uint16_t move, uint8_t flags = 0,
                 uint32_t path_key = 0) {
    KTsumeNode* n = tsume_find_or_add(e.table, 0, key, path_key);
    ASSERT_NE(n, nullptr);
    n->pn = pn;
    n->dn = dn;
    n->move = move;
    n->flags = flags;
  };
  // Proofs that answer the position: its own hand and smaller ones.
  put(c.key, 0, kInf, up);
  put(with_counts(c.key, 1, 1), 0, kInf, up);  // the same move again
  put(with_counts(c.key, 1, 0), 0, kInf, gold);
  put(with_counts(c.key, 2, 0), 0, kInf, kTerminalMove);
  put(with_counts(c.key, 0, 0), 0, kInf, tsume_move_encode(rook_drop));
  put(with_counts(c.key, 0, 1), 0, kInf, bishop, kFlagExactHand);  // holds for its own hand only
  // Entries that do not: open numbers, a larger hand, one path, another board.
  put(with_counts(c.key, 2, 2), 5, 5, bishop);
  put(with_counts(c.key, 2, 1, 1), 0, kInf, bishop);
  put(c.key, 0, kInf, bishop, 0, 12345);
  KHashKey other = c.key;
  other.word[0] ^= 1;
  put(other, 0, kInf, bishop);

  c.move_base = 7;
  EXPECT_EQ(tsume_collect_proven_moves(e.table, e, c), 2);
  EXPECT_EQ(c.move_count, 2);
  std::vector<uint16_t> expected = {up, gold};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed_codes(e, c), expected);

  // The move store's last place holds one move.
  c.move_base = kMovesPerPly * e.max_ply - 1;
  EXPECT_EQ(tsume_collect_proven_moves(e.table, e, c), 1);
  // Nothing proven: nothing listed.
  tsume_table_reset(e.table);
  EXPECT_EQ(tsume_collect_proven_moves(e.table, e, c), 0);
  EXPECT_EQ(c.move_count, 0);
}

TEST(ProvenMoves, ASolvedProblemListsItsFirstMoveAmongChecks) {
  Problem pr;
  ASSERT_TRUE(load_problem(tsume_data_dir() + "/mate05_b_ai.kif", pr));
  const board::KPosition p = engine_position(pr.kyokumen);
  KTsumeEngine e(1024, false);
  e.time_limit.store(600000);
  board::KMove first;
  ASSERT_EQ(tsume_root(e, p, nullptr, &first), 0);
  TsumeContext c;
  tsume_context_init(c, p, p.teban);
  ASSERT_GE(tsume_collect_proven_moves(e.table, e, c), 1);
  const std::vector<uint16_t> codes = listed_codes(e, c);
  EXPECT_TRUE(std::binary_search(codes.begin(), codes.end(), tsume_move_encode(first)));
  EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
  for (int i = 0; i < c.move_count; ++i) {
    board::KPosition after = p;
    board::do_move(after, e.moves[c.move_base + i], 0);
    EXPECT_TRUE(board::king_attacked(after, after.teban)) << i;
  }
}

}  // namespace
}  // namespace tsume::testing
