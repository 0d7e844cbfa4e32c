// Solving, other solutions, the answer, freeing and stopping: the mate-problem
// jobs around the problem solver.
#include "engine/driver/mate_jobs.h"

#include <algorithm>

#include "engine/bridge/position_bridge.h"
#include "engine/tsume/tsume_entry.h"

namespace driver {

namespace {

using LockInstance = std::lock_guard<std::mutex>;

constexpr uint64_t kKbPerMb = 1024;

using tsume::SolveResult;

// The job words of the codes, after a solve and after the other-line search.
struct JobCode {
  SolveResult result;
  int solve_word;
  int other_word;
};
constexpr JobCode kJobCodes[] = {
    {SolveResult::kNoMate, 0, -5},       {SolveResult::kAttacksKing, -2, -7}, {SolveResult::kUndecided, -3, -6},
    {SolveResult::kFailed, -4, -4},      {SolveResult::kNoMemory, -8, -8},    {SolveResult::kStopped, -10, -10},
};

void clear_answer(KTsumeJob& job) {
  job.answer.clear();
  job.answer_length = 0;
}

void destroy_instance(KTsumeJob& job) {
  LockInstance lock(ktsume_instance_lock());
  tsume::ktsume_free();
  job.ktsume_ready.store(0);
}

}  // namespace

int tsume_job_word(SolveResult result, int length, bool other_line) {
  if (result == SolveResult::kMate) return length;
  for (const JobCode& c : kJobCodes) {
    if (c.result == result) return other_line ? c.other_word : c.solve_word;
  }
  return tsume_job_word(SolveResult::kFailed, 0, other_line);
}

SolveResult tsume_job_result(int word) {
  if (word > 0) return SolveResult::kMate;
  for (const JobCode& c : kJobCodes) {
    if (c.solve_word == word || c.other_word == word) return c.result;
  }
  return SolveResult::kFailed;
}

std::mutex& ktsume_instance_lock() {
  static std::mutex lock;
  return lock;
}

int ktsume(KTsumeJob& job, const model::Kyokumen& problem, int32_t time_ms, int32_t heap_mb, bool exitf) {
  clear_answer(job);
  job.main_line.clear();
  job.main_line_length = 0;
  job.shown = {};
  board::KPosition p;
  int result = tsume_job_word(SolveResult::kFailed, 0);
  // A problem the engine cannot hold is not solved at all.
  if (bridge::position_load(p, problem) == 0) {
    bool made;
    {
      LockInstance lock(ktsume_instance_lock());
      tsume::ktsume_free();
      made = tsume::ktsume_alloc(uint64_t(std::max(heap_mb, kTsumeMinHeapMb)) * kKbPerMb) == 1;
      job.ktsume_ready.store(made ? 1 : 0);
      job.solving.store(made);
    }
    if (!made) {
      result = tsume_job_word(SolveResult::kNoMemory, 0);  // the position loaded: the solver lacked memory
    } else {
      const board::KMove* line = nullptr;
      int length = 0;
      tsume::ktsume_set_line_budget(time_ms < kTsumeNoTimeLimitMs ? tsume::kLineWithinLimits : tsume::kLineOwnBudget);
      const SolveResult code =
          tsume::ktsume_solve(p, &line, &length, static_cast<uint32_t>(std::max(time_ms, 0)), -1);
      uint32_t nodes = 0;
      double seconds = 0;
      tsume::ktsume_get_stats(&nodes, &seconds);
      job.last_nodes.store(nodes);
      job.last_seconds.store(seconds);
      job.solving.store(false);
      if (code == SolveResult::kMate) {
        job.shown = tsume::ktsume_get_line_shown();
        job.answer.assign(line, line + length);
        job.answer_length = length;
        job.main_line = job.answer;
        job.main_line_length = length;
      }
      result = tsume_job_word(code, length);
    }
  }
  if (exitf) destroy_instance(job);
  return result;
}

int ktsume_henbetsu(KTsumeJob& job, const model::Kyokumen& problem, int32_t time_ms) {
  board::KPosition p;
  if (job.ktsume_ready.load() == 0 || job.main_line_length == 0 || bridge::position_load(p, problem) != 0) {
    return tsume_job_word(SolveResult::kFailed, 0, true);
  }
  const std::vector<board::KMove> line(job.main_line.begin(), job.main_line.begin() + job.main_line_length);
  const board::KMove* other = nullptr;
  int length = 0;
  const SolveResult code = tsume::check_henbetsu(p, line.data(), static_cast<int>(line.size()), &other, &length,
                                         static_cast<uint32_t>(std::max(time_ms, 0)));
  clear_answer(job);
  if (code == SolveResult::kMate) {
    job.answer.assign(other, other + length);
    job.answer_length = length;
    if (length > job.main_line_length) {
      // The longer line is the solution now, and its tree the one kept.
      tsume::ktsume_tree_free();
      tsume::ktsume_tree_commit();
      job.main_line = job.answer;
      job.main_line_length = length;
    }
  }
  return tsume_job_word(code, length, true);
}

int ktsume_answer(const KTsumeJob& job, int index, int side, model::Sashite& out) {
  if (index < 0 || index >= job.answer_length) return -1;
  const board::KMoveWord w = board::move_word(job.answer[index]);
  if (bridge::word_side(w) != side) return -1;
  return bridge::word_to_sashite(out, w);
}

std::vector<model::Sashite> ktsume_answer_line(const KTsumeJob& job, const model::Kyokumen& position) {
  std::vector<model::Sashite> line;
  model::Kyokumen k = position;
  model::Sashite m;
  for (int i = 0; ktsume_answer(job, i, k.teban, m) == 0 && k.CompleteSashite(m) && k.DoSashite(m); ++i) {
    line.push_back(m);
  }
  return line;
}

int ktsume_henbetsu_free(KTsumeJob& job) {
  destroy_instance(job);
  mate_buffers_free(job);
  return 0;
}

void mate_buffers_free(KTsumeJob& job) {
  std::vector<board::KMove>().swap(job.answer);
  std::vector<board::KMove>().swap(job.main_line);
  job.answer_length = 0;
  job.main_line_length = 0;
}

int ktsume_stop(KTsumeJob& job) {
  LockInstance lock(ktsume_instance_lock());
  if (job.ktsume_ready.load() == 0 || tsume::ktsume_instance() == nullptr) return 0;
  job.stop_tree.store(1);
  tsume::ktsume_set_time_limit(0);
  return 1;
}

void ktsume_progress(const KTsumeJob& job, uint32_t& nodes, double& seconds) {
  // The lock keeps the instance from being destroyed while it is read; the
  // solve itself runs without it.
  LockInstance lock(ktsume_instance_lock());
  if (job.solving.load() && tsume::ktsume_instance() != nullptr) {
    tsume::ktsume_get_progress(&nodes, &seconds);
    return;
  }
  nodes = job.last_nodes.load();
  seconds = job.last_seconds.load();
}

}  // namespace driver
