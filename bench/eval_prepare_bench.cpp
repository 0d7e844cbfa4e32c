// The evaluation's per-think preparation: the weight object for a style, the
// stage block, the strategy choice for both sides, and the strategy square
// tables filled and dispatched, alone and in the order a think runs them.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/board/random.h"
#include "engine/bridge/position_bridge.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/progress.h"
#include "engine/eval/senkei_select.h"
#include "engine/eval/senkei_set.h"
#include "engine/eval/senkei_table.h"
#include "model/position/kyokumen.h"

namespace {

// The start positions of the even game and the handicaps.
const std::vector<board::KPosition>& start_positions() {
  static const std::vector<board::KPosition> set = [] {
    std::vector<board::KPosition> out;
    for (int32_t h : {model::kHirate, model::kKyoOchi, model::kKakuOchi, model::kHishaOchi, model::kNimaiOchi,
                      model::kRokumaiOchi}) {
      model::Kyokumen k;
      k.Init(h);
      bridge::position_load(out.emplace_back(), k);
    }
    return out;
  }();
  return set;
}

void BM_EvalTablesInit(benchmark::State& state) {
  for (auto _ : state) {
    eval::eval_tables_init(eval::eval_setup.eval_weight_block, 0x800);
    benchmark::ClobberMemory();
  }
}

void BM_StageTablesInit(benchmark::State& state) {
  int stage = 0;
  for (auto _ : state) {
    eval::stage_tables_init(stage, eval::eval_setup.eval_stage_block);
    eval::stage_curves_copy(eval::eval_setup.stage_curves);
    stage = (stage + 1) % 3;
    benchmark::ClobberMemory();
  }
}

void BM_SenkeiSelect(benchmark::State& state) {
  const std::vector<board::KPosition>& set = start_positions();
  board::rand_seed(1);
  int64_t choices = 0;
  for (auto _ : state) {
    for (const board::KPosition& p : set) {
      benchmark::DoNotOptimize(eval::senkei_select(p, p.teban, eval::kAllSenkei, 0, eval::kAllSenkei));
      benchmark::DoNotOptimize(eval::senkei_select(p, 1 - p.teban, 0, 0, 0));
    }
    choices += 2 * static_cast<int64_t>(set.size());
  }
  state.SetItemsProcessed(choices);
}

void BM_SenkeiFillDispatch(benchmark::State& state) {
  const board::KPosition& p = start_positions().front();
  const int32_t codes[2] = {1, 3};
  for (auto _ : state) {
    eval::senkei_tables_init(0, codes);
    eval::senkei_dispatch(p, codes);
    benchmark::ClobberMemory();
  }
}

// Everything one think prepares, in its order.
void BM_ThinkPreparation(benchmark::State& state) {
  const std::vector<board::KPosition>& set = start_positions();
  board::rand_seed(1);
  size_t i = 0;
  for (auto _ : state) {
    const board::KPosition& p = set[i++ % set.size()];
    int32_t codes[2];
    codes[p.teban] = eval::senkei_select(p, p.teban, eval::kAllSenkei, 0, eval::kAllSenkei);
    codes[1 - p.teban] = eval::senkei_select(p, 1 - p.teban, 0, 0, 0);
    const int stage = eval::progress_estimate(p);
    eval::eval_tables_init(eval::eval_setup.eval_weight_block, 0x800);
    eval::senkei_tables_init(0, codes);
    eval::senkei_dispatch(p, codes);
    eval::stage_tables_init(stage, eval::eval_setup.eval_stage_block);
    eval::stage_curves_copy(eval::eval_setup.stage_curves);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_EvalTablesInit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StageTablesInit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SenkeiSelect);
BENCHMARK(BM_SenkeiFillDispatch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ThinkPreparation)->Unit(benchmark::kMicrosecond);
