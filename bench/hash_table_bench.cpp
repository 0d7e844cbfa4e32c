// The transposition table under the search's pattern: a store and a probe per
// node over keys spread like a search's, in a table of a typical size (argument
// in MB), once mostly empty and once long full so that stores recycle entries.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/board/hash_table.h"

namespace {

constexpr int kKeys = 1 << 20;

void BM_HashStoreProbe(benchmark::State& state) {
  if (board::hash_alloc(static_cast<uint32_t>(state.range(0)) * 1024) != 0) {
    state.SkipWithError("no memory for the table");
    return;
  }
  std::mt19937 gen(77);
  auto rng = [&gen] { return static_cast<uint32_t>(gen()); };
  std::vector<board::KHashKey> keys(kKeys);
  for (board::KHashKey& k : keys) k = board::KHashKey{{rng(), rng(), (rng() & 0xFFC00000u) | (rng() & 0xFF)}};
  // The second argument fills the pool first with twice its capacity of stores.
  if (state.range(1) != 0) {
    for (uint32_t i = 0; i < 2 * board::hash_capacity(); ++i) {
      const board::KHashKey k{{rng(), rng(), 0}};
      board::hash_store(k, static_cast<int>(rng() % 120), board::kBoundExact, 0, 0, 0, 0, 0, 0);
    }
  }
  board::KHashProbe node{};
  size_t i = 0;
  for (auto _ : state) {
    const board::KHashKey& k = keys[i++ & (kKeys - 1)];
    int exact = 0, alpha = -100, best = -32766;
    node.key = k;
    benchmark::DoNotOptimize(board::hash_probe(node, 0x1234, 0, 24, exact, alpha, 100, best));
    const int n = static_cast<int>(i);
    board::hash_store(k, n % 96, n & 3, n & 255, 0, 0, 0, 0x1234, 2);
  }
  state.SetItemsProcessed(state.iterations());
  board::hash_free();
}

}  // namespace

BENCHMARK(BM_HashStoreProbe)->Args({64, 0})->Args({64, 1});
