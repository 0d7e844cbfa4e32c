// The driver's process-wide words: the strategy restrictions of the game being
// played, and the request of the think that runs, published by the think job
// for the book-or-search choice and the think routine. Written by the jobs on
// the computer thread; the words marked atomic are also written or read by the
// user-interface thread while a think runs (a ponder that becomes the think).
//
// The driver's other process-wide state: the think word and the engine lock
// (think_state.h), written by the shell's requests and the think jobs; the
// message queue and the position whose book candidates it reports
// (message_queue.h), made and dropped by the shell while no job runs; the
// transposition table's size (engine_table_kb_allocated, computer_jobs.h), set
// at the computer thread's start; the lock around the problem solver
// (ktsume_instance_lock, mate_jobs.h), held by the jobs that make or destroy it
// and by the user-interface thread's ktsume_stop and ktsume_progress.
#pragma once

#include <atomic>
#include <cstdint>

namespace driver {

// Per side (0 sente, 1 gote). Reset by game_init.
extern uint32_t senkei_mask[2];     // strategies allowed: bit b allows strategy code b + 1
extern uint32_t senkei_played[2];   // strategies still open after book play
extern int32_t hopeless_score[2];   // the think gives up deepening below this score

constexpr uint32_t kAllStrategies = 0x3FFFFF;  // codes 1-22
constexpr int32_t kNoHopelessScore = -32766;

// The strategy word of the running think (in) and after the last one (out; 0
// after a book move).
extern int32_t senkei_sofar;
extern int32_t senkei_result;

// The think request, published by the think job.
extern std::atomic<int32_t> game_ply;        // moves from the first position to the one thought about
extern std::atomic<int32_t> think_time[3];   // main time (ms), byoyomi (ms), the third time word
extern std::atomic<int32_t> max_depth;       // the depth limit, 1..16
extern int32_t book_any_ply;
extern int32_t play_style;
extern int32_t book_min;
extern int32_t yosoku_given;
extern std::atomic<uint32_t> think_start_ms; // clock when the search part of the think began

}  // namespace driver
