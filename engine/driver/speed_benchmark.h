// The speed benchmark (command 23): a fixed walk over the first three plies
// from the starting position, each move made and taken back ten times between
// scattered writes into a 2 MB buffer, so that the figure reflects memory speed
// as well as processor speed. Cut off after 30 seconds.
//
// State: the clock seam and the walk's words below are process-wide, used by
// the computer thread's benchmark job only (and by tests while no job runs);
// the stop word is written by the user-interface thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "engine/board/position.h"
#include "engine/driver/comp_job.h"

namespace driver {

constexpr int kBenchmarkPlies = 3;
constexpr uint32_t kBenchmarkLimitMs = 30000;
constexpr size_t kBenchmarkBufferBytes = 2000000;
// Used when the large buffer cannot be had.
constexpr size_t kBenchmarkFallbackBytes = 256;

// The millisecond clock the walk reads (platform::tick_ms; tests put their own).
using BenchmarkClock = uint32_t (*)();
extern BenchmarkClock benchmark_clock;

// The walk's words: its start on the clock, the last reading, and what it did
// (nodes that generated their moves, moves made and taken back).
struct BenchmarkWords {
  uint32_t start_ms = 0;
  uint32_t last_ms = 0;
  uint64_t nodes = 0;
  uint64_t make_pairs = 0;
};
extern BenchmarkWords benchmark_words;

// Set by another thread to end the walk at its next node (Ctrl-C); the run
// clears it when it starts, so a stop is asked for until the job has ended.
extern std::atomic<bool> benchmark_stop;

// The job: speed_benchmark_run, then game_exit. The milliseconds.
uint32_t speed_benchmark(CompJob& job);
// The walk from the standard starting position; the milliseconds it took.
uint32_t speed_benchmark_run();
// One node of the walk at `ply`: returns at once at `max_ply`, on a stop, or
// once the clock is more than `limit_ms` past benchmark_words.start_ms; otherwise each move
// (the evasions in check) is made and taken back nine times between writes
// into `buf`, then made once more to walk the node below it.
void benchmark_walk(board::KPosition& p, int ply, int max_ply, uint32_t limit_ms, uint8_t* buf, size_t size);

}  // namespace driver
