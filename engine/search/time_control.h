// The time control of one think: the base and maximum time of the move, the
// estimate of the moves still to be played behind it, the node budget of the
// root mate check, the tests that end the deepening after an iteration or
// interrupt one, the score trend that raises the limit, and the clock helpers.
// Times are milliseconds of platform::tick_ms.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"

namespace search {

// Time limits below this switch the time rules off (the depth alone ends the think).
constexpr int32_t kTimeRulesFloor = 500;

// (x / 1000) x 1000 - 200: whole seconds less a margin (-200 below 1000 ms).
int32_t time_round_ms(int32_t x);

// The base limit for the remaining main time and the byoyomi; the maximum limit
// in `max_limit`. Main time 0: both are the rounded byoyomi. Otherwise t =
// main / remaining_moves_estimate + byoyomi; base = round(t), maximum =
// round(min(main / 6 + byoyomi, 3t)).
int32_t time_for_move(const board::KPosition& p, int32_t main_ms, int32_t byoyomi_ms, int32_t* max_limit);

// The moves still to be played, from both sides' stage weights of the
// position's evaluation record and the game-progress score.
double remaining_moves_estimate(const board::KPosition& p);
// The estimate from the progress score and the two stage weights.
double remaining_moves_curve(int32_t g, int32_t w0, int32_t w1);

// How far the game has advanced: pieces in hand, kings off the centre file,
// promoted or invading rooks and bishops, advanced golds, silvers, knights and
// pawns, promoted lances and pawns.
int game_progress_score(const board::KPosition& p);

// True when the time rules apply to the think: it is not pondering, it has a
// time limit, and the limit is not below kTimeRulesFloor.
bool time_rules_apply(const ThinkContext& cx);

// The root's mate solves before the search (the mate check, the pass-threat
// test, the evasion filter) end together within this share of the limit.
constexpr int32_t kRootSolveShare = 4;
// The mate solver's time for a root solve of `node_budget` nodes: the time the
// budget stands for, but no more than what is left of the root solves' share
// of the limit since think start (0: none left, the solve does not run). No
// cap when the time rules do not apply: the budget alone bounds the solve.
uint32_t root_solver_ms(ThinkContext& cx, int32_t node_budget);

// Node budget of the root mate check: 100 x min(limit / 20, the depth cap
// below depth 8, 1000 unless in normal play). Never negative: a negative
// limit (the depth road) gives 0 and the check is skipped.
int32_t tsume_budget(int32_t current_limit, int max_depth, bool normal_play);

// 1 to end the deepening after an iteration of depth d that took the think to
// `elapsed` ms with `score` (below the think's early-stop score from depth 7
// on, one ply before the maximum depth, ends it too).
int iteration_time_check(const ThinkContext& cx, int d, int max_depth, int32_t elapsed, int32_t score);

// 1 to interrupt the iteration before the next root move: 2 x (limit -
// elapsed now) is below the time the last finished iteration ended at.
int uchikiri_check(ThinkContext& cx);

// Non-zero when the root score s against the previous root search's score
// calls for more time (the maximum limit).
int score_trend(int32_t s, int32_t previous);

// Clock helpers of the think of `cx`.
void think_clock_start(ThinkContext& cx);
void iteration_clock_start(ThinkContext& cx);
// Ms since think start; the reading is kept.
int32_t think_elapsed(ThinkContext& cx);
// Ms since think start, at the end of iteration d (the log line is dropped).
int32_t iteration_end_log(ThinkContext& cx, int d, int aborted);
// Zeroes the think's node counter (at think start).
void node_counter_reset(ThinkContext& cx);
// Nodes per second of the deepening loop, by the think's node counter (0.0
// before a millisecond passed).
void search_speed(const ThinkContext& cx, double* speed);

}  // namespace search
