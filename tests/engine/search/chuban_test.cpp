// The think as a whole: legal answers on random positions, mates found and
// confirmed by the plain search, the same answer twice and on the turned
// board, the depth rules, and stopping.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <thread>

#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "engine/driver/computer_jobs.h"
#include "engine/search/chuban.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "model/formats/csa_format.h"
#include "model/text/kstring.h"
#include "platform/clock.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/search/think_setup.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::testing::Scene;

class Think : public testing::ThinkTest {};

// True when the think's first move is legal on the game-model position.
bool legal_on(const model::Kyokumen& k, const KPosition& p, board::KMoveWord w) {
  model::Sashite s;
  if (bridge::kmove_to_sashite(s, k, move_from_word(p, w)) != 0) return false;
  model::Kyokumen copy;
  copy.Copy(k);
  return copy.DoSashite(s);
}

// The moves of the side to move that mate at once.
std::vector<board::KMoveWord> mates_in_one(KPosition& p) {
  std::vector<board::KMoveWord> out;
  KMove moves[board::kMaxMoves];
  const int n = board::engine_legal_moves(p, moves);
  for (int i = 0; i < n; ++i) {
    KMove replies[board::kMaxMoves];
    board::do_move(p, moves[i], 0);
    if (board::engine_legal_moves(p, replies) == 0) out.push_back(board::move_word(moves[i]));
    board::undo_move(p, moves[i], 0);
  }
  return out;
}

// The position turned by 180 degrees with the sides exchanged.
model::Kyokumen turned(const model::Kyokumen& k) {
  model::Kyokumen t = model::testing::empty_position();
  for (int f = 1; f <= 9; ++f) {
    for (int r = 1; r <= 9; ++r) {
      const int code = k.At(f, r).code;
      if (code != 0) model::testing::put(t, 10 - f, 10 - r, code ^ 0x10);  // the gote bit
    }
  }
  for (int type = 1; type < 8; ++type) {
    t.mochigoma[0][type] = k.mochigoma[1][type];
    t.mochigoma[1][type] = k.mochigoma[0][type];
  }
  t.teban = 1 - k.teban;
  return t;
}

TEST_F(Think, EveryAnswerIsLegalOnRandomPositions) {
  std::mt19937 rng(31337);
  int positions = 0;
  while (positions < 200) {
    model::Kyokumen k;
    k.Init(model::kHirate);
    for (int ply = 0; ply < 120 && positions < 200; ++ply) {
      model::Sashite m;
      if (board::testing::random_legal_moves(k, rng, &m, 1) == 0) break;
      k.DoSashite(m);
      if (ply % 6 != 5) continue;
      KPosition p = Scene{k}.Load();
      const KPosition before = p;
      const int score = Chuban(cx, Request(p, 3));
      ASSERT_TRUE(board::testing::same_live_fields(before, p));
      if (result.length == 0) {
        EXPECT_EQ(score, -kScoreMate);
      } else {
        EXPECT_TRUE(legal_on(k, p, result.moves[0])) << "ply " << ply;
      }
      ++positions;
    }
  }
}

TEST_F(Think, MatesInOneThreeAndFiveAtDepthTwoNMinusOneAndOnTheTurnedBoard) {
  // Hand-made problems whose mates the plain search (1 and 3 plies) or the
  // proof-number solver (5 plies) confirms. The node search finds them on the
  // depth road (no time, so no root mate check) at depth 2N - 1, depth 2 for a
  // mate in one (a think of depth 1 does not search).
  const std::set<std::string> chosen = {"mate01_a.kif", "mate01_b.kif", "mate03_a_ai.kif", "mate03_b_ai.kif",
                                        "mate05_a_ai.kif", "mate05_e.kif"};
  ASSERT_EQ(tsume::ktsume_alloc_default(), 1);
  int checked = 0;
  for (const tsume::testing::Problem& problem : tsume::testing::load_problem_set()) {
    if (chosen.count(problem.name) == 0) continue;
    for (const model::Kyokumen& k : {problem.kyokumen, turned(problem.kyokumen)}) {
      KPosition p = Scene{k}.Load();
      if (problem.length <= 3 && checked % 2 == 0) {
        ASSERT_EQ(chuban_plain(Request(p, problem.length + 1)), kScoreMate) << problem.name;
      }
      EXPECT_EQ(Chuban(cx, Request(p, std::max(2, problem.length))), kScoreMate) << problem.name;
      ASSERT_TRUE(legal_on(k, p, result.moves[0])) << problem.name;
      const KMove first = move_from_word(p, result.moves[0]);
      board::do_move(p, first, 0);
      KMove answer;
      int count = 0;
      EXPECT_EQ(tsume::ktsume_solve_defender_top(p, &answer, &count, 10000, 1000000), 0) << problem.name;
      EXPECT_LE(count, problem.length - 1) << problem.name;
      board::undo_move(p, first, 0);
      ++checked;
    }
  }
  tsume::ktsume_free_default();
  EXPECT_EQ(checked, 12);

  // Only a pawn drop would mate at once: it is illegal, the think plays something else.
  Scene s;
  s.Put(5, 9, model::kOu).Put(1, 1, model::testing::gote(model::kOu)).Put(2, 3, model::kKin).Put(3, 3, model::kKei);
  s.Hand(model::kFu);
  KPosition p = s.Load();
  const board::KMoveWord pawn_mate = board::move_word(s.Move(p, 11, model::kFu, 1, 2));
  for (int32_t byoyomi : {30000, 0}) {
    Chuban(cx, Request(p, 3, byoyomi));
    ASSERT_GE(result.length, 1);
    EXPECT_NE(result.moves[0], pawn_mate);
    EXPECT_TRUE(legal_on(s.k, p, result.moves[0]));
  }
}

// The first move of every line the think posts.
std::vector<uint32_t> posted_firsts;
int keep_first(int count, const uint32_t* moves, int32_t, int, int32_t, uint32_t, uint32_t) {
  posted_firsts.push_back(count > 0 ? moves[0] : 0);
  return 0;
}

TEST_F(Think, EveryPostedLineStartsWithARootMove) {
  // A mate problem whose defender holds the rest of the pieces: at depth 5 the
  // root finds mates of its own along a line and posts that line before it
  // searches the move again. Every posted line starts with a legal move of the
  // root, not with the reply.
  const model::Kyokumen k = board::testing::scene(
      "P83 R43 l54 k85 +P87 R79 *L *p *p *p *p *p *p *p *p *p *p *p *p *p *p *p *p *l *l *n *n *n *n *s *s *s *s "
      "*g *g *g *g *b *b");
  KPosition p = Scene{k}.Load();
  posted_firsts.clear();
  set_pv_sink(keep_first);
  Chuban(cx, Request(p, 5));
  set_pv_sink(nullptr);
  ASSERT_FALSE(posted_firsts.empty());
  for (const uint32_t first : posted_firsts) EXPECT_TRUE(legal_on(k, p, first)) << first;
}

TEST_F(Think, TheSameThinkTwiceAndOnTheTurnedBoard) {
  std::mt19937 rng(99);
  model::Kyokumen k;
  k.Init(model::kHirate);
  for (int ply = 0; ply < 30; ++ply) {
    model::Sashite m;
    board::testing::random_legal_moves(k, rng, &m, 1);
    k.DoSashite(m);
  }
  KPvHolder first{};
  int score[2];
  uint32_t nodes[2];
  for (int run = 0; run < 2; ++run) {
    KPosition p = Scene{k}.Load();
    board::rand_seed(5);
    score[run] = Chuban(cx, Request(p, 4));
    nodes[run] = cx.node_counter;
    if (run == 0) first = result;
  }
  EXPECT_EQ(score[0], score[1]);
  EXPECT_EQ(nodes[0], nodes[1]);  // the second think starts its count from 0 again
  ASSERT_EQ(first.length, result.length);
  for (int i = 0; i < first.length; ++i) EXPECT_EQ(first.moves[i], result.moves[i]);

  // A mate with one mating move and its turned twin.
  int mirrored = 0;
  for (const tsume::testing::Problem& problem : tsume::testing::load_problem_set()) {
    if (problem.length != 1) continue;
    KPosition p = Scene{problem.kyokumen}.Load();
    const std::vector<board::KMoveWord> mates = mates_in_one(p);
    if (mates.size() != 1) continue;
    const model::Kyokumen twin_k = turned(problem.kyokumen);
    KPosition twin = Scene{twin_k}.Load();
    EXPECT_EQ(Chuban(cx, Request(p, 2)), kScoreMate);
    const board::KMoveWord w = result.moves[0];
    EXPECT_EQ(w, mates[0]);
    EXPECT_EQ(Chuban(cx, Request(twin, 2)), kScoreMate);
    const board::KMoveWord v = result.moves[0];
    auto turn = [](int sq) { return board::square_of(10 - board::square_file(sq), 10 - board::square_rank(sq)); };
    EXPECT_EQ(board::kmove_to(v), turn(board::kmove_to(w))) << problem.name;
    if (board::kmove_from(w) != board::kInHand) {
      EXPECT_EQ(board::kmove_from(v), turn(board::kmove_from(w)));
    }
    EXPECT_EQ(board::kmove_piece(v), board::kmove_piece(w) ^ (board::kSenteBit | board::kGoteBit));
    ++mirrored;
  }
  EXPECT_GE(mirrored, 1);
}

TEST_F(Think, DepthRulesPonderingAndOneLegalMove) {
  // Thinking on the opponent's time goes two plies past the limit.
  Scene kings;
  kings.Put(5, 9, model::kOu).Put(5, 1, model::testing::gote(model::kOu));
  KPosition p = kings.Load();
  think_words.control.store(kThinkPonder);
  Chuban(cx, Request(p, 8));
  EXPECT_EQ(search_depth_get(), 10);
  think_words.control.store(kThinkRun);
  Chuban(cx, Request(p, 8));
  EXPECT_EQ(search_depth_get(), 8);

  // Sente's king on 1九 is boxed in by gote's dragon on 2七: the pawn push is
  // the one legal move. Normal play stops at depth 7; N best moves do not.
  Scene boxed;
  boxed.Put(1, 9, model::kOu).Put(2, 7, model::testing::gote(model::kRyu)).Put(5, 1, model::testing::gote(model::kOu))
      .Put(5, 5, model::kFu);
  p = boxed.Load();
  ThinkRequest r = Request(p, 12);
  Chuban(cx, r);
  // The single move caps the depth at 7 before the deepening; the list of one
  // node after the first iteration then lowers it to 6.
  EXPECT_EQ(search_depth_get(), 6);
  EXPECT_EQ(result.length >= 1 ? board::kmove_to(result.moves[0]) : 0, board::square_of(5, 4));
  r.max_depth = 8;
  r.normal_play = false;
  r.best_count = 2;
  r.search_style = 2;
  Chuban(cx, r);
  EXPECT_EQ(search_depth_get(), 8);
}

// What the think reported, as the view gets it.
struct Report {
  std::vector<uint32_t> line;
  int32_t score, depth;
  uint32_t nodes;
};
std::vector<Report> reports;
// Asks for a stop at the first report of this depth (0: never).
int stop_at_depth = 0;

int keep_report(int count, const uint32_t* moves, int32_t a, int, int32_t b, uint32_t nodes, uint32_t) {
  reports.push_back({std::vector<uint32_t>(moves, moves + count), a, b, nodes});
  if (stop_at_depth != 0 && b == stop_at_depth) think_words.control.store(kThinkStop);
  return 0;
}

TEST_F(Think, TheLastReportCoversTheWholeThink) {
  set_pv_sink(keep_report);
  std::mt19937 rng(777);
  model::Kyokumen k;
  k.Init(model::kHirate);
  for (int ply = 0; ply < 30; ++ply) {
    model::Sashite m;
    board::testing::random_legal_moves(k, rng, &m, 1);
    k.DoSashite(m);
  }
  for (int stop : {0, 3}) {
    // To depth 5, and stopped in the middle of iteration 3 (at its first new
    // line): the last report has the think's line and score, the depth whose
    // moves stand, and every node of the think.
    reports.clear();
    stop_at_depth = stop;
    KPosition p = Scene{k}.Load();
    const int score = Chuban(cx, Request(p, 5));
    think_words.control.store(kThinkRun);
    ASSERT_GE(reports.size(), 2u) << stop;
    const Report& last = reports.back();
    EXPECT_EQ(last.line, std::vector<uint32_t>(result.moves, result.moves + result.length)) << stop;
    EXPECT_EQ(last.score, score) << stop;
    EXPECT_EQ(last.depth, stop == 0 ? 5 : 3);
    EXPECT_EQ(last.nodes, cx.node_counter) << stop;
    EXPECT_GT(last.nodes, reports[reports.size() - 2].nodes) << stop;
  }
  stop_at_depth = 0;
  set_pv_sink(nullptr);
}

// From a game at 1 s a move: sente's bishop on 2二 and gote's on 4四 face each
// other. After ４五歩 gote simply takes the bishop. A node whose verified
// fail-high was refuted a second time returned that move's score over the
// moves searched meanwhile, so the think saw ４五歩 win a bishop (+1636), or,
// counting only the moves before the verified one, still chose it (+112).
TEST_F(Think, AFailHighRefutedAgainRestartsTheNode) {
  model::Kyokumen k;
  k.Init(model::kHirate);
  for (const char* text : {"+6978KI", "-8252HI", "+4746FU", "-3334FU", "+7868KI", "-1314FU", "+3948GI", "-9394FU",
                           "+9796FU", "-1415FU", "+7776FU", "-2288UM", "+7988GI", "-3132GI", "+0022KA", "-0044KA"}) {
    model::KString statement;
    statement.Assign(text);
    model::Sashite m;
    ASSERT_TRUE(model::csa_parse_move_line(statement, m, k)) << text;
    ASSERT_TRUE(k.DoSashite(m)) << text;
  }
  KPosition p = Scene{k}.Load();
  const int score = Chuban(cx, Request(p, 6));
  ASSERT_GE(result.length, 1);
  const KMove first = move_from_word(p, result.moves[0]);
  EXPECT_LT(score, 1000);
  EXPECT_FALSE(first.from == board::square_of(4, 6) && first.to == board::square_of(4, 5)) << score;
}

TEST_F(Think, AStopEndsTheThinkWithALegalMove) {
  std::mt19937 rng(4242);
  model::Kyokumen k;
  k.Init(model::kHirate);
  int64_t worst_ms = 0;
  for (int trial = 0; trial < 20; ++trial) {
    model::Sashite m;
    board::testing::random_legal_moves(k, rng, &m, 1);
    k.DoSashite(m);
    KPosition p = Scene{k}.Load();
    ThinkRequest r = Request(p, 30);
    r.no_time_limit = true;
    std::thread think([&] { Chuban(cx, r); });
    platform::sleep_ms(rng() % 60);
    const uint32_t asked = platform::tick_ms();
    driver::chuban_stop();
    think.join();
    worst_ms = std::max<int64_t>(worst_ms, platform::tick_elapsed(asked, platform::tick_ms()));
    ASSERT_GE(result.length, 1);
    EXPECT_TRUE(legal_on(k, p, result.moves[0]));
    think_words.control.store(kThinkRun);
  }
  // Not a timing test (the machine is shared): a stop that hangs fails here.
  EXPECT_LT(worst_ms, 5000);
  std::printf("worst stop %lld ms\n", static_cast<long long>(worst_ms));
}

}  // namespace
}  // namespace search
