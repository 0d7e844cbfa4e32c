// The driver's process-wide words: the two words of the running think that
// the user-interface thread reads (a ponder that becomes the think). Written
// by the jobs on the computer thread. (The strategy restrictions of the game
// being played live in the job block: CompJob::game.)
//
// The driver's other process-wide state: the think word and the engine lock
// (think_state.h), written by the shell's requests and the think jobs; the
// message queue and the position whose book candidates it reports
// (message_queue.h), made and dropped by the shell while no job runs; the
// transposition table's size (engine_table_kb_allocated, computer_jobs.h), set
// at the computer thread's start; the lock around the problem solver
// (ktsume_instance_lock, mate_jobs.h), held by the jobs that make or destroy it
// and by the user-interface thread's ktsume_stop and ktsume_progress; the
// benchmark's stop word (speed_benchmark.h), written by the user-interface
// thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace driver {

// Of the think that runs, for the user-interface thread's ponder hit
// (chuban_time_update): written by the think jobs on the computer thread when
// a think starts, read by the user-interface thread. The rest of the think's
// request comes from its job block.
struct RunningThink {
  std::atomic<int32_t> max_depth{1};        // its depth limit, 1..16
  std::atomic<uint32_t> think_start_ms{0};  // the clock when its search part began
};
extern RunningThink running_think;

}  // namespace driver
