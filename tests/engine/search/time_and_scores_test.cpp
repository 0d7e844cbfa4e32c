// The score maps, the time control of one think and the budgets of the root
// mate checks, at their fixed values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine/search/root_moves.h"
#include "engine/search/root_search.h"
#include "engine/search/score_maps.h"
#include "engine/search/search_words.h"
#include "engine/search/time_control.h"
#include "engine/tsume/tsume_entry.h"
#include "platform/clock.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/search/think_setup.h"

namespace search {
namespace {

TEST(ScoreMaps, GivenPointsOfEachMap) {
  struct Case { int32_t got, want; };
  const int y = 1234;
  for (const Case& c : {Case{hyouka_band_scale(2580), 2580}, {hyouka_band_scale(2900), 2900},
                        {hyouka_band_scale(3040), 3022}, {hyouka_band_scale(2440), 2422},
                        {hyouka_knee(4500, 0), 4500}, {hyouka_knee(6500, 0), 6101}, {hyouka_knee(7000, 0), 6351},
                        {eval_stage_weight(840, 2600), 0}, {eval_stage_weight(1368, 2600), 102},
                        {eval_stage_weight(1923, 2600), 354}, {eval_stage_weight(3488, 2600), 512},
                        {eval_stage_weight(1068, 1700), 102}, {eval_stage_weight(1668, 3600), 102},
                        {eval_score_compress(y + 2100, y), y + 2100}, {eval_score_compress(y + 2600, y), y + 2549},
                        {eval_score_compress(y + 3000, y), y + 2749}}) {
    EXPECT_EQ(c.got, c.want);
  }
}

// The band scale and the stage weight read tables built at compile time;
// every word they can see must map as the piecewise formulas do, at the ends of
// each table and past them too.
TEST(ScoreMaps, TablesMatchTheFormulasOverEveryWord) {
  constexpr int32_t kFactor[12] = {18432, 18842, 19251, 19661, 20070, 20480,
                                   22118, 23757, 25395, 27034, 28672, 30310};
  for (int32_t v = INT16_MIN; v <= INT16_MAX; ++v) {
    int64_t want = v;
    if (v < 2580 || v > 2900) {
      const int64_t d = v < 2580 ? 2580 - v : v - 2900;
      want = v - ((kFactor[std::min<int64_t>(d / 140, 11)] * d / 140) >> 10);
    }
    ASSERT_EQ(hyouka_band_scale(v), want) << v;
  }
  for (int32_t x = 0; x <= 4000; ++x) {
    int32_t want = 512;
    if (x <= 840) {
      want = 0;
    } else if (x < 1368) {
      want = (x - 840) * 102 / 528;
    } else if (x < 1923) {
      want = 102 + (x - 1368) * 252 / 555;
    } else if (x < 3488) {
      want = 354 + (x - 1923) * 158 / 1565;
    }
    ASSERT_EQ(eval_stage_weight(x, 2600), want) << x;
  }
}

// The knee, the compression and the stage weight's king-area term are worked
// out without jumps (the least of the pieces, a clamp of the dividend); they
// must agree with the piecewise formulas for every word and difference the
// records can give, the shifts' rounding included.
TEST(ScoreMaps, PiecewiseMapsWithoutJumpsMatchTheFormulas) {
  for (int32_t v = INT16_MIN; v <= INT16_MAX; ++v) {
    int32_t want = v;
    if (v > 6500) {
      want = 4500 + ((128 * v - 422000) >> 8);
    } else if (v > 4500) {
      want = 4500 + ((205 * (v - 4500)) >> 8);
    }
    ASSERT_EQ(hyouka_knee(v, 7), want + 7) << v;
  }
  constexpr int32_t y = -3210;
  for (int32_t d = -(1 << 19); d <= (1 << 19); ++d) {
    int32_t want = d;
    if (d > 2600) {
      want = 2100 + ((128 * d - 217800) >> 8);
    } else if (d > 2100) {
      want = 2100 + (((d - 2100) * 230) >> 8);
    }
    ASSERT_EQ(eval_score_compress(y + d, y), y + want) << d;
  }
  for (int32_t b = INT16_MIN; b <= INT16_MAX; ++b) {
    const int32_t x = 2000 + std::clamp((2600 - b) / 3, -300, 300);
    const int32_t want = x >= 3488 ? 512 : x < 1923 ? 102 + (x - 1368) * 252 / 555 : 354 + (x - 1923) * 158 / 1565;
    ASSERT_EQ(eval_stage_weight(2000, b), want) << b;
  }
}

TEST(TimeControl, LimitsRoundingAndTheRemainingMoves) {
  board::KPosition p = board::testing::Scene{model::testing::initial(model::kHirate)}.Load();
  testing::prepare_evaluation(p);
  int32_t max = 0;
  EXPECT_EQ(time_for_move(p, 0, 30000, &max), 29800);
  EXPECT_EQ(max, 29800);
  EXPECT_EQ(time_for_move(p, 0, 999, &max), -200);  // the time rules are then off

  // The curve at each breakpoint: opening (by the progress score), endgame, blend.
  EXPECT_EQ(remaining_moves_curve(10, 0, 0), 35.0);
  EXPECT_EQ(remaining_moves_curve(60, 0, 0), 22.0);
  EXPECT_EQ(remaining_moves_curve(0, 512, 512), 11.0);
  EXPECT_DOUBLE_EQ(remaining_moves_curve(0, 256, 256), 16.5);
  EXPECT_EQ(remaining_moves_curve(0, 0, 512), 11.0);  // the larger weight counts 0.7
  EXPECT_DOUBLE_EQ(remaining_moves_curve(0, 200, 100), 22 - 11 * (170.0 / 512));
  // Both kings deep in the other camp, both sides still in the opening: 120.
  board::testing::Scene invaded;
  invaded.Put(5, 2, model::kOu).Put(5, 8, model::testing::gote(model::kOu));
  EXPECT_EQ(remaining_moves_estimate(invaded.Load()), 120.0);
}

// The progress score sums fixed values over the piece list: pieces in either
// hand by kind, the kings' distance from file 5, rooks and bishops promoted or
// in the opponent's camp, golds and silvers by their ranks forward of the back
// rank (knights half of that), promoted lances, and pawns promoted or by their
// ranks forward of their starting rank.
TEST(TimeControl, GameProgressScoreOfEachPiece) {
  using board::testing::kings_and_hands;
  using board::testing::load;
  using board::testing::scene;
  EXPECT_EQ(game_progress_score(board::testing::Scene{model::testing::initial(model::kHirate)}.Load()), 0);
  // Every piece in hand: 18 pawns x 3, 4 lances x 4, 4 knights x 5, 4 silvers x 6,
  // 4 golds x 8, 2 bishops x 7, 2 rooks x 15; in whichever hand they are.
  EXPECT_EQ(game_progress_score(load(kings_and_hands(board::testing::kEveryPiece))), 190);
  EXPECT_EQ(game_progress_score(load(kings_and_hands(board::testing::kHalfOfEveryPiece,
                                                     board::testing::kHalfOfEveryPiece))), 190);
  EXPECT_EQ(game_progress_score(load(kings_and_hands(board::testing::kEveryPiece, {}, 19, 91))), 198);
  // Kings 1 + 1, +R 15, a bishop in gote's camp 7, G38 1, S47 2, N37 2/2, +L 4,
  // P55 2, +P 10, gote's rook in sente's camp 15, g52 1, a pawn 3 and a bishop 7 in hand.
  EXPECT_EQ(game_progress_score(load(scene("K48 k61 +R22 B73 G38 S47 N37 +L19 P55 +P44 r87 g52 *P *b"))), 70);
  // Nothing for pawns behind their starting rank, rooks and bishops outside the
  // opponent's camp, an unpromoted lance; a gote knight 3 ranks out gives 1, a
  // promoted silver counts its ranks as a silver.
  EXPECT_EQ(game_progress_score(load(scene("K59 k51 P58 p42 R46 b34 L99 n14 +s57"))), 1 + 6);
  EXPECT_EQ(game_progress_score(load(scene("K59 k51 R13 b97 p48"))), 15 + 7 + 5);
}

// With main time left, the base limit is main / e + byoyomi for e remaining
// moves; in the opening (both stage weights 0) e = 40 less half the progress
// score, and the maximum limit is the lesser of main / 6 + byoyomi and three
// base limits, both rounded down to whole seconds less 200 ms.
TEST(TimeControl, MainTimeSharedOverTheRemainingMoves) {
  model::Kyokumen k = model::testing::initial(model::kHirate);
  board::KPosition p = board::testing::Scene{k}.Load();
  testing::prepare_evaluation(p);
  EXPECT_EQ(remaining_moves_estimate(p), 40.0);
  int32_t max = 0;
  EXPECT_EQ(time_for_move(p, 600000, 10000, &max), 24800);  // 15000 + 10000
  EXPECT_EQ(max, 74800);                                    // 3 x 25000 below 100000 + 10000
  // Four pawns pushed, 1 + 2 ranks a side: progress 6, 37 moves remain.
  const int pushes[][4] = {{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}, {8, 3, 8, 4}, {2, 6, 2, 5}, {8, 4, 8, 5}};
  for (const auto& m : pushes) ASSERT_TRUE(k.DoSashite(model::testing::move(k, m[0], m[1], m[2], m[3])));
  p = board::testing::Scene{k}.Load();
  testing::prepare_evaluation(p);
  EXPECT_EQ(game_progress_score(p), 6);
  EXPECT_EQ(remaining_moves_estimate(p), 37.0);
  EXPECT_EQ(time_for_move(p, 600000, 10000, &max), 25800);  // 600000 / 37 + 10000 = 26216
  EXPECT_EQ(max, 77800);
  EXPECT_EQ(time_for_move(p, 60000, 0, &max), 1000 - 200);  // 1621
  EXPECT_EQ(max, 4000 - 200);                               // 3 x 1621 = 4863 below 10000
}

// The limit stands at its maximum only when the maximum is above the base limit
// and the current limit has been raised to it.
TEST(TimeControl, LimitAtMaximum) {
  ThinkLimits& l = think_words.limits;
  const struct { int32_t base, max, current; int want; } cases[] = {
      {1000, 3000, 3000, 1}, {1000, 3000, 2999, 0}, {1000, 3000, 1000, 0},
      {3000, 3000, 3000, 0}, {4000, 3000, 3000, 0}};
  for (const auto& c : cases) {
    l.base_limit.store(c.base);
    l.max_limit.store(c.max);
    l.current_limit.store(c.current);
    EXPECT_EQ(time_limit_at_max(), c.want) << c.base << " " << c.max << " " << c.current;
  }
  l.base_limit.store(0);
  l.max_limit.store(0);
  l.current_limit.store(0);
}

TEST(TimeControl, MateBudgetsAndTheEndOfTheDeepening) {
  ThinkContext& cx = testing::test_context();
  // Root mate check: limit / 20 capped by depth 0..7, and by 1000 out of normal play.
  const int32_t caps[8] = {0, 0, 25, 50, 100, 200, 500, 1000};
  for (int d = 0; d < 8; ++d) EXPECT_EQ(tsume_budget(600000, d, true), 100 * caps[d]) << d;
  EXPECT_EQ(tsume_budget(600000, 12, true), 3000000);
  EXPECT_EQ(tsume_budget(600000, 12, false), 100000);
  EXPECT_EQ(tsume_budget(-200, 12, true), 0);
  // Pass threat and evasion filter.
  EXPECT_EQ(pass_threat_budget(60000, 5), 20000);
  EXPECT_EQ(pass_threat_budget(60000, 3), 4000);
  EXPECT_EQ(pass_threat_budget(-200, 12), 0);
  EXPECT_EQ(evasion_filter_budget(6), 6400);
  EXPECT_EQ(evasion_filter_budget(12), 25600);

  // Past two thirds of the current limit the deepening ends, not while pondering.
  think_words.control.store(kThinkRun);
  cx.time_state.no_time_limit = 0;
  think_words.limits.current_limit.store(3000);
  think_words.limits.extension.store(0);
  EXPECT_EQ(iteration_time_check(cx, 4, 10, 2000, 0), 0);
  EXPECT_EQ(iteration_time_check(cx, 4, 10, 2001, 0), 1);
  think_words.limits.extension.store(3000);  // a ponder hit's time counts on top
  EXPECT_EQ(iteration_time_check(cx, 4, 10, 2001, 0), 0);
  think_words.limits.extension.store(0);
  think_words.control.store(kThinkPonder);
  EXPECT_EQ(iteration_time_check(cx, 4, 10, 2900, 0), 0);
  think_words.control.store(kThinkRun);
  think_words.limits.current_limit.store(-200);
  EXPECT_EQ(iteration_time_check(cx, 4, 10, 100000, 0), 0);
}

// In mid-iteration the root stops taking up moves once twice the time left
// falls below the time the last finished iteration ended at. The clock has
// just started, so the time left is the whole limit (10 minutes: a slow
// machine changes nothing).
TEST(TimeControl, IterationCutShortWhenTwiceTheTimeLeftIsBelowTheLastIteration) {
  ThinkContext& cx = testing::test_context();
  think_clock_start(cx);
  think_words.control.store(kThinkRun);
  cx.time_state.no_time_limit = 0;
  think_words.limits.current_limit.store(600000);
  think_words.limits.extension.store(0);
  cx.time_state.elapsed = 1200001;
  EXPECT_EQ(uchikiri_check(cx), 1);
  cx.time_state.elapsed = 1000;
  EXPECT_EQ(uchikiri_check(cx), 0);
  // Not while pondering, without a time limit, or below 500 ms.
  cx.time_state.elapsed = 1200001;
  think_words.control.store(kThinkPonder);
  EXPECT_EQ(uchikiri_check(cx), 0);
  think_words.control.store(kThinkRun);
  cx.time_state.no_time_limit = 1;
  EXPECT_EQ(uchikiri_check(cx), 0);
  cx.time_state.no_time_limit = 0;
  think_words.limits.current_limit.store(499);
  EXPECT_EQ(uchikiri_check(cx), 0);
  cx.time_state.elapsed = 0;
}

// The root's mate solves get the time their node budget stands for, within a
// quarter of the limit from think start; no cap without time rules.
TEST(TimeControl, RootSolvesEndWithinAQuarterOfTheLimit) {
  ThinkContext& cx = testing::test_context();
  think_clock_start(cx);
  think_words.control.store(kThinkRun);
  cx.time_state.no_time_limit = 0;
  think_words.limits.extension.store(0);
  think_words.limits.current_limit.store(600000);
  EXPECT_EQ(root_solver_ms(cx, 25600), 256u);
  EXPECT_EQ(root_solver_ms(cx, 50), 1u);
  think_words.limits.current_limit.store(800);  // a second's byoyomi: 200 ms for them all
  EXPECT_LE(root_solver_ms(cx, 25600), 200u);
  platform::sleep_ms(250);
  EXPECT_EQ(root_solver_ms(cx, 25600), 0u);
  for (int off = 0; off < 3; ++off) {
    think_words.limits.current_limit.store(off == 0 ? -200 : 800);
    cx.time_state.no_time_limit = off == 1 ? 1 : 0;
    think_words.control.store(off == 2 ? kThinkPonder : kThinkRun);
    EXPECT_EQ(root_solver_ms(cx, 25600), tsume::kInGameTimeLimitMs) << off;
  }
  think_words.control.store(kThinkRun);
  cx.time_state.no_time_limit = 0;
}

// A progress report goes out once a second since the think's last report of
// either kind, with the node counter.
TEST(TimeControl, ProgressOnceASecondSinceTheLastReport) {
  ThinkContext& cx = testing::test_context();
  static std::vector<std::pair<uint32_t, uint32_t>> seen;
  seen.clear();
  set_progress_sink([](uint32_t nodes, uint32_t ms) {
    seen.emplace_back(nodes, ms);
    return 0;
  });
  think_clock_start(cx);
  cx.node_counter = 4711;
  progress_report_due(cx, kProgressEveryMs - 1);
  EXPECT_TRUE(seen.empty());
  progress_report_due(cx, kProgressEveryMs);
  progress_report_due(cx, kProgressEveryMs + 1);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], std::make_pair(4711u, kProgressEveryMs));
  pv_report(cx, 0, nullptr, 0, 0, 3, cx.node_counter, 1500);  // a new line resets the second
  progress_report_due(cx, 1500 + kProgressEveryMs - 1);
  EXPECT_EQ(seen.size(), 1u);
  progress_report_due(cx, 1500 + kProgressEveryMs);
  EXPECT_EQ(seen.size(), 2u);
  set_progress_sink(nullptr);
  node_counter_reset(cx);
  EXPECT_EQ(cx.node_counter, 0u);
}

TEST(TimeControl, ScoreTrendRaisesTheLimit) {
  struct Case { int32_t s, previous; int want; };
  for (const Case& c : {Case{1001, 2004, 1}, {1002, 2004, 0}, {500, 900, 2}, {500, 750, 0}, {500, 751, 2},
                        {50, 75, 0}, {50, 76, 3}, {-1000, -499, 5}, {-1000, -501, 0}, {-200, -119, 4},
                        {-200, -121, 0}}) {
    EXPECT_EQ(score_trend(c.s, c.previous) != 0, c.want != 0) << c.s << " after " << c.previous;
    if (c.want) {
      EXPECT_EQ(score_trend(c.s, c.previous), c.want);
    }
  }
}

}  // namespace
}  // namespace search
