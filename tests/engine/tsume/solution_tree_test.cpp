// Solution trees: the repair of proofs that lean on a repetition, and the
// tree's judgement of interposing drops.
#include <gtest/gtest.h>

#include "engine/board/evasion_gen.h"
#include "engine/board/check_gen.h"
#include "engine/board/make_move.h"
#include "engine/tsume/solution_tree.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_bounded.h"
#include "engine/tsume/tsume_entry.h"
#include "model/formats/csa_format.h"
#include "tests/engine/tsume/mate_oracle.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace tsume::testing {
namespace {

TEST(SolutionTree, ARepetitionDemotesTheProofsOfItsPath) {
  Problem pr;
  ASSERT_TRUE(load_problem(tsume_data_dir() + "/mate09_d.kif", pr));
  KTsumeEngine e(1024, false);
  TsumeContext c;
  tsume_context_init(c, engine_position(pr.kyokumen), pr.kyokumen.teban);
  std::fill(e.path_heads, e.path_heads + e.max_ply, -1);
  // Two plies down: a check and an answer, each position proven.
  for (int ply = 0; ply < 2; ++ply) {
    ASSERT_NE(tsume_store_proof(e.table, c.ply, c.key, kNoNodeMove, 9 - ply, 0), nullptr);
    ASSERT_TRUE(tsume_list_moves(e, c));
    ASSERT_GT(c.move_count, 0);
    tsume_descend(e, c, 0, false);
  }
  ASSERT_NE(tsume_store_proof(e.table, c.ply, c.key, kNoNodeMove, 7, 0), nullptr);
  tsume_tree_unprove_path(e, c);
  EXPECT_EQ(e.demotions, 1u);
  for (int ply = 0; ply < 2; ++ply) EXPECT_EQ(tsume_lookup_shortest_proof(e.table, e.frames[ply].key), nullptr);
  // The position itself is refuted on this path only.
  const KTsumeNode* here = tsume_lookup_path(e.table, c.key, c.path_key);
  ASSERT_NE(here, nullptr);
  EXPECT_EQ(here->pn, kInf);
  const KTsumeNode* plain = tsume_lookup(e.table, c.key);
  ASSERT_NE(plain, nullptr);
  EXPECT_LT(plain->pn, kInf);
}

// The problem's line (its length checked against the record), with the
// position after the first `plies` moves in `at`.
std::vector<board::KMove> solved_line(const char* name, int plies, board::KPosition& at) {
  Problem pr;
  EXPECT_TRUE(load_problem(tsume_data_dir() + "/" + name, pr));
  at = engine_position(pr.kyokumen);
  const board::KMove* moves = nullptr;
  int length = 0;
  EXPECT_EQ(ktsume_solve(at, &moves, &length, 60000, -1), SolveResult::kMate);
  EXPECT_EQ(length, pr.length);
  std::vector<board::KMove> line(moves, moves + length);
  for (int i = 0; i < plies && i < length; ++i) board::do_move(at, line[static_cast<size_t>(i)], 0);
  return line;
}

int distance_from_king(const board::KPosition& p, const board::KMove& m) {
  const int king = p.piece[p.teban].sq;
  return std::max(std::abs(board::square_file(m.to) - board::square_file(king)),
                  std::abs(board::square_rank(m.to) - board::square_rank(king)));
}

TEST(SolutionTree, InterposingDropsAreJudgedByTheMateAfterTheCapture) {
  ASSERT_EQ(ktsume_alloc(65536), 1);
  board::KPosition at;
  // The rook's check leaves only drops next to the king, each taken with
  // mate: futile, so the problem is a mate in one.
  std::vector<board::KMove> line = solved_line("mate01_d.kif", 1, at);
  board::KMove evasions[board::kMaxMoves];
  const int n = board::oute_nige_gen(at, evasions);
  ASSERT_GT(n, 0);
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(evasions[i].from, board::kInHand);
    EXPECT_EQ(ktsume_check_answer(at, evasions[i], 0), 1);
  }
  // 9五龍 checks down the file. After the dragon takes a rook dropped on 9六
  // next to the king, the king steps away: a real defence, and the line is
  // fifteen plies. Only the king guards 9六, and the static test counts such
  // a drop useless; the old tree, which took it as refuted because the
  // position after the capture was proven, called this a mate in one.
  line = solved_line("mate15_g.kif", 1, at);
  const board::KMove rook = line[1];
  ASSERT_EQ(rook.from, board::kInHand);
  EXPECT_EQ(board::code_kind(rook.code), board::kRook);
  EXPECT_EQ(distance_from_king(at, rook), 1);
  EXPECT_EQ(ktsume_check_answer(at, rook, 0), 0);
  EXPECT_EQ(tsume_useless_interposition(at, at.teban, rook), 1);
  Problem pr;
  ASSERT_TRUE(load_problem(tsume_data_dir() + "/mate15_g.kif", pr));
  MateOracle oracle;
  EXPECT_EQ(oracle.Shortest(pr.kyokumen, pr.length), pr.length);
  // A lance's check answered by a pawn two squares from the king: the line
  // goes on after the attacker takes it.
  line = solved_line("mate13_k.kif", 7, at);
  EXPECT_EQ(line[7].from, board::kInHand);
  EXPECT_EQ(distance_from_king(at, line[7]), 2);
  EXPECT_EQ(ktsume_check_answer(at, line[7], 0), 0);
  ktsume_free();
}

// The defender's drops at `file`, `rank` among the evasions of `at`, each
// with the tree's answer to it: 1 futile, 0 a real defence.
std::vector<int> drop_verdicts(board::KPosition& at, int file, int rank) {
  board::KMove evasions[board::kMaxMoves];
  const int n = board::oute_nige_gen(at, evasions);
  std::vector<int> verdicts;
  for (int i = 0; i < n; ++i) {
    if (evasions[i].from != board::kInHand || evasions[i].to != board::square_of(file, rank)) continue;
    verdicts.push_back(ktsume_check_answer(at, evasions[i], 0));
  }
  return verdicts;
}

// A drop is futile only when, after its capture, the attacker mates without
// the captured piece within the defender's best defence without the drop. A
// mate after the capture that needs the piece makes the drop a real defence,
// though that mate may be no longer than the best defence without the drop.
// (All drops on one square share the position that judges them: the board
// after the capture with the attacker's hand of before the drop.)
TEST(SolutionTree, ADropIsFutileOnlyWhenTheMateAfterItsCaptureDoesWithoutThePiece) {
  ASSERT_EQ(ktsume_alloc(65536), 1);
  board::KPosition at;
  // A published mate in 29. After 5三馬 (move 23) the silver's 5一6二 gives
  // a mate in four more plies (6二と, 8一玉, 8二銀 with the silver taken). A
  // knight dropped on 6二 is taken by the horse and the silver takes the
  // horse; only the knight, dropped on 8三, then mates (8一玉, 9二成香): six
  // plies, and none at all without it. Judged by the mate after the capture
  // (with the knight), the drop was futile and the line 27 plies.
  std::vector<board::KMove> line = solved_line("mate29_a.csa", 23, at);
  ASSERT_EQ(line.size(), 29u);
  EXPECT_EQ(line[23].from, board::kInHand);
  EXPECT_EQ(line[23].to, board::square_of(6, 2));
  std::vector<int> verdicts = drop_verdicts(at, 6, 2);
  EXPECT_EQ(verdicts.size(), 5u);  // no pawn: gote has one on the sixth file
  for (int v : verdicts) EXPECT_EQ(v, 0);
  // The same net, the horse checking from 4四: a pawn (or a lance, a knight,
  // a bishop) dropped on 6二 is real as above, the piece taken there dropped
  // on 7二 for the mate: a mate in 7. A drop on 5三 is futile: after 5三同馬
  // the attacker mates without the piece in six plies (the defender's drop on
  // 6二 there is answered as above), no longer than the six plies the drop on
  // 6二 reaches. Counted with the piece, the drop on 6二 was futile too and
  // the problem a mate in 5.
  line = solved_line("mate07_j.csa", 1, at);
  ASSERT_EQ(line.size(), 7u);
  EXPECT_EQ(line[1].to, board::square_of(6, 2));
  verdicts = drop_verdicts(at, 6, 2);
  EXPECT_EQ(verdicts.size(), 7u);
  for (int v : verdicts) EXPECT_EQ(v, 0);
  verdicts = drop_verdicts(at, 5, 3);
  EXPECT_EQ(verdicts.size(), 7u);
  for (int v : verdicts) EXPECT_EQ(v, 1);
  // The brute force and the bounded search count the drops alike.
  Problem pr;
  ASSERT_TRUE(load_problem(tsume_data_dir() + "/mate07_j.csa", pr));
  MateOracle oracle;
  EXPECT_EQ(oracle.Shortest(pr.kyokumen, 7), 7);
  KTsumeEngine& e = *ktsume_instance();
  tsume_table_reset(e.table);
  tsume_start_clock(e);
  e.time_limit = 60000;
  e.node_limit = 2000000;
  TsumeContext c;
  tsume_context_init(c, engine_position(pr.kyokumen), pr.kyokumen.teban);
  uint16_t move = 0;
  int plies = 0;
  EXPECT_EQ(tsume_bounded_search(e, e.table, c, 5, &move, &plies), 2);
  EXPECT_EQ(tsume_bounded_search(e, e.table, c, 7, &move, &plies), 0);
  EXPECT_EQ(plies, 7);
  ktsume_free();
}

// The lengths a tree stores in the proof table hold for the hand the tree
// walked with. In this problem the attacker's gold check and the defender's
// king step leave a position without a mate within three plies; the tree had
// stored a two-ply proof for an answer to the lance drop there under a hand
// of a pawn, which the position's larger hand took for its own, so the
// search for shorter mates believed a mate in three.
TEST(SolutionTree, ATreesLengthsHoldForItsOwnHand) {
  Problem pr;
  ASSERT_TRUE(load_problem(tsume_data_dir() + "/mate15_d.kif", pr));
  ASSERT_EQ(ktsume_alloc(65536), 1);
  board::KPosition p = engine_position(pr.kyokumen);
  const board::KMove* line = nullptr;
  int length = 0;
  ASSERT_EQ(ktsume_solve(p, &line, &length, 60000, 2000000), SolveResult::kMate);
  EXPECT_EQ(length, 15);
  model::Kyokumen k;
  k.Copy(pr.kyokumen);
  const int attacker = p.teban;
  for (const char* text : {"+0025HI", "-0023KY", "+2523RY", "-3223KI", "+1223UM", "-2223OU", "+0024KI", "-2322OU"}) {
    board::KMove moves[1024];
    const int n = p.teban == attacker ? board::oute_gen(p, moves, 0) : board::oute_nige_gen(p, moves);
    bool played = false;
    for (int i = 0; i < n && !played; ++i) {
      model::Sashite s;
      model::KString csa;
      if (bridge::kmove_to_sashite(s, k, moves[i]) != 0) continue;
      model::csa_move_text(s, csa);
      if (std::string(csa.c_str()) != text) continue;
      ASSERT_TRUE(k.DoSashite(s));
      board::do_move(p, moves[i], 0);
      played = true;
    }
    ASSERT_TRUE(played) << text;
  }
  KTsumeEngine& e = *ktsume_instance();
  tsume_start_clock(e);
  e.time_limit = 60000;
  e.node_limit = 2000000;
  TsumeContext c;
  tsume_context_init(c, p, attacker);
  uint16_t move = 0;
  int plies = 0;
  EXPECT_EQ(tsume_bounded_search(e, e.table, c, 3, &move, &plies), 2) << plies;
  ktsume_free();
}

}  // namespace
}  // namespace tsume::testing
