// CompCall: the user interface's bridge to the computer thread. A request fills
// the job block and hands one command to the thread; the thread runs exactly
// one job per command and either answers with a done code, for which the
// request waits, or posts the result to the view's window (the computer's move
// for a think, a ponder that became the think, a mate-match move and a
// delivered ponder result). The think word (driver/think_state.h) tells which
// think runs; the requests test and change it under the engine lock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/driver/comp_job.h"
#include "engine/driver/compose_job.h"
#include "engine/driver/mate_jobs.h"
#include "engine/driver/speed_benchmark.h"
#include "model/position/kyokumen.h"
#include "model/position/sashite.h"
#include "model/record/kifu.h"
#include "model/record/kifu_holder.h"
#include "model/record/kifu_hyouka.h"
#include "platform/mailbox.h"

namespace app {

// Messages posted to the view.
constexpr uint32_t kMsgComputerMove = 0x486;  // the job block holds the computer's move
constexpr uint32_t kMsgTsumeResult = 0x487;   // a mate solve ended: wparam = the job's result
constexpr uint32_t kMsgComposed = 0x497;      // a compose job ended: wparam = result, lparam = ms
constexpr uint32_t kMsgTsumeTree = 0x498;     // the solution tree is in the record: wparam 1 when cut short
constexpr uint32_t kMsgBenchmark = 0x48c;     // the speed benchmark ended: wparam = its milliseconds
constexpr uint32_t kMsgQueue = 1168;          // the engine's message queue has news

enum CompCommand : int {
  kCmdExit = 11,
  kCmdGameInit = 12,
  kCmdGameExit = 13,
  kCmdTsumeAnswer = 14,
  kCmdStop = 15,
  kCmdThink = 16,
  kCmdPonder = 17,
  kCmdKelmor = 18,
  kCmdTsumeSolve = 19,
  kCmdTsumeTree = 20,
  kCmdTsumeFree = 21,
  kCmdCompose = 22,
  kCmdBenchmark = 23,
  kCmdDeliver = 24,
};

// Done codes of the commands that answer the requester.
enum CompDone : int {
  kDoneRefused = -2,   // a command that is not answered with a done code
  kDoneNotBuilt = -1,  // a command whose job is not built yet
  kDoneExit = 1,
  kDoneGameInit = 2,
  kDoneGameExit = 3,
  kDoneTsumeAnswer = 4,
  kDoneStop = 5,
  kDoneTsumeFree = 6,
};

// Depth range of CompCall::ChubanDepth.
constexpr int32_t kChubanDepthMin = 2;
constexpr int32_t kChubanDepthMax = 12;
// A ponder result kept for the think request it predicted is delivered after this pause.
constexpr uint32_t kDeliverPauseMs = 900;

class CompCall {
 public:
  // Starts the computer thread, which sizes the engine's memory before the
  // constructor returns. `view` receives the posted messages and must outlive
  // the object.
  explicit CompCall(platform::Mailbox* view);
  // Stops a running think, ends the thread (closing an open game) and waits for it.
  ~CompCall();
  CompCall(const CompCall&) = delete;
  CompCall& operator=(const CompCall&) = delete;

  // The job block: settings (style, the book set and its switches, learning)
  // may be set while no job runs; after the move message it holds the result.
  driver::CompJob& job() { return job_; }

  // Opens a game for the players of each side (player kinds: 0-5 as they are,
  // 6 and 7 as strategy requests 9 and 10, 8 on as kind - 2) and waits.
  void GameInit(int sente_kind, int gote_kind, bool want_ktsume);
  void GameExit();
  // The think request on the record's current position: times (hundredths of a
  // second), depth. When a ponder on that very position runs it becomes the
  // think; when one finished there, its result is delivered.
  void Chuban(const model::KifuHolder& record, int32_t time_a, int32_t time_b, int32_t time_c, int32_t depth);
  // The think request with a depth clamped to 2..12, after making the engine's
  // message queue for the view (a running ponder is stopped first).
  void ChubanDepth(const model::KifuHolder& record, int32_t depth, int32_t time_a, int32_t time_b, int32_t time_c);
  // Thinks on the opponent's time about the predicted move `yosoku` (a move
  // word) from the record's current position. False (nothing sent) while
  // another think runs.
  bool Sakiyomi(const model::KifuHolder& record, uint32_t yosoku);
  // The mate-match move of the record's current position.
  void Kelmor(const model::KifuHolder& record, int32_t depth);
  // Stops the running think or ponder and waits for it to end. A think's move
  // message still comes, as 中断; a stopped ponder posts nothing.
  void Stop();
  void SakiyomiStop() { Stop(); }
  // Mate problems. Solves `problem` (attacker to move) with max(8, min(MB,
  // the machine's MB)) of memory and `time_ms` (0: no limit) in `mode` (0, 1:
  // freeing the solver after; 2: keeping it; 3: another solution of the kept
  // one; other: free it all); kMsgTsumeResult comes with the job's result.
  void Tsume(const model::Kyokumen& problem, int32_t memory_mb, int32_t time_ms, int32_t mode);
  // Plays the last answer into the record after its current move, which
  // follows it, and waits: the number of moves played.
  int TsumeAnswer(model::KifuHolder& record);
  // The last answer as moves played from `problem`, read once no job runs.
  std::vector<model::Sashite> TsumeLine(const model::Kyokumen& problem);
  // What the last solve showed of that line: its length the shortest mate's,
  // and how many of its plies keep the rules of a main line.
  tsume::LineShown TsumeShown();
  // Writes the kept solution tree (`mode` 0 current, 1 committed) into the
  // record below the move after its current move; kMsgTsumeTree comes when it
  // is there, or as much of it as was written when a stop cut it short. The
  // record must not be touched until then.
  void TsumeTree(model::KifuHolder& record, int32_t mode);
  // Stops a running solve or tree writing (any thread): false when there is
  // no solver to stop.
  bool TsumeStop() { return driver::ktsume_stop(tsume_job_) != 0; }
  void TsumeProgress(uint32_t& nodes, double& seconds) const { driver::ktsume_progress(tsume_job_, nodes, seconds); }

  // The compose job's settings (reseed flag, limits, piece table) and, after
  // kMsgComposed, its problem.
  driver::KComposeJob& compose_job() { return compose_job_; }
  void Compose();
  // Ends a running compose job at its next time test (any thread).
  void ComposeStop() { compose_job_.compose.Stop(); }

  // The speed benchmark of an open game, which it closes: kMsgBenchmark comes
  // with the milliseconds.
  void Benchmark();
  // Ends a running benchmark walk at its next node (any thread).
  void BenchmarkStop() { driver::benchmark_stop.store(true); }

  // Sends a command that needs no arguments and waits for its done code
  // (command 21 frees the mate results). Commands answered by a message,
  // needing arguments or answered by the destructor: kDoneRefused.
  int Command(int command);

 private:
  // The engine's strategy request for a player kind.
  static int32_t strategy_request(int kind);

  // The computer thread's command loop: waits for a command and runs one job
  // for each.
  void CompThread();
  // Runs one job; the done code to answer, or 0 when the job posted instead.
  int RunJob(int command);
  void FinishThink(int result);
  void FinishPonder(int result);
  void Deliver();
  // Posts a message to the view, retrying; a failure is shown unless `quiet`.
  void Post(uint32_t id, intptr_t wparam, intptr_t lparam, bool quiet);
  void PostMove(bool quiet) { Post(kMsgComputerMove, 0, 0, quiet); }
  // Command 19 by its mode; command 14.
  int RunTsume();
  void PlayAnswer();

  // Hands `command` to the thread; with `wait_done` waits for its done code.
  int Send(int command, bool wait_done);
  // Waits until no command is pending and no job runs.
  void WaitIdle();
  // Stops a running ponder, or drops a kept ponder result.
  void EndPonder();
  void Think(const model::KifuHolder& record, int32_t time_a, int32_t time_b, int32_t time_c, int32_t depth);
  // Copies the record's line up to its current move into the job block, so
  // that the record may change (the opponent's move during a ponder) while the
  // job runs.
  void SetCursor(const model::KifuHolder& record);

  platform::Mailbox* view_;
  driver::CompJob job_;
  bool game_open_ = false;           // computer thread only
  driver::KTsumeJob tsume_job_;
  int answer_moves_ = 0;             // moves the last command 14 played
  driver::KComposeJob compose_job_;

  // Ponder: the position the job plays the predicted move on (handed to the
  // thread), the position that move gives (user-interface thread only), and
  // the result kept for a later think request (computer thread only).
  model::Kyokumen ponder_start_;
  model::Kyokumen predicted_;
  bool predicted_valid_ = false;
  model::KifuHyouka saved_hyouka_;
  model::Sashite saved_move_;

  std::mutex mutex_;                 // guards the four words below
  std::condition_variable changed_;
  int command_ = 0;                  // pending command, 0 none
  int done_ = 0;                     // done code not yet taken, 0 none
  bool busy_ = false;                // a job runs
  bool started_ = false;
  std::thread thread_;
};

}  // namespace app
