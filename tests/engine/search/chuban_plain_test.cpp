// The plain think that stands in for the search and stays its oracle: its
// alpha-beta against a full-width search, and when it stops and what it reports.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/tsume/tsume_entry.h"
#include "engine/board/engine_perft.h"
#include "engine/board/make_move.h"
#include "engine/search/chuban.h"
#include "engine/search/search_words.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;

// Full-width negamax over the same moves and leaves.
int full_width(KPosition& p, int depth) {
  if (depth == 0) return material_score(p);
  KMove moves[board::kMaxMoves];
  const int n = board::engine_legal_moves(p, moves);
  if (n == 0) return -kScoreMate;
  int best = -kScoreNone;
  for (int i = 0; i < n; ++i) {
    board::do_move(p, moves[i], 0);
    const int v = -full_width(p, depth - 1);
    board::undo_move(p, moves[i], 0);
    if (v > best) best = v;
  }
  return best;
}

struct Report {
  std::vector<uint32_t> moves;
  int32_t a;
  int flag;
  int32_t b;
};
std::vector<Report> reports;

int keep_report(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t, uint32_t) {
  reports.push_back(Report{std::vector<uint32_t>(moves, moves + count), a, flag, b});
  return 0;
}

class PlainThink : public ::testing::Test {
 protected:
  // The think asks the in-game mate solver at the root.
  static void SetUpTestSuite() { tsume::tsume_alloc(8192); }
  static void TearDownTestSuite() { tsume::tsume_free(); }
  void SetUp() override {
    reports.clear();
    set_pv_sink(keep_report);
    think_words.control.store(kThinkRun);
  }
  void TearDown() override {
    set_pv_sink(nullptr);
    think_words.control.store(kThinkRun);
  }

  ThinkRequest Request(KPosition& p, int depth, int32_t byoyomi_ms = 0) {
    ThinkRequest r;
    r.position = &p;
    r.max_depth = depth;
    r.result = &result;
    r.time[1] = byoyomi_ms;
    return r;
  }

  KPvHolder result{};
};

// Gote's king on 5一, sente's gold on 5三 and a gold in hand: G*5二 mates.
board::testing::Scene gold_drop_mate() {
  board::testing::Scene s;
  s.Put(5, 9, model::kOu).Put(5, 1, model::testing::gote(model::kOu)).Put(5, 3, model::kKin).Hand(model::kKin);
  return s;
}

TEST_F(PlainThink, AgreesWithAFullWidthSearchAndLeavesThePositionAsItWas) {
  std::mt19937 rng(20240611);
  int positions = 0;
  for (int game = 0; game < 4; ++game) {
    model::Kyokumen k;
    k.Init(model::kHirate);
    for (int ply = 0; ply < 48; ++ply) {
      model::Sashite m;
      if (board::testing::random_legal_moves(k, rng, &m, 1) == 0) break;
      k.DoSashite(m);
      if (ply % 8 != 7) continue;
      KPosition p = board::testing::Scene{k}.Load();
      const KPosition before = p;
      for (int depth = 1; depth <= 3; ++depth) {
        reports.clear();
        const int score = chuban_plain(Request(p, depth));
        ASSERT_EQ(score, full_width(p, depth)) << "game " << game << " ply " << ply << " depth " << depth;
        ASSERT_TRUE(board::testing::same_live_fields(before, p));
        // The line's first move is worth the score; one report per iteration.
        ASSERT_GE(result.length, 1);
        const KMove first = move_from_word(p, result.moves[0]);
        board::do_move(p, first, 0);
        EXPECT_EQ(-full_width(p, depth - 1), score);
        board::undo_move(p, first, 0);
        ASSERT_EQ(reports.size(), static_cast<size_t>(depth));
        EXPECT_EQ(reports.back().b, depth);
        EXPECT_EQ(reports.back().a, score);
        EXPECT_EQ(reports.back().moves[0], result.moves[0]);
      }
      ++positions;
    }
  }
  EXPECT_GE(positions, 20);
}

TEST_F(PlainThink, MatesAreFoundAndTheMatedSideHasNoMove) {
  const board::testing::Scene scene = gold_drop_mate();
  KPosition p = scene.Load();
  EXPECT_EQ(chuban_plain(Request(p, 4)), kScoreMate);
  EXPECT_EQ(reports.size(), 2u);  // the mate at depth 2 ends the deepening
  EXPECT_EQ(result.moves[0] & 255, board::kInHand);
  EXPECT_FALSE(result.mate_at_root());

  // The think's root mate check (it runs under a time rule) answers at once,
  // flagged, with the mate depth word.
  reports.clear();
  EXPECT_EQ(Chuban(search::testing::test_context(), Request(p, 4, 30000)), kScoreMate);
  EXPECT_TRUE(result.mate_at_root());
  EXPECT_EQ(result.length, 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].flag, 1);
  EXPECT_EQ(reports[0].b, kRootMateDepth);

  board::do_move(p, move_from_word(p, result.moves[0]), 0);
  reports.clear();
  EXPECT_EQ(chuban_plain(Request(p, 3)), -kScoreMate);
  EXPECT_EQ(result.length, 0);
  EXPECT_TRUE(reports.empty());
}

TEST_F(PlainThink, StopsOnRequestOnTimeAndPondersTwoPliesDeeper) {
  KPosition p = board::testing::Scene{model::testing::initial(model::kHirate)}.Load();
  // Stopped before the first iteration: the first legal move, nothing reported.
  think_words.control.store(kThinkStop);
  EXPECT_EQ(chuban_plain(Request(p, 6)), 0);
  EXPECT_EQ(result.length, 1);
  EXPECT_TRUE(reports.empty());

  think_words.control.store(kThinkPonder);
  chuban_plain(Request(p, 1));
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[2].b, 3);

  // A byoyomi of 30 ms ends a think that could never reach its depth.
  think_words.control.store(kThinkRun);
  reports.clear();
  chuban_plain(Request(p, 40, 30));
  EXPECT_LT(search_depth_get(), 40);
  EXPECT_LT(reports.size(), 40u);
}

}  // namespace
}  // namespace search
