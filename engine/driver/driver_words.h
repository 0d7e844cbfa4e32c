// The driver's process-wide words: the strategy restrictions of the game being
// played, kept from game_init across its thinks, and the two words of the
// running think that the user-interface thread reads (a ponder that becomes
// the think). Written by the jobs on the computer thread.
//
// The driver's other process-wide state: the think word and the engine lock
// (think_state.h), written by the shell's requests and the think jobs; the
// message queue and the position whose book candidates it reports
// (message_queue.h), made and dropped by the shell while no job runs; the
// transposition table's size (engine_table_kb_allocated, computer_jobs.h), set
// at the computer thread's start; the lock around the problem solver
// (ktsume_instance_lock, mate_jobs.h), held by the jobs that make or destroy it
// and by the user-interface thread's ktsume_stop and ktsume_progress; the
// commentary's ending counter (commentary_judge.h), kept from start-up across
// reviews on the user-interface thread; the benchmark's clock seam and walk
// words (speed_benchmark.h), written by the benchmark job.
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

// Of the think that runs, for the user-interface thread's ponder hit
// (chuban_time_update): its depth limit, 1..16, and the clock when its search
// part began. The rest of the think's request comes from its job block.
extern std::atomic<int32_t> max_depth;
extern std::atomic<uint32_t> think_start_ms;

}  // namespace driver
