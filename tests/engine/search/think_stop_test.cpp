// A think asked to stop before it starts, so that the stop finds each stage of
// it in turn: the root mate check, the checks on the root moves (the pass
// threat, the evasions' mate filter) and the first iteration, where a stop
// lands after the moves searched within the first poll of the stop word. Each
// think answers a legal move, its last report has the line and value it
// returns, and a mate value only where the mate is proved.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/search/chuban.h"
#include "engine/search/move_words.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::testing::Scene;

// The solver's limits for confirming a mate value.
constexpr uint32_t kProofMs = 10000;
constexpr int32_t kProofNodes = 1000000;
// The think's request: deep, with a byoyomi that gives the root mate check a
// budget, so that only the stop ends it early.
constexpr int kDepth = 8;
constexpr int32_t kByoyomiMs = 10000;


struct LastReport {
  std::vector<uint32_t> line;
  int32_t score = 0;
  int reports = 0;
};
LastReport last_report;

int keep_last(int count, const uint32_t* moves, int32_t a, int, int32_t, uint32_t, uint32_t) {
  last_report.line.assign(moves, moves + count);
  last_report.score = a;
  ++last_report.reports;
  return 0;
}

// True when after each legal move of the side to move in `p` the other side
// has a mate.
bool every_move_mated(KPosition& p) {
  KMove moves[board::kMaxMoves];
  const int n = board::engine_legal_moves(p, moves);
  for (int i = 0; i < n; ++i) {
    board::do_move(p, moves[i], 0);
    const KMove* line = nullptr;
    int length = 0;
    const bool mated = tsume::ktsume_solve(p, &line, &length, kProofMs, kProofNodes) == tsume::SolveResult::kMate;
    board::undo_move(p, moves[i], 0);
    if (!mated) return false;
  }
  return true;
}

// True when the side not to move in `p` mates whatever the defence (the
// defender to move, in check, has no escape; or each reply lets the attacker
// mate).
bool defender_lost(KPosition& p) {
  if (board::king_attacked(p, p.teban)) {
    KMove answer;
    int count = 0;
    return tsume::ktsume_solve_defender_top(p, &answer, &count, kProofMs, kProofNodes) == 0;
  }
  return every_move_mated(p);
}

// A value of a won or lost game is proved: the move answered wins by force,
// or every move loses to a mate.
::testing::AssertionResult value_proved(KPosition& p, int score, const KMove& answer) {
  if (std::abs(score) < kScoreMate) return ::testing::AssertionSuccess();
  if (score == kScoreMate) {
    board::do_move(p, answer, 0);
    const bool won = defender_lost(p);
    board::undo_move(p, answer, 0);
    return won ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "a win claimed unproved";
  }
  if (score != -kScoreMate) return ::testing::AssertionFailure() << "value " << score;
  return every_move_mated(p) ? ::testing::AssertionSuccess()
                             : ::testing::AssertionFailure() << "a loss claimed, but a move escapes";
}

class StoppedThink : public testing::ThinkTest {
 protected:
  static void SetUpTestSuite() {
    ThinkTest::SetUpTestSuite();
    ASSERT_EQ(tsume::ktsume_alloc_default(), 1);
  }
  static void TearDownTestSuite() {
    tsume::ktsume_free_default();
    ThinkTest::TearDownTestSuite();
  }
  void SetUp() override {
    ThinkTest::SetUp();
    set_pv_sink(keep_last);
  }
  void TearDown() override {
    set_pv_sink(nullptr);
    ThinkTest::TearDown();
  }

  // Thinks on `k` with the stop already asked for; the checks above. The
  // think's value.
  int ThinkStopped(const model::Kyokumen& k, const std::string& what) {
    SCOPED_TRACE(what);
    KPosition p = Scene{k}.Load();
    KMove legal[board::kMaxMoves];
    const int legal_count = board::engine_legal_moves(p, legal);
    tsume::tsume_pool_reset();  // no mate proved by an earlier think
    last_report = LastReport{};
    think_words.control.store(kThinkStop);
    const int score = Chuban(cx, Request(p, kDepth, kByoyomiMs));
    think_words.control.store(kThinkRun);

    EXPECT_NE(score, kScoreNone);
    EXPECT_GE(last_report.reports, 1);
    EXPECT_EQ(last_report.line, std::vector<uint32_t>(result.moves, result.moves + result.length));
    EXPECT_EQ(last_report.score, score);
    if (legal_count == 0) {
      EXPECT_EQ(result.length, 0);
      return score;
    }
    EXPECT_GE(result.length, 1) << "no move answered, " << legal_count << " legal";
    if (result.length < 1) return score;
    bool found = false;
    for (int i = 0; i < legal_count; ++i) found = found || board::move_word(legal[i]) == result.moves[0];
    EXPECT_TRUE(found) << "the answer is not a legal move";
    if (found) {
      EXPECT_TRUE(value_proved(p, score, move_from_word(p, result.moves[0])));
    }
    return score;
  }
};

TEST_F(StoppedThink, AnswersALegalMoveWithAValueAndAMateOnlyWhereProved) {
  // A random game through its middle: quiet positions (the stop finds the
  // first iteration's first move unfinished), positions where that move runs
  // into a mate before the first poll of the stop word (nothing the iteration
  // searched makes a line), checks with one evasion and with several (the
  // mate filter), and a lost one.
  std::mt19937 rng(4);
  model::Kyokumen k;
  k.Init(model::kHirate);
  for (int ply = 1; ply <= 60; ++ply) {
    model::Sashite m;
    ASSERT_EQ(board::testing::random_legal_moves(k, rng, &m, 1), 1);
    k.DoSashite(m);
    if (ply >= 36) ThinkStopped(k, "random game, ply " + std::to_string(ply));
  }
}

TEST_F(StoppedThink, InCheckAndWithAMateInOne) {
  // Sente's king on 5九 checked by gote's rook on 5一: four king moves, each
  // put through the evasions' mate filter, which the stop ends at once.
  const int evading = ThinkStopped(board::testing::scene("K59 r51 k11"), "in check");
  EXPECT_LT(std::abs(evading), kScoreMate);
  // A gold dropped on 4二 mates: the root mate check is stopped, the root
  // moves' assessment puts the mate first, and the first iteration proves it.
  const int mating = ThinkStopped(board::testing::scene("K99 k41 n53 p32 B51 *G"), "mate in one");
  EXPECT_EQ(mating, kScoreMate);
}

}  // namespace
}  // namespace search
