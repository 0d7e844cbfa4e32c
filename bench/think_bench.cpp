// The plain think (the search's stand-in and oracle) and the think routine to
// a fixed depth from the even game, in nodes per second, and the message queue's push and pop of one
// variation of 20 moves with the window's notification, the path every
// iteration's progress takes to the view.
#include <benchmark/benchmark.h>

#include <memory>
#include <cstdint>

#include "engine/board/hash_table.h"
#include "engine/board/position.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/message_queue.h"
#include "engine/search/chuban.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "model/position/kyokumen.h"

namespace {

// The think context every think of this file is lent, as the driver lends its own.
const std::unique_ptr<search::ThinkContext> think_context = std::make_unique<search::ThinkContext>();

uint32_t think_nodes = 0;
int count_nodes(int, const uint32_t*, int32_t, int, int32_t, uint32_t nodes, uint32_t) {
  think_nodes = nodes;
  return 0;
}

void BM_ChubanPlain(benchmark::State& state) {
  model::Kyokumen k;
  k.Init(model::kHirate);
  board::KPosition p;
  if (bridge::position_load(p, k) != 0) {
    state.SkipWithError("the even game does not load");
    return;
  }
  search::set_pv_sink(count_nodes);
  search::think_words.control.store(search::kThinkRun);
  search::KPvHolder line{};
  search::ThinkRequest request;
  request.position = &p;
  request.max_depth = static_cast<int>(state.range(0));
  request.result = &line;
  uint64_t nodes = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(search::chuban_plain(request));
    nodes += think_nodes;
  }
  search::set_pv_sink(nullptr);
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ChubanPlain)->Arg(4)->Unit(benchmark::kMillisecond);

// The think routine on the even game to a fixed depth: root set-up, root
// moves and their assessment, and the deepening (the plain search below the
// root), in milliseconds per think and nodes per second.
void BM_Chuban(benchmark::State& state) {
  model::Kyokumen k;
  k.Init(model::kHirate);
  board::KPosition p;
  if (bridge::position_load(p, k) != 0 || board::hash_alloc(16384) != 0 || tsume::tsume_alloc(8192) != 1) {
    state.SkipWithError("set-up failed");
    return;
  }
  search::think_words.control.store(search::kThinkRun);
  search::KPvHolder line{};
  search::ThinkRequest request;
  request.position = &p;
  request.max_depth = static_cast<int>(state.range(0));
  request.result = &line;
  uint64_t nodes = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(search::Chuban(*think_context, request));
    nodes += think_context->node_counter;
  }
  tsume::tsume_free();
  board::hash_free();
  state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Chuban)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_MessageQueuePushPop(benchmark::State& state) {
  platform::Mailbox window;
  driver::MessageQueue::CreateGlobal(&window, 1168);
  platform::WindowMessage notification;
  uint32_t moves[20];
  for (uint32_t i = 0; i < 20; ++i) moves[i] = board::square_of(7, 7) | board::square_of(7, 6) << 8 | 0x27u << 16;
  for (auto _ : state) {
    driver::send_pv_message(20, moves, 0, 0, 1, 0, 0);
    window.Wait(notification, 0);
    benchmark::DoNotOptimize(driver::MessageQueue::PopGlobal());
  }
  driver::MessageQueue::DestroyGlobal();
}
BENCHMARK(BM_MessageQueuePushPop);

}  // namespace
