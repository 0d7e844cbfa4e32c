// The mate-problem jobs: a solve that keeps its solution tree, and the writing
// of that tree with every defence into a fresh game record (the answer played
// first, as the shell does), on problems of 7, 13 and 19 plies.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/game_positions.h"
#include "engine/driver/mate_jobs.h"
#include "model/record/kifu_holder.h"

namespace {

constexpr const char* kProblems[] = {"mate07_b_ai", "mate13_d", "mate19_a"};
constexpr int32_t kTimeMs = 600000;
constexpr int32_t kHeapMb = 64;

model::Kyokumen load_problem(const char* name) {
  const std::string path = std::string(VELKORA_TEST_DATA) + "/tsume/" + name + ".kif";
  return bench::record_position(path).value_or(model::Kyokumen());
}

// Moves below the position node, each counted once per line that reaches it.
int count_moves(const model::KifuKyokumen* node) {
  int n = 0;
  for (const model::KifuSashite* m : node->next.items) n += 1 + count_moves(m->to);
  return n;
}

void BM_MateJobSolveKept(benchmark::State& state) {
  const char* name = kProblems[state.range(0)];
  state.SetLabel(name);
  const model::Kyokumen problem = load_problem(name);
  driver::KTsumeJob job;
  int length = 0;
  for (auto _ : state) length = driver::ktsume(job, problem, kTimeMs, kHeapMb, false);
  state.counters["plies"] = length;
  driver::ktsume_henbetsu_free(job);
}
BENCHMARK(BM_MateJobSolveKept)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_MateJobTreeToRecord(benchmark::State& state) {
  const char* name = kProblems[state.range(0)];
  state.SetLabel(name);
  const model::Kyokumen problem = load_problem(name);
  driver::KTsumeJob job;
  if (driver::ktsume(job, problem, kTimeMs, kHeapMb, false) <= 0) {
    state.SkipWithError("no mate");
    return;
  }
  int moves = 0;
  for (auto _ : state) {
    model::KifuHolder record;
    record.kifu.SetStartPosition(problem);
    record.SetCurrent(record.kifu.root.get());
    model::Sashite m;
    for (int i = 0; driver::ktsume_answer(job, i, record.kyokumen.teban, m) == 0; ++i) {
      if (!record.kyokumen.CompleteSashite(m)) break;
      record.SetCurrent(model::Kifu::AddSashiteAtPos(record.current->to, m, 0, nullptr, -1, record.kifu.table.get(),
                                                     model::KifuChooser::kFirst, true));
    }
    record.SetCurrent(record.kifu.root.get());
    job.cursor = driver::TsumeCursor{&record.kifu, &record.kyokumen, record.current};
    benchmark::DoNotOptimize(driver::ktsume_tree_to_kifu(job, 0));
    moves = count_moves(record.kifu.Start());
  }
  state.counters["moves"] = moves;
  driver::ktsume_henbetsu_free(job);
}
BENCHMARK(BM_MateJobTreeToRecord)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
