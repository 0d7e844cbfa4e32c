#include "engine/driver/speed_benchmark.h"

#include <array>
#include <memory>
#include <new>

#include "engine/board/evasion_gen.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/board/move_rules.h"
#include "engine/board/position_setup.h"
#include "engine/driver/computer_jobs.h"
#include "platform/clock.h"

namespace driver {

BenchmarkClock benchmark_clock = platform::tick_ms;
BenchmarkWords benchmark_words;
std::atomic<bool> benchmark_stop{false};

namespace {

constexpr int kRounds = 9;
constexpr size_t kRoundStride = 200000;
constexpr int kWritesPerRound = 100;
constexpr size_t kWriteStride = 9915;
// The square whose board byte is written.
constexpr int kWrittenSquare = board::square_of(1, 1);

uint32_t read_clock() {
  benchmark_words.last_ms = benchmark_clock();
  return benchmark_words.last_ms;
}

}  // namespace

void benchmark_walk(board::KPosition& p, int ply, int max_ply, uint32_t limit_ms, uint8_t* buf, size_t size) {
  if (ply >= max_ply || benchmark_stop.load(std::memory_order_relaxed)) return;
  if (platform::tick_elapsed(benchmark_words.start_ms, read_clock()) > limit_ms) return;
  ++benchmark_words.nodes;
  std::array<board::KMove, board::kMaxMoves> moves;
  const int n =
      board::king_attacked(p, p.teban) ? board::oute_nige_gen(p, moves.data()) : board::gen_all_moves(p, moves.data());
  for (int i = 0; i < n; ++i) {
    const board::KMove& m = moves[i];
    for (int round = 0; round < kRounds; ++round) {
      const size_t base = round * kRoundStride;
      for (int k = 0; k < kWritesPerRound; ++k) buf[(base + k * kWriteStride) % size] = p.board[kWrittenSquare];
      board::do_move(p, m, 0);
      board::undo_move(p, m, 0);
    }
    board::do_move(p, m, 0);
    benchmark_walk(p, ply + 1, max_ply, limit_ms, buf, size);
    board::undo_move(p, m, 0);
    benchmark_words.make_pairs += kRounds + 1;
  }
}

uint32_t speed_benchmark_run() {
  board::KPosition p;
  board::pos_set_handicap(p, 0);
  benchmark_words = BenchmarkWords{};
  benchmark_stop.store(false);
  benchmark_words.start_ms = read_clock();
  std::unique_ptr<uint8_t[]> large(new (std::nothrow) uint8_t[kBenchmarkBufferBytes]);
  uint8_t fallback[kBenchmarkFallbackBytes];
  uint8_t* buf = large ? large.get() : fallback;
  benchmark_walk(p, 0, kBenchmarkPlies, kBenchmarkLimitMs, buf, large ? kBenchmarkBufferBytes : sizeof fallback);
  return platform::tick_elapsed(benchmark_words.start_ms, read_clock());
}

uint32_t speed_benchmark(CompJob& job) {
  const uint32_t ms = speed_benchmark_run();
  game_exit(job);
  return ms;
}

}  // namespace driver
