// The speed benchmark (command 23): a fixed walk over the first three plies
// from the starting position, each move made and taken back ten times between
// scattered writes into a 2 MB buffer, so that the figure reflects memory speed
// as well as processor speed. Cut off after 30 seconds.
//
// State: a run keeps its words (clock, counts) in a record of its own; only
// the stop word is process-wide, written by the user-interface thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "engine/board/position.h"
#include "engine/driver/comp_job.h"
#include "platform/clock.h"

namespace driver {

constexpr int kBenchmarkPlies = 3;
constexpr uint32_t kBenchmarkLimitMs = 30000;
constexpr size_t kBenchmarkBufferBytes = 2000000;
// Used when the large buffer cannot be had.
constexpr size_t kBenchmarkFallbackBytes = 256;

// The millisecond clock the walk reads (platform::tick_ms; tests put their own).
using BenchmarkClock = uint32_t (*)();

// A run's words: its start on the clock, the last reading, what it did
// (nodes that generated their moves, moves made and taken back), and its clock.
struct BenchmarkWords {
  uint32_t start_ms = 0;
  uint32_t last_ms = 0;
  uint64_t nodes = 0;
  uint64_t make_pairs = 0;
  BenchmarkClock clock = platform::tick_ms;
};

// Set by another thread to end the walk at its next node (Ctrl-C); the run
// clears it when it starts, so a stop is asked for until the job has ended.
extern std::atomic<bool> benchmark_stop;

// The job: speed_benchmark_run, then game_exit. The milliseconds.
uint32_t speed_benchmark(CompJob& job);
// The walk from the standard starting position with the clock of `words`
// (its counts start afresh); the milliseconds it took.
uint32_t speed_benchmark_run(BenchmarkWords& words);
// One node of the walk at `ply`: returns at once at `max_ply`, on a stop, or
// once the clock is more than `limit_ms` past words.start_ms; otherwise each move
// (the evasions in check) is made and taken back nine times between writes
// into `buf`, then made once more to walk the node below it.
void benchmark_walk(BenchmarkWords& words, board::KPosition& p, int ply, int max_ply, uint32_t limit_ms, uint8_t* buf, size_t size);

}  // namespace driver
