// Move words, searched sets, move lists, the move-stack pattern tests and the
// line records, on constructed move stacks.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#include "engine/board/hash_table.h"
#include "engine/board/move_rules.h"
#include "engine/board/repetition.h"
#include "engine/search/line_records.h"
#include "engine/search/move_list.h"
#include "engine/search/move_set.h"
#include "engine/search/move_words.h"
#include "engine/search/search_words.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

using board::KMove;
using board::square_of;

constexpr int kS = board::kSenteBit, kG = board::kGoteBit;

KMove board_move(int from, int to, int code, int captured_code = 0, int promote = 0, int piece = 0) {
  KMove m = board::pass_move();
  board::write_move(m, from, to, piece, captured_code ? 7 : board::kEmptyNumber, code, captured_code, promote);
  return m;
}
KMove drop(int to, int code) { return board_move(board::kInHand, to, code); }

TEST(MoveWords, PackingSetsAndLines) {
  EXPECT_EQ(kmove_pack(board::pass_move()), 253u + 253u * 256u);
  EXPECT_EQ(kmove_pack_pass(board::pass_move()), 253u);
  EXPECT_EQ(kmove_pack(drop(20, 7)), 252u + 20u * 256u + 7u * 65536u);

  search::KSearchNode node{};
  for (uint32_t w : {5u, 6u, 5u, 7u, 8u}) refutation_list_add(node, w);
  EXPECT_EQ(node.refute_count, 3);
  EXPECT_EQ(node.refute[2], 7u);

  // A move is in the set only under the set's stamp.
  board::KMoveWord words[8];
  KSearchedSet set;
  set.stamp = 9;
  set.list = words;
  tried_moves_add(set, 0x3344);
  EXPECT_TRUE(tried_moves_contains(set, 0x3344));
  set.stamp = 10;
  EXPECT_FALSE(tried_moves_contains(set, 0x3344));

  // A child line shorter than the given ply copies only its last ply.
  search::KPvHolder pv{}, child{};
  pv.moves[3] = 77;
  child.length = 2;
  pv_copy_child(pv, child, 3);
  EXPECT_EQ(pv.length, 2);
  EXPECT_EQ(pv.moves[3], 77u);

  // The rank word is the place of the latest insertion, equal scores first.
  KMoveSet ranks;
  for (auto [score, want] : {std::pair{10, 1}, {30, 1}, {10, 3}, {20, 2}}) {
    move_set_add(ranks, score, static_cast<board::KMoveWord>(score));
    EXPECT_EQ(move_set_count(ranks), want);
  }
  EXPECT_TRUE(move_set_contains(ranks, 20));
  move_set_clear(ranks);
  EXPECT_EQ(move_set_count(ranks), 0);
}

// The searched set's count follows additions and a write at an index; a node
// context copy takes the evaluation record, refutations, table move and
// stage, ext and the two words behind it, and both mate-threat records, and
// leaves the position, key, line and counters; the attack record of a square
// is the board's own.
TEST(MoveWords, SetCountContextCopyAndAttackRecord) {
  board::KMoveWord words[8];
  KSearchedSet set;
  set.stamp = 3;
  set.list = words;
  EXPECT_EQ(tried_moves_count(set), 0);
  tried_moves_add(set, 0x1122);
  tried_moves_add(set, 0x3344);
  tried_moves_add(set, 0x5566);
  EXPECT_EQ(tried_moves_count(set), 3);
  EXPECT_EQ(tried_moves_put_at(set, 0x7788, 1), 0x7788u);
  EXPECT_EQ(tried_moves_count(set), 2);  // the set is cut behind the word written
  EXPECT_TRUE(tried_moves_contains(set, 0x7788));
  EXPECT_FALSE(tried_moves_contains(set, 0x5566));

  board::KPosition a{}, b{};
  auto fill = [](KSearchNode& n, uint32_t v, board::KPosition* p) {
    n.key = {{v, v + 1, v + 2}};
    n.hash_move = v + 3;
    n.hash_stage = static_cast<int32_t>(v + 4);
    n.table_ext = static_cast<int32_t>(v + 5);
    n.tsume_mark = static_cast<int32_t>(v + 6);
    n.position = p;
    n.eval.flags = v + 7;
    n.eval.att[1].open_file = static_cast<int32_t>(v + 8);
    n.eval.mat[1].material = static_cast<int16_t>(v + 9);
    n.pv.length = static_cast<int32_t>(v + 10);
    n.pv.moves[2] = v + 11;
    n.refute_count = static_cast<int32_t>(v % 4);
    for (int i = 0; i < 3; ++i) n.refute[i] = v + 12 + i;
    n.ext = static_cast<int32_t>(v + 15);
    for (int i = 0; i < 3; ++i) n.counters[i] = v + 16 + i;
    for (int s = 0; s < 2; ++s) {
      n.threat[s].key = {{v + 20 + s, v + 22, v + 23}};
      n.threat[s].move = board::pass_move();
      n.threat[s].move.to = static_cast<uint8_t>(v + 24 + s);
      n.threat[s].ply = v + 26 + s;
    }
    n.threat_move = v + 28;
  };
  KSearchNode src{}, dst{};
  fill(src, 100, &a);
  fill(dst, 200, &b);
  search_context_copy(dst, src);
  EXPECT_EQ(std::memcmp(&dst.eval, &src.eval, sizeof src.eval), 0);
  EXPECT_EQ(dst.refute_count, src.refute_count);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(dst.refute[i], src.refute[i]);
  EXPECT_EQ(dst.hash_move, 103u);
  EXPECT_EQ(dst.hash_stage, 104);
  EXPECT_EQ(dst.ext, 115);
  EXPECT_EQ(dst.table_ext, 105);
  EXPECT_EQ(dst.tsume_mark, 106);
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(dst.threat[s].key, src.threat[s].key);
    EXPECT_EQ(dst.threat[s].move.to, src.threat[s].move.to);
    EXPECT_EQ(dst.threat[s].ply, src.threat[s].ply);
  }
  EXPECT_EQ(dst.position, &b);
  EXPECT_EQ(dst.key.word[0], 200u);
  EXPECT_EQ(dst.pv.length, 210);
  EXPECT_EQ(dst.pv.moves[2], 211u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(dst.counters[i], 216u + i);

  // The start position: sente's pawn on 7七 alone bears on 7六, gote's on 3三
  // alone on 3四.
  const board::KPosition start = board::testing::Scene{model::testing::initial(model::kHirate)}.Load();
  const board::KKiki& k76 = kiki_record_at(start, square_of(7, 6));
  EXPECT_EQ(&k76, &board::kiki_at(start, square_of(7, 6)));
  EXPECT_EQ(k76.direct_count[0], 1);
  EXPECT_EQ(k76.direct_count[1], 0);
  const board::KKiki& k34 = kiki_record_at(start, square_of(3, 4));
  EXPECT_EQ(k34.direct_count[0], 0);
  EXPECT_EQ(k34.direct_count[1], 1);
}

TEST(MoveLists, BuildersPointlessSequencesAndSmallTests) {
  ThinkContext& cx = testing::test_context();
  KMoveNode nodes[4];
  nodes[0].prev = &nodes[3];
  EXPECT_EQ(sashi_list_link(nodes, 0, nullptr, 6), 0);
  EXPECT_EQ(nodes[0].prev, nullptr);
  EXPECT_EQ(sashi_list_init(nodes, 0, nullptr, 5), nullptr);
  KMove none[1];
  EXPECT_EQ(sashi_list_init(nodes, 0, none, 5), nullptr);  // no moves, no head

  // Rule B with a gold: after a pawn trade on C's origin the gold may step
  // diagonally back from M1's origin, not straight back, nor return.
  board::KPosition p = board::testing::Scene{model::testing::initial(model::kHirate)}.Load();
  const int x = square_of(5, 5), m1_from = square_of(5, 6);
  KMove stack[6];
  stack[0] = drop(x, kS | board::kPawn);                                   // M3
  stack[1] = board_move(square_of(5, 4), x, kG | board::kPawn, kS | board::kPawn);  // M2
  stack[2] = board_move(m1_from, x, kS | board::kGold, kG | board::kPawn, 0, 6);    // M1
  stack[3] = drop(x - 16, kG | board::kPawn);                              // M0
  const KMove* c_entry = &stack[4];
  struct Case { int to; bool rejected; };
  for (const Case& c : {Case{square_of(4, 7), false}, {square_of(5, 7), true}, {m1_from, true}}) {
    const KMove gold = board_move(x, c.to, kS | board::kGold, 0, 0, 6);
    EXPECT_EQ(pointless_sequence(p, 4, gold, c_entry), c.rejected) << c.to;
    EXPECT_FALSE(pointless_sequence(p, 3, gold, c_entry));  // needs ply 4
  }
  // A1: a knight of the opponent never makes the just-dropped piece's return pointless.
  stack[2] = drop(square_of(3, 5), kS | board::kSilver);
  stack[3] = board_move(square_of(2, 3), square_of(2, 4), kG | board::kKnight);
  EXPECT_FALSE(pointless_sequence(p, 4, board_move(square_of(3, 5), square_of(2, 3), kS | board::kSilver), c_entry));
  stack[3] = board_move(square_of(2, 3), square_of(2, 4), kG | board::kGold);
  EXPECT_TRUE(pointless_sequence(p, 4, board_move(square_of(3, 5), square_of(2, 3), kS | board::kSilver), c_entry));

  for (auto [n, want] : {std::pair{3, 6}, {4, 9}, {5, 9}, {6, 12}}) EXPECT_EQ(extension_amount(0, n), want);
  board::think_board.generator_words.game_stage = 0;
  cx.move_stack[1] = cx.move_stack[2] = board::pass_move();
  const KMove quiet = board_move(square_of(7, 7), square_of(7, 6), kS | board::kPawn);
  EXPECT_EQ(prune_margin(cx, p, 0, quiet, 3, 6, -7), 30);
  EXPECT_EQ(prune_margin(cx, p, 0, quiet, 3, 6, 1000), 333);
  EXPECT_EQ(prune_margin(cx, p, 0, quiet, 14, 6, 0), -1);

  // Trade patterns on the stack: three moves onto one square.
  cx.move_stack[3] = board_move(square_of(5, 6), x, kS | board::kPawn, kG | board::kPawn);
  cx.move_stack[4] = board_move(square_of(5, 4), x, kG | board::kPawn, kS | board::kPawn);
  cx.move_stack[5] = board_move(square_of(5, 8), x, kS | board::kSilver, kG | board::kPawn);
  EXPECT_EQ(pawn_trade_pattern(cx, 5), 2);
  EXPECT_EQ(pawn_drop_trade_pattern(cx, 5), 0);  // entry P - 2 is a board move
  cx.move_stack[5].promote = 1;
  EXPECT_EQ(pawn_trade_pattern(cx, 5), 0);  // entry P promotes
  cx.move_stack[5].promote = 0;
  cx.move_stack[3] = drop(x, kS | board::kPawn);
  EXPECT_EQ(pawn_trade_pattern(cx, 5), 2);  // a dropped pawn traded: both forms
  EXPECT_EQ(pawn_drop_trade_pattern(cx, 5), 2);
  // A tokin at P - 2 or a silver at P - 1 is no pawn trade; nor are three
  // moves that do not all land on one square.
  cx.move_stack[3] = board_move(square_of(5, 6), x, kS | board::kTokin, kG | board::kPawn);
  EXPECT_EQ(pawn_trade_pattern(cx, 5), 0);
  cx.move_stack[3] = board_move(square_of(5, 6), x, kS | board::kPawn, kG | board::kPawn);
  cx.move_stack[4].code = kG | board::kSilver;
  EXPECT_EQ(pawn_trade_pattern(cx, 5), 0);
  cx.move_stack[4].code = kG | board::kPawn;
  cx.move_stack[5].to = static_cast<uint8_t>(x + 1);
  EXPECT_EQ(pawn_trade_pattern(cx, 5), 0);
  cx.move_stack[5].to = static_cast<uint8_t>(x);
  cx.move_stack[6] = board_move(square_of(4, 7), square_of(4, 6), kS | board::kSilver);
  EXPECT_EQ(silver_advance_square(cx, 6), 0);  // rank 6 for sente is neither rank 5 nor 4
  cx.move_stack[6] = board_move(square_of(4, 6), square_of(4, 5), kS | board::kSilver);
  EXPECT_EQ(silver_advance_square(cx, 6), square_of(4, 5));
  // After a pass the move before it is read; a drop, a promoted silver, a
  // capture of more than a pawn and a step back are no advance.
  cx.move_stack[7] = board::pass_move();
  EXPECT_EQ(silver_advance_square(cx, 7), square_of(4, 5));
  EXPECT_EQ(silver_advance_of(cx.move_stack[7], cx.move_stack[6]), square_of(4, 5));
  cx.move_stack[6] = board_move(square_of(4, 6), square_of(4, 5), kS | board::kSilver, kG | board::kPawn);
  EXPECT_EQ(silver_advance_square(cx, 6), square_of(4, 5));
  for (const KMove& m : {drop(square_of(4, 5), kS | board::kSilver),
                         board_move(square_of(4, 6), square_of(4, 5), kS | board::kSilver | board::kPromotedBit),
                         board_move(square_of(4, 6), square_of(4, 5), kS | board::kSilver, kG | board::kGold),
                         board_move(square_of(3, 4), square_of(4, 5), kS | board::kSilver)}) {
    cx.move_stack[6] = m;
    EXPECT_EQ(silver_advance_square(cx, 6), 0) << int{m.from} << " " << int{m.code};
  }
  // Gote's silver advances to rank 5 or to its own fourth rank, sente's sixth.
  cx.move_stack[6] = board_move(square_of(4, 5), square_of(4, 6), kG | board::kSilver);
  EXPECT_EQ(silver_advance_square(cx, 6), square_of(4, 6));
  // En-prise marker: gote's lance on 5一 bears on 5五 with sente's pawn behind
  // it, so the one counting line attacker's square is returned.
  board::testing::Scene lance;
  lance.Put(5, 9, model::kOu).Put(1, 1, model::testing::gote(model::kOu)).Put(5, 1, model::testing::gote(model::kKyo))
      .Put(5, 7, model::kFu).Put(4, 6, model::kGin);
  const board::KPosition q = lance.Load();
  cx.search_ply = 1;
  cx.move_stack[1] = board::pass_move();
  EXPECT_EQ(sashite_safe_check(cx, q, lance.Move(q, 4, 6, 5, 5)), square_of(5, 1));
  EXPECT_EQ(sashite_safe_check(cx, q, lance.Move(q, 4, 6, 4, 5)), 1);  // nothing bears on 4五
  EXPECT_EQ(line_step(square_of(5, 5), square_of(3, 3)), -17);
}

// The filtered list keeps exactly the moves that neither the pointless-sequence
// rules nor the searched set reject, in their order, for every stack built from
// moves that let the rules fire (the filter skips asking the rules when the
// last moves rule them out).
TEST(MoveLists, FilteredListAgreesWithTheRulesMoveByMove) {
  const board::KPosition p = board::testing::Scene{model::testing::initial(model::kHirate)}.Load();
  const int x = square_of(5, 5);
  const KMove pool[] = {
      board::pass_move(),
      drop(x, kS | board::kPawn),                                                      // B: M3
      board_move(square_of(5, 4), x, kG | board::kPawn, kS | board::kPawn),            // B: M2
      board_move(square_of(5, 6), x, kS | board::kGold, kG | board::kPawn, 0, 6),      // B: M1
      drop(x - 16, kG | board::kPawn),                                                 // B: M0
      drop(square_of(3, 5), kS | board::kSilver),                                      // A1, A2: M1
      board_move(square_of(2, 3), square_of(2, 4), kG | board::kGold),                 // A1: M0
      board_move(square_of(3, 4), square_of(3, 5), kG | board::kGold, kS | board::kSilver),  // A2: M0
      board_move(square_of(4, 8), square_of(4, 7), kS | board::kSilver),              // A3: M1
      board_move(square_of(4, 6), square_of(4, 7), kG | board::kGold, kS | board::kSilver),  // A3: M0
  };
  KMove moves[] = {
      board_move(x, square_of(4, 7), kS | board::kGold, 0, 0, 6),
      board_move(x, square_of(5, 7), kS | board::kGold, 0, 0, 6),
      board_move(x, square_of(5, 6), kS | board::kGold, 0, 0, 6),
      board_move(square_of(3, 5), square_of(2, 3), kS | board::kSilver),
      drop(square_of(3, 4), kS | board::kPawn),
      drop(square_of(4, 8), kS | board::kPawn),
      drop(square_of(4, 8), kS | board::kGold),
      board_move(square_of(7, 7), square_of(7, 6), kS | board::kPawn),
      board::pass_move(),
  };
  constexpr int kMoves = static_cast<int>(std::size(moves));
  board::KMoveWord words[4];
  KSearchedSet set;
  set.stamp = 3;
  set.list = words;
  tried_moves_add(set, kmove_pack_pass(moves[7]));

  int rejected = 0;
  KMove stack[5];
  KMoveNode nodes[kMoves];
  for (const KMove& m3 : pool) {
    for (const KMove& m2 : pool) {
      for (const KMove& m1 : pool) {
        for (const KMove& m0 : pool) {
          stack[0] = m3;
          stack[1] = m2;
          stack[2] = m1;
          stack[3] = m0;
          for (int ply : {3, 4}) {
            const int count = sashi_list_filtered(p, ply, nodes, kMoves, moves, 2, set, &stack[4]);
            int kept = 0;
            for (int i = 0; i < kMoves; ++i) {
              if (pointless_sequence(p, ply, moves[i], &stack[4]) ||
                  tried_moves_contains(set, kmove_pack_pass(moves[i]))) {
                ++rejected;
                continue;
              }
              ASSERT_LT(kept, count);
              ASSERT_EQ(nodes[kept].move, &moves[i]);
              ++kept;
            }
            ASSERT_EQ(count, kept);
          }
        }
      }
    }
  }
  // Besides the searched move, the rules rejected moves on some stacks.
  EXPECT_GT(rejected, 2 * 10000);
}

// The lists of moves not yet searched leave out exactly the set's moves: a
// board move, a drop and the pass in the set go; a move from the same origin,
// a move from another origin of the same bucket and a drop of another piece on
// the same square stay. A new stamp empties the set.
TEST(MoveLists, ListsLeaveOutExactlyTheSearchedMoves) {
  const int a = square_of(5, 5), b = square_of(6, 4);
  ASSERT_EQ(tried_moves_bucket(static_cast<board::KMoveWord>(a)), tried_moves_bucket(static_cast<board::KMoveWord>(b)));
  KMove moves[] = {
      board_move(a, a - 16, kS | board::kGold),
      board_move(a, a - 1, kS | board::kGold),
      board_move(b, b - 16, kS | board::kSilver),
      drop(square_of(3, 4), kS | board::kPawn),
      drop(square_of(3, 4), kS | board::kGold),
      board::pass_move(),
      board_move(square_of(7, 7), square_of(7, 6), kS | board::kPawn),
  };
  constexpr int kMoves = static_cast<int>(std::size(moves));
  board::KMoveWord words[4];
  KSearchedSet set;
  set.stamp = 9;
  set.list = words;
  for (int i : {0, 3, 5}) tried_moves_add(set, kmove_pack_pass(moves[i]));
  const board::KPosition p = board::testing::Scene{model::testing::initial(model::kHirate)}.Load();
  KMove stack[5];
  for (KMove& m : stack) m = board::pass_move();
  KMoveNode nodes[kMoves];
  const int kept[] = {1, 2, 4, 6};
  for (bool filtered : {false, true}) {
    const int count = filtered ? sashi_list_filtered(p, 3, nodes, kMoves, moves, 2, set, &stack[4])
                               : sashi_list_unsearched(nodes, kMoves, moves, 2, set);
    ASSERT_EQ(count, static_cast<int>(std::size(kept)));
    for (int k = 0; k < count; ++k) EXPECT_EQ(nodes[k].move, &moves[kept[k]]) << filtered << " " << k;
  }
  set.stamp = 10;
  EXPECT_EQ(sashi_list_unsearched(nodes, kMoves, moves, 2, set), kMoves);
}

// A node asks the exchange patterns once: where the last moves rule them out,
// the pattern of every candidate is 0. Stacks and candidates are built from
// moves that make each pattern match.
TEST(MoveLists, ExchangePatternsRuledOutByTheLastMovesGiveNone) {
  ThinkContext& cx = testing::test_context();
  const board::KPosition p = board::testing::Scene{model::testing::initial(model::kHirate)}.Load();
  const int x = square_of(5, 5), front = square_of(5, 4);
  const KMove pool[] = {
      board::pass_move(),
      board_move(square_of(4, 7), x, kS | board::kKnight),                        // 4
      board_move(square_of(6, 3), x, kG | board::kKnight, kS | board::kPawn),      // 4 after a trade
      board_move(square_of(5, 6), x, kS | board::kPawn, kG | board::kPawn),        // pawns on one square
      board_move(front, x, kG | board::kPawn, kS | board::kPawn),
      board_move(square_of(5, 3), front, kG | board::kPawn),
      drop(x, kS | board::kBishop),                                                // 7: bishop drops
      drop(x, kG | board::kBishop),
      drop(x, kS | board::kRook),                                                  // 6: a strong drop
      board_move(square_of(5, 7), square_of(5, 6), kS | board::kPawn),            // pushes after a trade
      board_move(square_of(5, 3), square_of(5, 4), kG | board::kPawn),
      board_move(square_of(2, 8), square_of(2, 4), kS | board::kRook),
  };
  const KMove candidates[] = {
      board_move(square_of(4, 6), x, kS | board::kSilver, kG | board::kPawn),
      board_move(square_of(5, 8), x, kS | board::kRook, kG | board::kPawn),
      board_move(square_of(6, 6), x, kS | board::kGold, kG | board::kPawn),
      board_move(square_of(5, 5), square_of(5, 6), kS | board::kRook),
      board_move(square_of(5, 5), square_of(5, 4), kS | board::kLance),
      drop(square_of(5, 6), kS | board::kPawn),
      drop(x, kS | board::kPawn),
      board::pass_move(),
  };
  int matched = 0;
  for (int ply : {4, 5}) {
    cx.search_ply = ply;
    for (const KMove& m3 : pool) {
      for (const KMove& m2 : pool) {
        for (const KMove& m1 : pool) {
          for (const KMove& m0 : pool) {
            cx.move_stack[ply - 3] = m3;
            cx.move_stack[ply - 2] = m2;
            cx.move_stack[ply - 1] = m1;
            cx.move_stack[ply] = m0;
            const bool possible = exchange_patterns_possible(cx);
            for (const KMove& c : candidates) {
              cx.move_stack[ply + 1] = c;
              const int pattern = exchange_pattern_classify(cx, p);
              if (pattern != 0) ++matched;
              ASSERT_TRUE(possible || pattern == 0) << ply;
            }
          }
        }
      }
    }
  }
  cx.search_ply = 1;
  // The pool makes patterns match on many stacks.
  EXPECT_GT(matched, 1000);
}

TEST(LineRecords, RepetitionTestRegistrationAndReplay) {
  ThinkContext& cx = testing::test_context();
  board::path_rep_clear();
  const board::KHashKey on{{11, 22, 0}}, away{{33, 44, 0}};
  board::path_rep_add(on, 2, kPathOnPath);
  board::path_rep_add(away, 2, kPathOneMoveAway);
  KMove stack[12];
  for (KMove& m : stack) m = board_move(square_of(1, 9), square_of(1, 8), kS | board::kLance);
  board::KPosition p = board::testing::Scene{model::testing::initial(model::kHirate)}.Load();
  const KMove pass = board::pass_move();
  EXPECT_EQ(path_repetition_test(p, pass, on, 4, stack, 1), PathRepetition::kNone);   // fewer than three plies
  EXPECT_EQ(path_repetition_test(p, pass, on, 5, stack, 1), PathRepetition::kPassOver);   // odd distance
  EXPECT_EQ(path_repetition_test(p, pass, away, 6, stack, 1), PathRepetition::kNone); // one move away, even
  EXPECT_EQ(path_repetition_test(p, pass, away, 5, stack, 1), PathRepetition::kPassOver);
  EXPECT_EQ(path_repetition_test(p, pass, on, 6, stack, 0), PathRepetition::kDraw);
  EXPECT_EQ(path_repetition_test(p, pass, on, 6, stack, 1), PathRepetition::kDraw);
  stack[4].flag_word = 1;  // every move of one side flagged, no check, flag set
  EXPECT_EQ(path_repetition_test(p, pass, on, 6, stack, 1), PathRepetition::kWinsForMover);
  stack[3] = pass;
  EXPECT_EQ(path_repetition_test(p, pass, on, 6, stack, 1), PathRepetition::kPassOver);

  // A rook behind its own pawn registers only its own position; a rook on an
  // open file before an enemy pawn two ranks ahead registers its reach.
  board::path_rep_clear();
  const uint32_t before = board::path_rep_count();
  rook_file_register(cx, p, on, 1);
  EXPECT_EQ(board::path_rep_count(), before + 1);
  board::testing::Scene open;
  open.Put(5, 9, model::kOu).Put(5, 1, model::testing::gote(model::kOu)).Put(2, 8, model::kHi)
      .Put(2, 4, model::testing::gote(model::kFu));
  const board::KPosition q = open.Load();
  board::path_rep_clear();
  rook_file_register(cx, q, on, 1);
  EXPECT_EQ(board::path_rep_count(), 1u + 4u + 1u);  // itself, 2七..2四, 2九
  rook_file_register(cx, q, on, 42);                     // past the last ply: nothing
  EXPECT_EQ(board::path_rep_count(), 6u);

  // The packed threat move: one encoder, one decoder.
  for (const KMove& m : {board_move(square_of(2, 8), square_of(2, 3), kS | board::kRook, 0, 1),
                         drop(square_of(5, 2), kS | board::kGold), board::pass_move()}) {
    board::testing::Scene s = open;
    s.Hand(model::kKin);
    const board::KPosition r = s.Load();
    const KMove back = threat_move_decode(r, threat_move_encode(m), 0);
    EXPECT_TRUE(threat_move_present(threat_move_encode(m)));
    EXPECT_EQ(kmove_pack(back), kmove_pack(m));
  }

  // Replay: two passes in a row end the extension; nothing past index 17.
  board::hash_alloc(1024);
  search::KSearchNode node{};
  node.position = &p;
  board::hash_key_full(p, 0, node.key);
  const KMove push = board_move(square_of(7, 7), square_of(7, 6), kS | board::kPawn);
  node.pv.moves[1] = kmove_pack(push);
  node.pv.length = 1;
  board::KHashKey k = node.key;
  board::hash_key_sashite(k, 0, push);
  board::hash_store(k, 12, board::kBoundExact, 0, 0, 0, 0, 253, 0);
  board::hash_key_sashite(k, 0, pass);
  board::hash_store(k, 12, board::kBoundExact, 0, 0, 0, 0, 253, 0);
  EXPECT_EQ(pv_replay(node, 0), 1);
  node.pv.length = 17;
  EXPECT_EQ(pv_replay(node, 0), 0);
  board::hash_free();
}

}  // namespace
}  // namespace search
