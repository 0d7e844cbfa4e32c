// The time control of one think: the base and maximum time of the move, the
// estimate of the moves still to be played behind it, the node budget of the
// root mate check, the tests that end the deepening after an iteration or
// interrupt one, the score trend that raises the limit, and the clock helpers.
// Times are milliseconds of platform::tick_ms.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/search_words.h"

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

// Node budget of the root mate check: 100 x min(limit / 20, the depth cap
// below depth 8, 1000 unless in normal play). Never negative: a negative
// limit (the depth road) gives 0 and the check is skipped.
int32_t tsume_budget(int32_t current_limit, int max_depth, bool normal_play);

// 1 to end the deepening after an iteration of depth d that took the think to
// `elapsed` ms with `score`.
int iteration_time_check(const SearchTimeState& t, int d, int max_depth, int32_t elapsed, int32_t score);

// 1 to interrupt the iteration before the next root move: 2 x (limit -
// elapsed now) is below the time the last finished iteration ended at.
int uchikiri_check(const SearchTimeState& t);

// Non-zero when the root score s against the previous root search's score
// calls for more time (the maximum limit).
int score_trend(int32_t s, int32_t previous);

// Clock helpers.
void think_clock_start();
void iteration_clock_start();
// Ms since think start; the reading is kept.
int32_t think_elapsed();
// Ms since think start, at the end of iteration d (the log line is dropped).
int32_t iteration_end_log(const KSearchNode& root, int d, int aborted);
// Nodes per second of the deepening loop (0.0 before a millisecond passed).
void search_speed(const KSearchNode& root, double* speed);
void node_counter_reset();
// The think start tick.
uint32_t think_start_tick();

}  // namespace search
