// The composer: its shorter-mate search on the problem set, the acceptance and
// improvement rules, problems that come again with the same seed and solve
// again to their length without a shorter mate, and the stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/position_setup.h"
#include "engine/tsume/compose.h"
#include "engine/tsume/compose_search.h"
#include "engine/tsume/tsume_bounded.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "engine/tsume/tsume_move_code.h"
#include "platform/clock.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/tsume/mate_oracle.h"
#include "tests/engine/tsume/tsume_problems.h"

namespace tsume::testing {
namespace {

Problem problem(const char* name) {
  Problem p;
  load_problem(tsume_data_dir() + "/" + name + ".kif", p);
  return p;
}

bool attacker_hand_empty(const board::KPosition& p) {
  return std::all_of(p.hand[0] + board::kRook, p.hand[0] + board::kPawn + 1, [](uint8_t n) { return n == 0; });
}

class ComposeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(c_.OpenTables());
    c_.budget_ms = 600000;
    c_.start_ms = platform::tick_ms();
    c_.solve_ms = 60000;
    c_.solve_nodes = 2000000;
    c_.short_nodes = 2000000;
    // The node limits, not the clock, bound the acceptance's solves here: a
    // busy machine must not change what they show.
    c_.short_ms = 600000;
    c_.min_length = 1;
  }
  void TearDown() override { c_.CloseTables(); }

  int ShortMate(const board::KPosition& p, int limit, int* plies) {
    tsume_table_reset(c_.table);
    board::KMove first;
    // The node limit ends a search, never the clock.
    const int r = compose_instance_short_mate(c_.table, p, limit, &first, plies, 600000, 2000000);
    if (r == 0) {  // the first move checks
      board::KPosition after = p;
      board::do_move(after, first, 0);
      EXPECT_TRUE(board::king_attacked(after, after.teban));
    }
    return r;
  }

  KCompose c_;
};

TEST_F(ComposeTest, ShortMateFindsMatesWithinTheLimitOnly) {
  struct Case {
    const char* name;
    int limit, result, plies;
  };
  const Case cases[] = {
      {"mate05_b_ai", 5, 0, 5}, {"mate05_b_ai", 3, 1, 0}, {"mate07_a_ai", 7, 0, 7}, {"mate07_a_ai", 5, 1, 0},
      {"mate09_d", 9, 0, 9},    {"mate09_d", 7, 1, 0},    {"mate13_d", 9, 1, 0},    {"mate05_b_ai", 0, 1, 0},
      // Five plies: the drops between the dragon on 2五 and the king are
      // captured with a mate as fast as without them.
      {"mate05_h", 5, 0, 5},    {"mate05_h", 3, 1, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.name) + " within " + std::to_string(k.limit));
    int plies = 0;
    EXPECT_EQ(ShortMate(engine_position(problem(k.name).kyokumen), k.limit, &plies), k.result);
    EXPECT_EQ(plies, k.plies);
  }
  // No check at all: no mate at any length.
  const board::KPosition lone = board::testing::Scene()
                                    .Put(5, 1, model::testing::gote(model::kOu))
                                    .Put(9, 9, model::kFu)
                                    .Load();
  EXPECT_EQ(ShortMate(lone, 9, nullptr), 2);
}

// One depth of the test asks for a mate within one ply less: 0 with the
// first move and the mate's length, 2 when there is none within it.
TEST_F(ComposeTest, EachDepthAsksForAMateWithinOnePlyLess) {
  KTsumeEngine& e = *compose_instance();
  auto root = [&](const board::KPosition& p, int depth, uint16_t* move, int* length) {
    tsume_table_reset(c_.table);
    e.node_limit = 2000000;
    e.time_limit.store(600000);
    tsume_start_clock(e);
    std::fill(e.path_heads, e.path_heads + e.max_ply, -1);
    TsumeContext c;
    tsume_context_init(c, p, p.teban);
    return compose_root(e, c_.table, c, depth, move, length);
  };
  const board::KPosition p = engine_position(problem("mate05_b_ai").kyokumen);
  uint16_t move = kNoNodeMove;
  int length = 0;
  ASSERT_EQ(root(p, 6, &move, &length), 0);
  EXPECT_EQ(length, 5);
  board::KMove first;
  ASSERT_TRUE(tsume_move_decode(p, move, first));
  board::KPosition after = p;
  board::do_move(after, first, 0);
  EXPECT_TRUE(board::king_attacked(after, after.teban));
  EXPECT_EQ(root(p, 4, &move, &length), 2);
  EXPECT_EQ(root(p, 2, &move, &length), 2);
  // A 1-ply mate is found at the first depth.
  const board::KPosition one = board::testing::Scene{board::testing::scene("k11 G13 *G")}.Load();
  ASSERT_EQ(root(one, 2, &move, &length), 0);
  EXPECT_EQ(length, 1);
}

// The composer instance has the solver's work stores: 2000 plies deep.
TEST_F(ComposeTest, TheComposerInstanceReachesTwoThousandPlies) {
  EXPECT_EQ(compose_instance_max_ply(), 2000);
  compose_instance_free();
  EXPECT_EQ(compose_instance_max_ply(), 0);
}

TEST_F(ComposeTest, AcceptAndImprove) {
  board::KPosition p = engine_position(problem("mate07_b_ai").kyokumen);
  c_.min_length = 7;
  EXPECT_TRUE(c_.Accept(p));
  EXPECT_EQ(c_.accepted_length, 7u);
  c_.min_length = 9;
  EXPECT_FALSE(c_.Accept(p));
  // A line of nine plies, not the twenty-one a futile interposition would add,
  // ending with the attacker's hand empty.
  p = engine_position(problem("mate09_k").kyokumen);
  EXPECT_TRUE(c_.Accept(p));
  EXPECT_EQ(c_.accepted_length, 9u);
  // Fifteen plies, each shown: no shorter mate and a main line at every ply.
  p = engine_position(problem("mate15_c").kyokumen);
  ASSERT_TRUE(c_.Accept(p));
  EXPECT_EQ(c_.accepted_length, 15u);
  EXPECT_TRUE(compose_instance_line_shown().Whole());
  // The acceptance holds a problem to its shortest mate: this one, once made
  // as a mate in fifteen, mates in eleven with pieces left in hand, and is
  // refused.
  Problem claims;
  ASSERT_TRUE(load_problem(std::string(VELKORA_TEST_DATA) + "/tsume_lines/claims15_mate11.kif", claims));
  p = engine_position(claims.kyokumen);
  c_.min_length = 7;
  EXPECT_FALSE(c_.Accept(p));
  EXPECT_TRUE(compose_instance_line_shown().Whole());
  EXPECT_EQ(compose_instance_line_shown().line_length, 11);
  // A problem whose shortest mate its limits cannot show is refused.
  p = engine_position(problem("mate13_h_ai").kyokumen);
  c_.short_nodes = 200000;
  EXPECT_FALSE(c_.Accept(p));
  EXPECT_FALSE(compose_instance_line_shown().length);
  c_.short_nodes = 20000000;
  EXPECT_TRUE(c_.Accept(p));
  EXPECT_EQ(c_.accepted_length, 13u);

  // 1二金打 mates with a bishop left in hand: refused, until the improvement
  // gives the bishop to the defender (the same length and score).
  c_.min_length = 1;
  p = board::testing::Scene()
          .Put(1, 1, model::testing::gote(model::kOu))
          .Put(1, 3, model::kKin)
          .Hand(model::kKin)
          .Hand(model::kKaku)
          .Load();
  EXPECT_FALSE(c_.Accept(p));
  int plies = 0, score = 0;
  ASSERT_TRUE(c_.SolveAndScore(p, &plies, &score));
  c_.Improve(p, plies, score);
  EXPECT_EQ(plies, 1);
  EXPECT_EQ(p.hand[1][board::kBishop], 1);
  EXPECT_TRUE(c_.Accept(p));
}

// 1二銀打 mates. Every solve plays its line to count the sacrifices and takes
// it back, and the drop taken back leaves the attacker's code on the silver
// that the defender holds. When the gold on 1三 must stay and a silver out of
// the defender's hand replaces it, that is still a silver, whatever its code
// says: every piece keeps its number's kind and the position rebuilds soundly.
TEST_F(ComposeTest, ImproveTakesAPieceOutOfHandByItsKindAlone) {
  board::KPosition p = board::testing::Scene{board::testing::scene("k11 G13 r99 *S *s")}.Load();
  int plies = 0, score = 0;
  ASSERT_TRUE(c_.SolveAndScore(p, &plies, &score));
  c_.Improve(p, plies, score);
  board::pos_rebuild(p);
  EXPECT_TRUE(board::testing::matches_rebuild(p));
  EXPECT_EQ(plies, 1);
  const int on_13 = p.board[board::square_of(1, 3)];
  ASSERT_LT(on_13, board::kPieceCount);
  EXPECT_EQ(p.piece[on_13].code, board::kSilver | board::kSenteBit);
  EXPECT_EQ(p.hand[1][board::kGold], 1);
  EXPECT_EQ(p.hand[1][board::kSilver], 0);
  EXPECT_TRUE(c_.Accept(p));
}

// A lone king in the open with most pieces in the attacker's hand: neither
// search ends soon by itself. After a stop each ends at its first time test,
// however far off its own limits are.
TEST_F(ComposeTest, AStopEndsTheSolveAndTheShorterMateSearchAtTheirTimeTests) {
  board::KPosition p = board::testing::Scene{board::testing::scene("k55 *R *B *G *G *S *S *N *N *L *L *P *P *P")}.Load();
  c_.Stop();
  EXPECT_TRUE(c_.TimeUp());
  int plies = 0, score = 0;
  EXPECT_FALSE(c_.SolveAndScore(p, &plies, &score));
  EXPECT_LE(compose_instance_nodes(), kTimeCheckVisits);
  EXPECT_EQ(ShortMate(p, kShortMatePlies, nullptr), 1);
  EXPECT_LE(compose_instance_nodes(), kTimeCheckVisits);
}

// Attacker to move with the piece table's pieces: few, near the king.
constexpr int32_t kPieces[kComposePieceTableSize] = {
    40, 40, 40, 40, 30, 30, 10,  60, 60, 60, 70, 70, 70, 90,  60, 60, 100, 80, 80, 80, 80,
    100, 100, 150, 150, 150, 150, 200, 10, 10, 30, 30, 20, 20, 10, 95, 95, 100, 95, 95, 95, 95,
    150, 150, 200, 200, 150, 150, 200,
};

TEST(Compose, TheSameSeedGivesTheSameProblemsWhichSolveAgain) {
  std::vector<model::Kyokumen> runs[2];
  std::vector<uint32_t> lengths;
  for (auto& run : runs) {
    KCompose c;
    c.Init(7);
    lengths.clear();
    for (int i = 0; i < 2; ++i) {
      board::KPosition p;
      ASSERT_EQ(c.Generate(p, kPieces, 600000, 7, 600000, 20000, 30000), 1);
      EXPECT_TRUE(board::testing::matches_rebuild(p));
      model::Kyokumen k;
      bridge::position_export(k, p);
      run.push_back(k);
      lengths.push_back(c.accepted_length);
    }
  }
  ASSERT_EQ(runs[0].size(), 2u);
  ASSERT_EQ(runs[1].size(), 2u);
  ASSERT_EQ(ktsume_alloc_default(), 1);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(runs[0][i], runs[1][i]);
    board::KPosition p = engine_position(runs[0][i]);
    const board::KMove* line = nullptr;
    int length = 0;
    ASSERT_EQ(ktsume_solve(p, &line, &length, 600000, -1), SolveResult::kMate);
    EXPECT_EQ(length, static_cast<int>(lengths[i]));
    EXPECT_GE(length, 7);
    for (int m = 0; m < length; ++m) board::do_move(p, line[m], 0);
    EXPECT_TRUE(attacker_hand_empty(p));
    MateOracle oracle;
    EXPECT_FALSE(oracle.MatesWithin(runs[0][i], std::min(length - 2, kShortMatePlies)));
  }
  ktsume_free();
}

TEST(Compose, StopEndsAJobThatOnlyDrawsIllegalPositions) {
  int32_t pieces[kComposePieceTableSize];
  std::copy(std::begin(kPieces), std::end(kPieces), pieces);
  // Eighteen unpromoted pawns of the attacker on nine files.
  for (int group : {kAttackerShare, kAttackerOnBoard, kAttackerUnpromoted}) {
    pieces[compose_entry(group, board::kPawn)] = 100;
  }
  KCompose c;
  c.Init(1);
  board::KPosition p;
  std::atomic<int> result{-1};
  std::thread job([&] { result = c.Generate(p, pieces, 600000, 7, 3000, 50000, 7500000); });
  // A stop before the job stores its budget is lost: stop until it ends.
  while (result.load() < 0) {
    c.Stop();
    platform::sleep_ms(1);
  }
  job.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(c.mated, 0u);
}

}  // namespace
}  // namespace tsume::testing
