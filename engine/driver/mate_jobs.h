// The computer thread's mate-problem jobs: solve a problem with the problem
// solver (the `ktsume` instance), look for another solution, hand the solution
// out move by move, write the whole solution tree with every defence into a
// game record, and free it all. ktsume_stop and ktsume_progress are called on
// the user-interface thread while a job runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "engine/board/position.h"
#include "engine/tsume/tsume_entry.h"
#include "model/position/kyokumen.h"
#include "model/position/sashite.h"

namespace model {
class Kifu;
struct KifuSashite;
}  // namespace model

namespace driver {

// The word a mate job ends with (ktsume, ktsume_henbetsu; the result message
// of the computer thread carries it): the mate's (the other line's) length
// when above 0, else the code of how the solve ended. The codes are negative
// and differ for the other-line search: another line not found is -5, no
// mate at all 0. tsume_job_result reads a word back.
int tsume_job_word(tsume::SolveResult result, int length, bool other_line = false);
// What a word of tsume_job_word stands for (a length above 0: kMate; a word
// no job gives: kFailed).
tsume::SolveResult tsume_job_result(int word);

// A request's time limit 0 stands for this one.
constexpr int32_t kTsumeNoTimeLimitMs = 864000000;
// The solver's memory is never sized below this.
constexpr int32_t kTsumeMinHeapMb = 8;

// Where the answer is played (command 14: the record may be null, then only
// the position), or the record whose solution tree is written (command 20).
// The job moves `current` along the moves it adds.
struct TsumeCursor {
  model::Kifu* kifu = nullptr;
  model::Kyokumen* kyokumen = nullptr;
  model::KifuSashite* current = nullptr;
};

struct KTsumeJob {
  std::vector<board::KMove> answer;  // the last solution or other line
  int32_t answer_length = 0;
  std::atomic<int32_t> ktsume_ready{0};  // the instance holds a solve that kept it
  std::atomic<uint8_t> stop_tree{0};     // set by ktsume_stop: ends the tree writing
  std::vector<board::KMove> main_line;   // what other lines are compared against
  int32_t main_line_length = 0;
  // What the last solve showed of its main line (tsume::ktsume_get_line_shown).
  tsume::LineShown shown{};
  model::Kyokumen problem;
  int32_t heap_mb = 0;
  int32_t time_ms = 0;
  int32_t mode = 0;
  TsumeCursor cursor;
  // The node count and seconds of the last finished solve, for ktsume_progress.
  std::atomic<uint32_t> last_nodes{0};
  std::atomic<double> last_seconds{0};
  // Set while ktsume solves on the instance: ktsume_progress reads its counters.
  std::atomic<bool> solving{false};
};

// The lock that the jobs hold while they make or destroy the problem solver
// and that the user-interface thread's calls hold while they touch it.
std::mutex& ktsume_instance_lock();

// Solves `problem` (attacker to move) on a problem solver made anew with
// heap_mb MB; with `exitf` the solver is destroyed afterwards. A solve with a
// time limit (below kTsumeNoTimeLimitMs) spends what it needs of it to show
// its length and main line; one without spends the solver's own budget on
// that (job.shown tells what was shown). The job's word
// (tsume_job_word): the mate's length with the answer and the main line kept,
// or the code of the solve's end (kNoMemory when the solver could not be made
// that large, kFailed for a position the engine cannot hold).
int ktsume(KTsumeJob& job, const model::Kyokumen& problem, int32_t time_ms, int32_t heap_mb, bool exitf);
// Another mating line than the kept main line: its length (the answer; a
// longer line also becomes the main line and its tree the kept one), or the
// code of the search's end (tsume_job_word of the other-line search; kFailed
// without a kept solve).
int ktsume_henbetsu(KTsumeJob& job, const model::Kyokumen& problem, int32_t time_ms);
// Move `index` of the answer as a game-model move of `side` (pieces left
// empty, for the position it is played on to complete): 0, or -1 beyond the
// answer or for a move of the other side.
int ktsume_answer(const KTsumeJob& job, int index, int side, model::Sashite& out);
// The answer as game-model moves played from `position`, each converted at the
// bridge and completed on the position before it, up to the first that does
// not play there: the mate line as it is printed and played into a record.
std::vector<model::Sashite> ktsume_answer_line(const KTsumeJob& job, const model::Kyokumen& position);
// Writes the kept solution tree (`mode`: 0 the current tree, 1 the committed
// one) into the record of job.cursor, below the move after the cursor's
// current move: every defence that is not a useless interposition, each with
// its answer. 0; -1 when stopped (what was added stays), when the position
// does not load or when the cursor's position has no following move (nothing
// added).
int ktsume_tree_to_kifu(KTsumeJob& job, int mode);
// Destroys the problem solver and forgets every kept result. 0.
int ktsume_henbetsu_free(KTsumeJob& job);
// Frees the answer and the main line.
void mate_buffers_free(KTsumeJob& job);
// Stops a running solve or tree writing: 1 when a kept solver exists, else 0.
int ktsume_stop(KTsumeJob& job);
// The node count and seconds of the solve running now, or else of the last
// finished one.
void ktsume_progress(const KTsumeJob& job, uint32_t& nodes, double& seconds);

}  // namespace driver
