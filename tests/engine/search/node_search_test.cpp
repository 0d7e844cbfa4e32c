// The node search and its parts: the depth arithmetic, the blended score, the
// threat tests, the stage machine seen through its trace hook, the pass
// refuted by a mate in one, mates by rule, and the quiescence search's stop
// test and stand pat.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/board/hash_table.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/repetition.h"
#include "engine/driver/benchmark_positions.h"
#include "engine/search/child_search.h"
#include "engine/search/eval_blend.h"
#include "engine/search/line_records.h"
#include "engine/search/node_common.h"
#include "engine/search/node_search_impl.h"
#include "engine/search/position_features.h"
#include "engine/search/quiescence.h"
#include "engine/search/search_node.h"
#include "engine/search/threat_after.h"
#include "engine/search/time_control.h"
#include "engine/tsume/tsume_entry.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::square_of;
using board::testing::Scene;
using model::testing::gote;

TEST(NodeRules, DepthPassReductionsAndExtensions) {
  for (int depth : {2, 5, 9}) {
    for (int ply = 1; ply <= depth + 2; ++ply) {
      for (int ext = -60; ext <= 60; ++ext) {
        const NodeDepth d = node_depth(ext, ply, depth);
        const int plies = ext > 0 ? (ext + 11) / 12 : -((-ext) / 12);  // up for a gain, toward zero for a loss
        EXPECT_EQ(d.horizon, depth + plies);
        EXPECT_EQ(d.remaining, d.horizon - ply);
        EXPECT_EQ(d.stored, ext + 12 * (depth - ply));
        EXPECT_EQ(within_horizon(ext, ply, depth), d.remaining >= 0) << ext << " " << ply << " " << depth;
      }
    }
  }
  EXPECT_EQ(node_depth(1, 1, 4).remaining, 4);
  EXPECT_EQ(node_depth(-11, 1, 4).remaining, 3);
  const int reduction[3][3] = {{0, 6, 12}, {0, 12, 25}, {0, 12, 25}};  // R < 2, 2-3, >= 4 by mode
  for (int mode = 0; mode < 3; ++mode) {
    for (int r : {-1, 0, 1, 2, 3, 4, 9}) EXPECT_EQ(pass_reduction(r, mode), reduction[mode][r < 2 ? 0 : r < 4 ? 1 : 2]);
  }
  // The remembered extension e: capped at 4e - 12, none from ply 20, above 12 cut after a pass or past ply 9.
  EXPECT_EQ(table_extension(0, 12, 5, false), 12);
  EXPECT_EQ(table_extension(30, 12, 5, false), 36);
  EXPECT_EQ(table_extension(0, 6, 5, false), 6);
  EXPECT_EQ(table_extension(10, 6, 5, false), 12);
  EXPECT_EQ(table_extension(24, 6, 5, false), 24);
  EXPECT_EQ(table_extension(0, 12, 20, false), 0);
  EXPECT_EQ(table_extension(0, 18, 9, false), 18);
  EXPECT_EQ(table_extension(0, 18, 10, false), 12);
  EXPECT_EQ(table_extension(0, 18, 5, true), 0);
  // A capture near the horizon among three: a rook 12 / 3, a pawn nothing.
  EXPECT_EQ(capture_extension(board::kRook | board::kGoteBit, 3), 4);
  EXPECT_EQ(capture_extension(board::kDragon | board::kGoteBit, 1), 12);
  EXPECT_EQ(capture_extension(board::kGold | board::kGoteBit, 3), 2);
  EXPECT_EQ(capture_extension(board::kPawn | board::kGoteBit, 3), 0);
  EXPECT_EQ(capture_extension(board::kTokin | board::kGoteBit, 1), 6);
}

TEST(NodeRules, BlendedScoreEdges) {
  // Both sides' material far past the top break: both weights 512, so the
  // score is SX - SY with 600 taken from the side that moved last.
  board::KEvalRecord r{};
  for (int x = 0; x < 2; ++x) {
    r.att[x].attack = 4000;
    r.def[x].defence = 2700;  // inside the band: kept as it is
  }
  r.hand_b[0] = 150;
  r.hand_b[1] = -40;
  const int sx = 150 + 2700 + 4000, sy = -40 + 2700 + 4000;
  EXPECT_EQ(eval_blend_node(r, 0, false), sx - (sy - 600));
  EXPECT_EQ(eval_blend_node(r, 0, true), (sx - 600) - sy);
  // Weight 0 for the side (the other side has no material): its knee k
  // compressed against its plain sum (0 here), 230/256 up to d = 2600 and
  // 128/256 past it; the other side's part is its plain sum (0) less 600.
  board::KEvalRecord w{};
  w.att[0].attack = 4000;
  w.def[0].defence = 2700;
  w.hand_b[0] = -6700;
  w.def[1].defence = 2700;
  w.hand_b[1] = -2700;
  for (const auto& [knee, blended] : std::vector<std::pair<int, int>>{{2100, 2100}, {2600, 2549}, {2601, 2549},
                                                                         {3100, 2799}}) {
    w.mat[0].material = static_cast<int16_t>(knee);
    EXPECT_EQ(eval_blend_node(w, 0, false), blended + 600) << knee;
  }
}

TEST(NodeRules, ThreatTests) {
  // Sente's silver on 5五 (its last move), gote's pawn pushed to 5四 now attacks it.
  Scene s;
  s.Put(5, 9, model::kOu).Put(5, 1, gote(model::kOu)).Put(5, 5, model::kGin).Put(5, 4, gote(model::kFu));
  KPosition p = s.Load();
  KMove own, push, far;
  board::write_move(own, square_of(4, 6), square_of(5, 5), p.board[square_of(5, 5)], board::kEmptyNumber,
                    board::kSilver | board::kSenteBit, 0, 0);
  board::write_move(push, square_of(5, 3), square_of(5, 4), p.board[square_of(5, 4)], board::kEmptyNumber,
                    board::kPawn | board::kGoteBit, 0, 0);
  const uint32_t word = threat_after_move(p, own, push, 3);
  EXPECT_EQ(word, threat_word_of(square_of(5, 5), square_of(5, 4), board::kPawn, 5));
  EXPECT_NE(word & 0xffff, 0u);
  EXPECT_EQ(threat_after_move(p, own, board::pass_move(), 3), 0u);
  // After a pass: only the move records are read.
  EXPECT_EQ(threat_after_pass(own, board::pass_move(), push), word);
  far = push;
  far.to = square_of(5, 2);
  EXPECT_EQ(threat_after_pass(own, board::pass_move(), far), 0u);  // a pawn does not reach three ranks
  KMove taken = push;
  taken.to = own.to;
  EXPECT_EQ(threat_after_pass(own, taken, push), 0u);  // the piece was taken in between
}

// One node searched directly at ply 2 below a root of ext 0.
class Node : public testing::ThinkTest {
 protected:
  void Prepare(KPosition& pos, int depth, const KMove& incoming, int stage_byte) {
    p = &pos;
    testing::prepare_evaluation(pos);
    board::pos_table_init();
    board::think_board.ply_table.search_ply_counter = 1;
    board::hash_clear();
    board::path_rep_clear();
    board::think_board.generator_words.threat_word = 0;
    think_words.depth.store(depth);
    cx.search_ply = 2;
    cx.search_abort = 0;
    cx.time_state.no_time_limit = 1;
    cx.time_state.side = 1 - pos.teban;
    cx.move_stack[0] = cx.move_stack[1] = board::pass_move();
    cx.move_stack[2] = incoming;
    parent = search::KSearchNode{};
    node = search::KSearchNode{};
    node.position = &pos;
    board::hash_key_full(pos, 0, node.key);
    position_features(pos, node.eval);
    pv_holder_init(node.pv, 1);
    cx.ply_nodes[1] = &parent;
    cx.ply_nodes[2] = &node;
    in = KMoveNode{};
    in.move = &cx.move_stack[2];
    in.stage = static_cast<uint8_t>(stage_byte);
  }
  void TearDown() override {
    std::fill(std::begin(cx.ply_nodes), std::end(cx.ply_nodes), nullptr);
    testing::ThinkTest::TearDown();
  }
  std::vector<int> Trace(int alpha, int beta) {
    trace.clear();
    think_report_hooks.stage_trace_hook = [](int code) {
      if (testing::test_context().search_ply == traced_ply) trace.push_back(code);
    };
    traced_ply = cx.search_ply;
    result = search_node(cx, node, &in, alpha, beta, 0, 0);
    think_report_hooks.stage_trace_hook = nullptr;
    return trace;
  }

  static inline std::vector<int> trace;
  static inline int traced_ply = 0;
  KPosition* p = nullptr;
  search::KSearchNode parent{}, node{};
  KMoveNode in{};
  int result = 0;
};

constexpr int F = kTraceFutility;

TEST_F(Node, StagesFollowTheTableAndAPassAnsweredByAMateIsStoredNotSearched) {
  // Sente's king on 1九 is boxed in by gote's dragon on 2七; a gold dropped on
  // 1八 mates, and sente can do nothing about it: every stage runs and every
  // move (the pass too) is refuted by the mate in one.
  Scene s;
  s.Put(1, 9, model::kOu).Put(9, 7, model::kFu).Put(2, 7, gote(model::kRyu)).Put(5, 1, gote(model::kOu));
  s.k.mochigoma[1][model::kKin] = 1;
  KPosition pos = s.Load();
  KMove king_step;
  board::write_move(king_step, square_of(5, 2), square_of(5, 1), 1, board::kEmptyNumber,
                    board::kKing | board::kGoteBit, 0, 0);
  const board::KMoveWord push = board::move_word(s.Move(pos, 9, 7, 9, 6));
  for (int row : {1, 7}) {
    Prepare(pos, 7, king_step, row);
    node.hash_move = push;
    node.hash_stage = 5;
    EXPECT_EQ(Trace(-30000, 30000), (std::vector<int>{1, 2, 3, F, 4, 0, 5, 6, 7, 8, 9, 11, 10})) << row;
    EXPECT_EQ(result, -kScoreMate);
  }
  board::KHashKey passed = node.key;
  passed.word[2] ^= board::kHashSideBit;
  const board::KHashEntry* e = board::hash_entry(passed);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->depth, 756);
  EXPECT_EQ(e->flags >> 5, board::kBoundExact);
  EXPECT_EQ(-e->value, -kScoreMate);  // stored for gote to move: its mate
  EXPECT_EQ(board::kmove_to(e->best_move), square_of(1, 8));

  // After a pass (row 0) only the hash move, a second pass, the depth-selected
  // stage and generators 6, 9 and 10 run.
  Prepare(pos, 7, board::pass_move(), 0);
  node.hash_move = push;
  node.hash_stage = 5;
  EXPECT_EQ(Trace(-30000, 30000), (std::vector<int>{1, 0, F, 5, 6, 9, 10}));

  // In check only the hash move and the evasions; the futility test does not run.
  Scene c;
  c.Put(5, 9, model::kOu).Put(4, 9, model::kKin).Put(5, 5, gote(model::kHi)).Put(1, 1, gote(model::kOu));
  KPosition checked = c.Load();
  KMove rook;
  board::write_move(rook, square_of(4, 5), square_of(5, 5), checked.board[square_of(5, 5)], board::kEmptyNumber,
                    board::kRook | board::kGoteBit, 0, 0);
  Prepare(checked, 3, rook, 5);
  node.hash_move = board::move_word(c.Move(checked, 5, 9, 6, 8));
  EXPECT_EQ(Trace(-30000, 30000), (std::vector<int>{1, 2}));
  EXPECT_GT(result, -kScoreMate);

  // Entered with the stop flag set: -32767 and nothing run.
  Prepare(pos, 7, king_step, 5);
  cx.search_abort = 1;
  EXPECT_TRUE(Trace(-30000, 30000).empty());
  EXPECT_EQ(result, kScoreStopped);
  cx.search_abort = 0;
}

TEST_F(Node, MatesByRuleAndRepeatedChecks) {
  // Sente's king on 1九 checked by a gote pawn on 1八 that gote's gold on 2七
  // defends; gote's knight on 3七 holds 2九: no evasion.
  Scene s;
  s.Put(1, 9, model::kOu).Put(1, 8, gote(model::kFu)).Put(2, 7, gote(model::kKin)).Put(3, 7, gote(model::kKei))
      .Put(5, 1, gote(model::kOu));
  KPosition pos = s.Load();
  KMove drop, push;
  board::write_move(drop, board::kInHand, square_of(1, 8), pos.board[square_of(1, 8)], board::kEmptyNumber,
                    board::kPawn | board::kGoteBit, 0, 0);
  push = drop;
  push.from = square_of(1, 7);
  for (const KMove& incoming : {drop, push}) {
    const int expected = incoming.from == board::kInHand ? kScoreMate : -kScoreMate;  // a pawn-drop mate is illegal
    Prepare(pos, 4, incoming, 5);
    EXPECT_EQ(search_node(cx, node, &in, -kScoreMate, kScoreMate, 0, 0), expected);
    Prepare(pos, 2, incoming, 5);
    int searched = 0;
    EXPECT_EQ(search_quiescence(cx, node, &in, -kScoreMate, kScoreMate, 0, 0, &searched), expected);
  }

  // Sente in check plays back into a position of the line four plies up, and
  // every one of its moves on the way answered a check: the opponent repeats
  // with checks, a win for sente.
  Scene c;
  c.Put(5, 9, model::kOu).Put(5, 5, gote(model::kHi)).Put(1, 1, gote(model::kOu));
  KPosition checked = c.Load();
  KMove rook;
  board::write_move(rook, square_of(4, 5), square_of(5, 5), checked.board[square_of(5, 5)], board::kEmptyNumber,
                    board::kRook | board::kGoteBit, 0, 0);
  Prepare(checked, 7, rook, 5);
  cx.search_ply = 5;
  for (int i = 2; i <= 5; ++i) cx.move_stack[i] = rook;
  cx.move_stack[4].flag_word = 1;
  cx.ply_nodes[4] = &parent;
  cx.ply_nodes[5] = &node;
  const KMove evasion = c.Move(checked, 5, 9, 4, 8);
  board::KHashKey after = node.key;
  board::hash_key_sashite(after, 0, evasion);
  board::path_rep_add(after, 1, kPathOnPath);
  node.hash_move = board::move_word(evasion);
  node.hash_stage = 2;
  pv_holder_init(node.pv, 4);
  EXPECT_EQ(search_node(cx, node, &in, -kScoreMate, kScoreMate, 0, 0), kScoreMate);
  EXPECT_EQ(node.pv.moves[5], board::move_word(evasion));
}

TEST_F(Node, QuiescenceReportsAMateOnlyWhenNoEvasionIsLeft) {
  // Sente's bishop has just checked gote's king on 5一 from 4二. The king's
  // capture of it loses to a mate further on; the evasion phases then pass
  // over the pawn's capture of it (a second move onto that square) and the
  // king's steps (quiet), though the pawn's capture holds (the mate solver
  // finds no mate for sente). While every evasion tried loses, the others are
  // tried before the node reports the mate.
  const model::Kyokumen k = board::testing::scene(
      "k51 p41 s21 l92 r82 s62 l12 n73 p53 n13 p84 p64 p14 p95 p75 p25 n16 B42 P44 P34 P85 B65 P97 P57 G47 N37 "
      "P17 L98 S78 K48 R38 G69 S59 P29 L19 *G *G *p *p *p",
      1);
  KPosition pos = Scene{k}.Load();
  KMove bishop;
  board::write_move(bishop, square_of(3, 3), square_of(4, 2), pos.board[square_of(4, 2)], board::kEmptyNumber,
                    board::kBishop | board::kSenteBit, 0, 0);
  Prepare(pos, 2, bishop, 5);
  int searched = 0;
  const int score = search_quiescence(cx, node, &in, -kScoreMate, kScoreMate, 0, 0, &searched);
  EXPECT_GT(score, -kScoreMate);
  EXPECT_EQ(board::kmove_to(node.pv.moves[2]), square_of(4, 2));  // a capture of the checker
  EXPECT_EQ(board::kmove_from(node.pv.moves[2]), square_of(4, 1));  // by the pawn
}

TEST_F(Node, OutOfCheckALossStandsOnlyWhenNoMoveLeftAsideEscapes) {
  // Sente's rook has just come to 3三 as a dragon, threatening mates that
  // none of the moves the stages choose for gote meets. With the lance on 6三
  // and nothing in hand every gote move loses (the mate solver mates after
  // each): the node reports the loss. With the lance on 6四 and a knight in
  // hand, the knight dropped on 8七 checks sente's king and escapes (the
  // solver finds no mate after it): no loss is reported, though every move
  // the stages generate loses.
  const struct {
    const char* scene;
    bool lost;
  } cases[] = {{"K99 +R33 G72 *N *R k52 l63", true}, {"K99 +R33 G72 *R k52 l64 *n", false}};
  for (const auto& c : cases) {
    KPosition pos = Scene{board::testing::scene(c.scene, 1)}.Load();
    KMove dragon;
    board::write_move(dragon, square_of(3, 4), square_of(3, 3), pos.board[square_of(3, 3)], board::kEmptyNumber,
                      board::kRook | board::kSenteBit, 0, 1);
    Prepare(pos, 3, dragon, 5);
    const int score = search_node(cx, node, &in, -kScoreMate, kScoreMate, 0, 0);
    const board::KHashEntry* e = board::hash_entry(node.key);
    if (c.lost) {
      EXPECT_EQ(score, -kScoreMate) << c.scene;
    } else {
      EXPECT_GT(score, -kScoreMate) << c.scene;
      // Nor does the table keep a loss for the position.
      EXPECT_TRUE(e == nullptr || e->flags >> 5 == board::kBoundNone || e->value > -kScoreMate) << c.scene;
    }
  }
}

TEST_F(Node, AFailedVerificationKeepsWhatTheOtherMovesShowed) {
  // Sente to move after gote's bishop drop on 5七, sente's king on 2四 with a
  // full hand, window (-32766, 4178), searched at depths 4, 5 and 6 as a
  // think deepens (the mate solver keeping its proofs). At depth 6 the node's
  // pass and its first moves score far from a loss; a move that fails high
  // by a pruned search loses to a mate when its verification searches it
  // deeper, and so does the next one once the node has been searched again.
  // The node does not turn that into a loss of its own (its entry alpha).
  KPosition pos = Scene{board::testing::scene("p41 r42 p34 K24 n35 +n36 L16 b57 *P *P *P *P *P *P *P *P *P *P *P *P *P "
                                              "*P *P *P *L *L *L *N *N *S *S *S *S *G *G *G *B *g *r")}
                      .Load();
  KMove drop;
  board::write_move(drop, board::kInHand, square_of(5, 7), pos.board[square_of(5, 7)], board::kEmptyNumber,
                    board::kBishop | board::kGoteBit, 0, 0);
  tsume::tsume_pool_reset();
  for (int depth : {4, 5, 6}) {
    Prepare(pos, depth, drop, 5);
    EXPECT_GT(search_node(cx, node, &in, -kScoreMate, 4178, 0, 0), -kScoreMate) << depth;
    const board::KHashEntry* e = board::hash_entry(node.key);
    EXPECT_TRUE(e == nullptr || e->flags >> 5 == board::kBoundNone || e->value > -kScoreMate) << depth;
  }
}

TEST_F(Node, QuiescenceOutOfCheckClaimsNoLossFromItsCapturesAlone) {
  // Gote to move, not in check; sente (without a king, as in a mate problem)
  // threatens a mate in one. The quiescence search tries only its captures and
  // drops before the king, and each loses to the mate; a drop on 5二 that
  // cuts the rook's rank holds (the mate solver finds no mate after it). The
  // node returns its static score, not a loss.
  KPosition pos = Scene{board::testing::scene(
                            "+L51 k71 R42 l72 p82 P92 +N73 *S *r *b *b *g *g *g *g *s *s *s *n *n *n *l *l *p *p *p *p "
                            "*p *p *p *p *p *p *p *p *p *p *p *p",
                            1)}
                      .Load();
  ASSERT_FALSE(board::king_attacked(pos, pos.teban));
  Prepare(pos, 2, board::pass_move(), 5);
  int searched = 0;
  const int score = search_quiescence(cx, node, &in, -kScoreMate, kScoreMate, 0, 0, &searched);
  EXPECT_EQ(searched, 1);  // the loop ran: moves were generated and tried
  EXPECT_GT(score, -kScoreMate);
}

TEST_F(Node, ChildSearchProbesReducedMovesAndExtendsBySingleEvasionAndCredit) {
  // The node of ply 2 is the child here; `parent` (ext 0) is its node.
  Scene quiet;
  quiet.Put(5, 9, model::kOu).Put(5, 8, model::kKin).Put(5, 2, gote(model::kGin)).Put(5, 1, gote(model::kOu));
  KPosition pos = quiet.Load();
  const auto searches = [&](int child_ext, int alpha, int credit, int lag, int abort = 0) {
    Prepare(pos, 4, board::pass_move(), 5);
    node.ext = child_ext;
    cx.search_abort = abort;
    trace.clear();
    traced_ply = 2;
    think_report_hooks.stage_trace_hook = [](int code) {
      if (testing::test_context().search_ply == traced_ply && code == 2) trace.push_back(code);
    };
    search_child(cx, parent, node, 2, 5, &in, alpha, alpha + 100, 0, 0, &credit, lag);
    think_report_hooks.stage_trace_hook = nullptr;
    return std::pair<int, size_t>{node.ext, trace.size()};
  };
  // A reduced move failing low is searched once with the null window; failing
  // high it is searched again at the node's ext; an abort is searched no more.
  EXPECT_EQ(searches(-12, 30000, 0, 0), (std::pair<int, size_t>{-12, 1}));
  EXPECT_EQ(searches(-12, -30000, 0, 0), (std::pair<int, size_t>{0, 2}));
  EXPECT_EQ(searches(-12, -30000, 0, 0, 1), (std::pair<int, size_t>{-12, 0}));
  cx.search_abort = 0;
  // The recapture credit: min(credit, lag) once the lag reaches a ply.
  EXPECT_EQ(searches(0, -30000, 30, 18), (std::pair<int, size_t>{18, 2}));
  EXPECT_EQ(searches(0, -30000, 30, 11), (std::pair<int, size_t>{0, 1}));

  // Sente's king on 1九 can only take gote's rook on 1八: the one evasion is
  // searched a ply deeper, and the table remembers it.
  Scene c;
  c.Put(1, 9, model::kOu).Put(2, 8, model::kGin).Put(2, 9, model::kKei).Put(1, 8, gote(model::kHi))
      .Put(5, 1, gote(model::kOu));
  KPosition checked = c.Load();
  KMove rook;
  board::write_move(rook, square_of(1, 5), square_of(1, 8), checked.board[square_of(1, 8)], board::kEmptyNumber,
                    board::kRook | board::kGoteBit, 0, 0);
  Prepare(checked, 4, rook, 5);
  const KMove take = c.Move(checked, 1, 9, 1, 8);
  board::KHashKey after = node.key;
  board::hash_key_sashite(after, 0, take);
  search_node(cx, node, &in, -30000, 30000, 0, 0);
  const board::KHashEntry* e = board::hash_entry(after);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->extension, 12);
}

TEST_F(Node, TableEntriesOfAnExactLineACutAndAFailLow) {
  // A middle-game position searched at ply 2 with ext 6: the depth stored is
  // ext + 12 x (depth - ply), 18 at depth 3 and 30 at depth 4 (not 12 x the
  // remaining plies, 24 and 36).
  KPosition pos = Scene{driver::middle_game_positions(1)[0]}.Load();
  const auto search = [&](int depth, int alpha, int beta) {
    Prepare(pos, depth, board::pass_move(), 5);
    node.ext = 6;
    return search_node(cx, node, &in, alpha, beta, 0, 0);
  };
  // The node's entry holds the bound, the depth, the score and the line's first move.
  const auto stored = [&](int depth, int bound, int score) {
    const board::KHashEntry* e = board::hash_entry(node.key);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->flags >> 5, bound);
    EXPECT_EQ(e->depth, 6 + 12 * (depth - 2));
    EXPECT_EQ(e->value, score);
    EXPECT_EQ(e->best_move, node.pv.moves[2]);
    EXPECT_NE(e->best_move, 0u);
  };
  for (int depth : {3, 4}) {
    // An exact line.
    const int v = search(depth, -30000, 30000);
    ASSERT_GT(v, -30000);
    ASSERT_LT(v, 30000);
    stored(depth, board::kBoundExact, v);
    // A cut, a lower bound: at depth 3 a move's; at depth 4 a move's whose
    // cut the pass did not confirm, once a deeper search of it has.
    const int cut = search(depth, v - 300, v - 299);
    EXPECT_GE(cut, v - 299);
    stored(depth, board::kBoundLower, cut);
    // A fail-low: no move made a line, and the node stores no bound.
    EXPECT_LE(search(depth, v + 300, v + 301), v + 300);
    const board::KHashEntry* e = board::hash_entry(node.key);
    EXPECT_TRUE(e == nullptr || e->flags >> 5 == board::kBoundNone);
  }
}

TEST_F(Node, AMoveTheTableBoundsIsNotSearched) {
  // Sente's king on 1九 has one move: take gote's rook on 1八. The table holds
  // the position after it (gote to move).
  Scene c;
  c.Put(1, 9, model::kOu).Put(2, 8, model::kGin).Put(2, 9, model::kKei).Put(1, 8, gote(model::kHi))
      .Put(5, 1, gote(model::kOu));
  KPosition checked = c.Load();
  KMove rook;
  board::write_move(rook, square_of(1, 5), square_of(1, 8), checked.board[square_of(1, 8)], board::kEmptyNumber,
                    board::kRook | board::kGoteBit, 0, 0);
  const KMove take = c.Move(checked, 1, 9, 1, 8);
  const auto search = [&](int bound, int value) {
    Prepare(checked, 4, rook, 5);
    board::KHashKey after = node.key;
    board::hash_key_sashite(after, 0, take);
    board::hash_store(after, 756, bound, value, 0, 0, 0, 0, 5);
    const uint32_t before = cx.node_counter;
    const int score = search_node(cx, node, &in, -400, 400, 0, 0);
    EXPECT_EQ(cx.node_counter - before, 1u);  // the node alone: the capture is not searched
    EXPECT_TRUE(board::hash_entry(node.key) == nullptr);  // nor does the node store anything
    return score;
  };
  // Gote's value is at least 500: the capture is worth at most -500, below
  // alpha; the node fails low with alpha, not with a loss.
  EXPECT_EQ(search(board::kBoundLower, 500), -400);
  // Gote's value is at most -500: the capture reaches beta; the node returns
  // the table's value with the capture as its line.
  EXPECT_EQ(search(board::kBoundUpper, -500), 500);
  EXPECT_EQ(node.pv.moves[2], board::move_word(take));
}

TEST_F(Node, QuiescenceStandPat) {
  // Not in check, no exchange pending: the node's blended static score cuts
  // at beta as it is (fail-soft) before any move is generated; in forced mode
  // (a pair key) it does not.
  KPosition pos = Scene{driver::middle_game_positions(1)[0]}.Load();
  ASSERT_FALSE(board::king_attacked(pos, pos.teban));
  const auto quiescence = [&](int beta, uint32_t pair, int* searched) {
    Prepare(pos, 2, board::pass_move(), 5);
    const uint32_t before = cx.node_counter;
    const int score = search_quiescence(cx, node, &in, beta - 1000, beta, pair, 0, searched);
    return std::pair<int, uint32_t>{score, cx.node_counter - before};
  };
  Prepare(pos, 2, board::pass_move(), 5);
  board::KEvalRecord r = node.eval;
  evaluate_fully(pos, r, 0, board::pass_move());
  const int stand = eval_blend_node(r, pos.teban, true);
  int searched = -1;
  for (int beta : {stand, stand - 50}) {
    EXPECT_EQ(quiescence(beta, 0, &searched), (std::pair<int, uint32_t>{stand, 1})) << beta;
    EXPECT_EQ(searched, 0);
  }
  for (const auto& [beta, pair] : {std::pair<int, uint32_t>{stand + 1, 0}, {stand - 50, 1}}) {
    quiescence(beta, pair, &searched);
    EXPECT_NE(searched, 0) << beta;
  }
}

TEST_F(Node, QuiescenceStandsPatAndStopsOnlyWhereTheTimeRulesApply) {
  // Beta above 31000 with a record not yet fully evaluated: no stand pat, the
  // moves are searched (the searched flag says the loop was reached).
  KPosition pos = Scene{board::testing::kings_and_hands({}, {}, 59, 51)}.Load();
  Prepare(pos, 2, board::pass_move(), 0);
  cx.search_ply = 3;
  int searched = -1;
  search_quiescence(cx, node, &in, -kScoreMate, kScoreMate, 0, 0, &searched);
  EXPECT_EQ(searched, 1);
  Prepare(pos, 2, board::pass_move(), 0);
  cx.search_ply = 3;
  search_quiescence(cx, node, &in, -kScoreMate, 0, 0, 0, &searched);
  EXPECT_EQ(searched, 0);  // the static score reached beta

  // The stop test: a stop request always, the clock only under a time rule.
  cx.time_state = SearchTimeState{};
  think_words.limits.current_limit.store(-200);
  think_words.limits.extension.store(0);
  think_clock_start(cx);
  EXPECT_EQ(qsearch_stop_test(cx), 0);  // a depth-only think
  think_words.limits.current_limit.store(500);
  EXPECT_EQ(qsearch_stop_test(cx), 0);
  cx.time_state.no_time_limit = 1;
  think_words.control.store(kThinkStop);
  EXPECT_EQ(qsearch_stop_test(cx), 1);
  think_words.control.store(kThinkPonder);
  EXPECT_EQ(qsearch_stop_test(cx), 0);
  think_words.control.store(kThinkRun);
}

}  // namespace
}  // namespace search
