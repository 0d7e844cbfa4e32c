// The mate-problem jobs on the calling thread: the solve's results, the answer
// in order, other lines, the solution tree written into a record and read back
// from KIF, and stops from another thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <thread>

#include "engine/board/evasion_gen.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/mate_jobs.h"
#include "engine/tsume/tsume_entry.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "tests/engine/tsume/tsume_problems.h"
#include "tests/model/position/position_builder.h"

namespace driver {
namespace {

using model::testing::gote;
using model::testing::put;
using tsume::testing::Problem;

constexpr int32_t kTimeMs = 60000;
constexpr int32_t kHeapMb = 64;

Problem problem(const char* name) {
  Problem p;
  tsume::testing::load_problem(tsume::testing::tsume_data_dir() + "/" + name + ".kif", p);
  return p;
}

model::Kyokumen scene(std::initializer_list<std::array<int, 3>> pieces, int hand_type = 0) {
  model::Kyokumen k = model::testing::empty_position();
  for (const auto& [x, y, code] : pieces) put(k, x, y, code);
  if (hand_type) k.mochigoma[0][hand_type] = 1;
  return k;
}

// A record holding the problem, its current move the root.
void start_record(model::KifuHolder& h, const model::Kyokumen& k) {
  h.kifu.SetStartPosition(k);
  h.SetCurrent(h.kifu.root.get());
}

// Plays the answer into the record after its current move as the shell does.
int play_answer(const KTsumeJob& job, model::KifuHolder& h) {
  int n = 0;
  model::Sashite m;
  for (; ktsume_answer(job, n, h.kyokumen.teban, m) == 0 && h.kyokumen.CompleteSashite(m); ++n) {
    h.SetCurrent(model::Kifu::AddSashiteAtPos(h.current->to, m, 0, nullptr, -1, h.kifu.table.get(),
                                              model::KifuChooser::kFirst, true));
  }
  return n;
}

std::string text(const model::Sashite& s) {
  char b[32];
  std::snprintf(b, sizeof b, "%d%d%d%d%d ", s.from_x, s.from_y, s.to_x, s.to_y, s.nari);
  return b;
}

// Every line from `node` to the end, as texts.
void lines(const model::KifuKyokumen* node, const std::string& prefix, std::set<std::string>& out) {
  if (node->next.Count() == 0) out.insert(prefix);
  for (const model::KifuSashite* m : node->next.items) lines(m->to, prefix + text(m->sashite), out);
}

TEST(MateJobs, SolveResultsAndTheAnswerInOrder) {
  KTsumeJob job;
  // Without a time limit the searches for the shortest mate spend a budget of
  // nodes, not of time: the lengths do not hang on how busy the machine is.
  for (const Problem& pr : tsume::testing::load_problem_set()) {
    EXPECT_EQ(ktsume(job, pr.kyokumen, kTsumeNoTimeLimitMs, kHeapMb, true), pr.length) << pr.name;
  }
  EXPECT_EQ(job.ktsume_ready.load(), 0);
  EXPECT_EQ(tsume::ktsume_instance(), nullptr);
  // Kept: the answer plays the record's own line and ends one move beyond it.
  const Problem pr = problem("mate07_b_ai");
  ASSERT_EQ(ktsume(job, pr.kyokumen, kTimeMs, kHeapMb, false), 7);
  EXPECT_EQ(job.ktsume_ready.load(), 1);
  model::KifuHolder record;
  int format = 0;
  ASSERT_TRUE(model::kifu_load_file(record, (tsume::testing::tsume_data_dir() + "/mate07_b_ai.kif").c_str(), &format,
                                    false));
  const model::KifuKyokumen* node = record.kifu.Start();
  model::Sashite m;
  for (int i = 0; i < 7; ++i, node = node->next.At(0)->to) {
    ASSERT_EQ(ktsume_answer(job, i, node->kyokumen.teban, m), 0);
    ASSERT_TRUE(node->kyokumen.CompleteSashite(m));
    EXPECT_EQ(m, node->next.At(0)->sashite) << i;
  }
  EXPECT_EQ(ktsume_answer(job, 7, 0, m), -1);
  EXPECT_EQ(ktsume_answer(job, -1, 0, m), -1);
  EXPECT_EQ(ktsume_answer(job, 1, 0, m), -1);  // the defender's move is not sente's
  // The printed line: the same moves, completed, played from the problem.
  const std::vector<model::Sashite> line = ktsume_answer_line(job, record.kifu.Start()->kyokumen);
  ASSERT_EQ(line.size(), 7u);
  node = record.kifu.Start();
  for (const model::Sashite& played : line) {
    EXPECT_EQ(played, node->next.At(0)->sashite);
    node = node->next.At(0)->to;
  }

  // The other results: the king can be taken, no mate, a limit, a position
  // the engine cannot hold, no kept solve to look for another line in.
  EXPECT_EQ(ktsume(job, scene({{5, 1, gote(model::kOu)}, {5, 5, model::kHi}}), kTimeMs, kHeapMb, true), -2);
  EXPECT_EQ(ktsume(job, scene({{5, 5, gote(model::kOu)}}, model::kKin), kTimeMs, kHeapMb, true), 0);
  EXPECT_EQ(ktsume(job, problem("mate11_g").kyokumen, 1, kHeapMb, true), -3);
  model::Kyokumen too_many = pr.kyokumen;
  too_many.mochigoma[0][model::kFu] = 19;
  EXPECT_EQ(ktsume(job, too_many, kTimeMs, kHeapMb, true), -4);
  EXPECT_EQ(ktsume_henbetsu(job, pr.kyokumen, kTimeMs), -4);
}

TEST(MateJobs, AnotherLineReplacesTheMainLineOnlyWhenLonger) {
  KTsumeJob job;
  const Problem same = problem("mate07_a_ai");
  ASSERT_EQ(ktsume(job, same.kyokumen, kTimeMs, kHeapMb, false), 7);
  const std::vector<board::KMove> first = job.main_line;
  EXPECT_EQ(ktsume_henbetsu(job, same.kyokumen, kTimeMs), 7);
  EXPECT_EQ(job.main_line_length, 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(board::move_word(job.main_line[i]), board::move_word(first[i]));

  const Problem longer = problem("mate05_a_ai");
  ASSERT_EQ(ktsume(job, longer.kyokumen, kTimeMs, kHeapMb, false), 5);
  EXPECT_EQ(ktsume_henbetsu(job, longer.kyokumen, kTimeMs), 7);
  ASSERT_EQ(job.main_line_length, 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(board::move_word(job.main_line[i]), board::move_word(job.answer[i]));
  EXPECT_EQ(ktsume_henbetsu_free(job), 0);
  EXPECT_EQ(tsume::ktsume_instance(), nullptr);
}

TEST(MateJobs, TheTreeGoesIntoTheRecordAndComesBackFromKif) {
  KTsumeJob job;
  const Problem pr = problem("mate07_b_ai");
  ASSERT_EQ(ktsume(job, pr.kyokumen, kTimeMs, kHeapMb, false), 7);
  model::KifuHolder record;
  start_record(record, pr.kyokumen);
  job.cursor = TsumeCursor{&record.kifu, &record.kyokumen, record.current};
  EXPECT_EQ(ktsume_tree_to_kifu(job, 0), -1);  // no move after the problem yet
  EXPECT_EQ(record.kifu.Start()->next.Count(), 0);
  ASSERT_EQ(play_answer(job, record), 7);
  std::set<std::string> solution;
  lines(record.kifu.Start(), "", solution);
  ASSERT_EQ(ktsume_tree_to_kifu(job, 0), 0);

  // The solution is still the first line; each defender position holds its
  // real defences and no useless interposition, each answered.
  const model::KifuKyokumen* node = record.kifu.Start();
  std::string first_line;
  for (; node->next.Count() > 0; node = node->next.At(0)->to) first_line += text(node->next.At(0)->sashite);
  EXPECT_EQ(first_line, *solution.begin());
  std::vector<const model::KifuKyokumen*> todo = {record.kifu.Start()->next.At(0)->to};
  int defences = 0;
  while (!todo.empty()) {
    const model::KifuKyokumen* d = todo.back();
    todo.pop_back();
    board::KPosition p;
    ASSERT_EQ(bridge::position_load(p, d->kyokumen), 0);
    board::KMove evasions[board::kMaxMoves];
    std::set<std::string> real, written;
    for (int i = 0, n = board::oute_nige_gen(p, evasions); i < n; ++i) {
      model::Sashite s;
      if (tsume::ktsume_check_answer(p, evasions[i], 0) == 0 &&
          bridge::kmove_to_sashite(s, d->kyokumen, evasions[i]) == 0) {
        real.insert(text(s));
      }
    }
    for (const model::KifuSashite* m : d->next.items) {
      written.insert(text(m->sashite));
      ASSERT_EQ(m->to->next.Count(), 1);
      todo.push_back(m->to->next.At(0)->to);
    }
    EXPECT_EQ(written, real);
    defences += static_cast<int>(written.size());
  }
  EXPECT_GT(defences, 4);

  std::set<std::string> before, after;
  lines(record.kifu.Start(), "", before);
  const std::string path = ::testing::TempDir() + "/tree.kif";
  int format = 0;
  ASSERT_TRUE(model::kifu_save_file(record, path.c_str(), &format));
  model::KifuHolder read;
  ASSERT_TRUE(model::kifu_load_file(read, path.c_str(), &format, false));
  lines(read.kifu.Start(), "", after);
  EXPECT_EQ(before, after);
  ktsume_henbetsu_free(job);
}

// Runs `job` on another thread while this one stops it over and over; its result.
template <class Job>
int stopped(KTsumeJob& mate, Job job) {
  std::atomic<int> phase{0};  // 1: the stops run, 2: the job is done
  int result = 0;
  std::thread worker([&] {
    while (phase.load() == 0) std::this_thread::yield();
    result = job();
    phase.store(2);
  });
  phase.store(1);
  while (phase.load() != 2) ktsume_stop(mate);
  worker.join();
  return result;
}

int count_moves(const model::KifuKyokumen* node) {
  int n = 0;
  for (const model::KifuSashite* m : node->next.items) n += 1 + count_moves(m->to);
  return n;
}

// The job's word of each end of a solve reads back as that end, after a solve
// and after the other-line search; only a mate's word is its length.
TEST(MateJobs, JobWordsReadBackAsTheSolvesEnd) {
  using tsume::SolveResult;
  for (const SolveResult r : {SolveResult::kUndecided, SolveResult::kNoMate, SolveResult::kAttacksKing,
                              SolveResult::kStopped, SolveResult::kFailed, SolveResult::kNoMemory}) {
    for (const bool other : {false, true}) {
      EXPECT_LE(tsume_job_word(r, 9, other), 0);
      EXPECT_EQ(tsume_job_result(tsume_job_word(r, 9, other)), r) << static_cast<int>(r) << other;
    }
  }
  EXPECT_EQ(tsume_job_word(SolveResult::kMate, 9, true), 9);
  EXPECT_EQ(tsume_job_result(9), SolveResult::kMate);
}

TEST(MateJobs, StopsFromAnotherThread) {
  // No mate and checks without end: the solve runs until stopped.
  model::Kyokumen open = scene({{5, 5, gote(model::kOu)}});
  const int hand[8] = {0, 3, 2, 2, 2, 2, 1, 1};
  for (int t = 1; t <= 7; ++t) open.mochigoma[0][t] = static_cast<int8_t>(hand[t]);
  KTsumeJob job;
  EXPECT_EQ(stopped(job, [&] { return ktsume(job, open, kTsumeNoTimeLimitMs, kHeapMb, false); }),
            tsume_job_word(tsume::SolveResult::kStopped, 0));

  // The tree writing keeps what it added before the stop (a stop may also
  // come before the writing begins, and then is cleared, or after its last
  // move: tried until one comes during it).
  const Problem pr = problem("mate19_a");
  ASSERT_EQ(ktsume(job, pr.kyokumen, kTimeMs, kHeapMb, false), 19);
  auto answered = [&](model::KifuHolder& h) {
    start_record(h, pr.kyokumen);
    EXPECT_EQ(play_answer(job, h), 19);
    h.SetCurrent(h.kifu.root.get());
    job.cursor = TsumeCursor{&h.kifu, &h.kyokumen, h.current};
  };
  model::KifuHolder whole;
  answered(whole);
  ASSERT_EQ(ktsume_tree_to_kifu(job, 0), 0);
  const int all = count_moves(whole.kifu.Start());
  int result = 0, kept = 0;
  for (int attempt = 0; attempt < 500 && (result != -1 || kept >= all); ++attempt) {
    model::KifuHolder part;
    answered(part);
    result = stopped(job, [&] { return ktsume_tree_to_kifu(job, 0); });
    kept = count_moves(part.kifu.Start());
  }
  EXPECT_EQ(result, -1);
  EXPECT_GE(kept, 19);
  EXPECT_LT(kept, all);
  ktsume_henbetsu_free(job);
}

}  // namespace
}  // namespace driver
