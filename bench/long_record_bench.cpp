// The think request on a very long record, the kings walking to and fro: the
// computer thread's copy of the line, the line replayed on the engine's
// position with the repetition table, and a think of depth 2, in ms from the
// request to the computer's move. Both copies grow by one step per move, so a
// million moves take about ten times what a hundred thousand take.
#include <benchmark/benchmark.h>

#include "app/comp_call.h"
#include "engine/driver/message_queue.h"
#include "model/record/kifu_holder.h"
#include "platform/mailbox.h"

namespace {

constexpr uint32_t kWaitMs = 50;

bool walk_record(model::KifuHolder& holder, int moves) {
  const model::Sashite walk[4] = {model::Sashite(5, 9, 5, 8, 0, 0, 0, 0), model::Sashite(5, 1, 5, 2, 0, 0, 0, 0),
                                  model::Sashite(5, 8, 5, 9, 0, 0, 0, 0), model::Sashite(5, 2, 5, 1, 0, 0, 0, 0)};
  holder.kifu.Reset(model::kHirate);
  model::KifuSashite* at = holder.kifu.root.get();
  for (int i = 0; i < moves; ++i) {
    model::Sashite m = walk[i % 4];
    if (!at->to->kyokumen.CompleteSashite(m)) return false;
    at = model::Kifu::AddSashiteAtPos(at->to, m, 0, nullptr, -1, holder.kifu.table.get(), model::KifuChooser::kNever,
                                      true);
    if (at == nullptr) return false;
  }
  holder.SetCurrent(at);
  return true;
}

void BM_ThinkRequestOnLongRecord(benchmark::State& state) {
  model::KifuHolder holder;
  if (!walk_record(holder, static_cast<int>(state.range(0)))) {
    state.SkipWithError("the record could not be made");
    return;
  }
  platform::Mailbox view;
  app::CompCall comp(&view);
  comp.GameInit(0, 0, false);
  for (auto _ : state) {
    comp.ChubanDepth(holder, 2, 0, 0, 0);
    platform::WindowMessage m;
    while (!view.Wait(m, kWaitMs) || m.id != app::kMsgComputerMove) {
      while (driver::MessageQueue::PopGlobal()) {
      }
    }
  }
  driver::MessageQueue::DestroyGlobal();
}
BENCHMARK(BM_ThinkRequestOnLongRecord)->Arg(100000)->Arg(1000000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
