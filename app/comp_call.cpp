#include "app/comp_call.h"

#include <algorithm>
#include <cstdio>

#include "engine/driver/computer_jobs.h"
#include "engine/driver/message_queue.h"
#include "engine/driver/speed_benchmark.h"
#include "engine/driver/think_state.h"
#include "model/text/text_encoding.h"
#include "platform/clock.h"
#include "platform/memory.h"

namespace app {

namespace {

// A move message is posted this many times this far apart before the user is told.
constexpr int kPostTries = 20;
constexpr uint32_t kPostRetryMs = 50;
// How often a think request looks whether a ponder it turns into the think has
// begun its search.
constexpr uint32_t kPonderSetUpPollMs = 1;
constexpr const char kPostFailedText[] = "ウィンドウメッセージを送信できません。\nシステムが不安定です。";

using LockEngine = std::lock_guard<platform::CriticalSection>;

model::Sashite special_move(int code) { return model::Sashite(0, 0, 0, 0, 0, 0, 0, code); }

}  // namespace

CompCall::CompCall(platform::Mailbox* view) : view_(view) {
  thread_ = std::thread(&CompCall::CompThread, this);
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return started_; });
}

CompCall::~CompCall() {
  driver::chuban_stop();
  Send(kCmdExit, true);
  thread_.join();
}

int32_t CompCall::strategy_request(int kind) {
  if (kind <= 5) return kind;
  if (kind == 6) return 9;
  if (kind == 7) return 10;
  return kind - 2;
}

// ---- Requests (user-interface thread) ----

int CompCall::Send(int command, bool wait_done) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return command_ == 0; });
  command_ = command;
  changed_.notify_all();
  if (!wait_done) return 0;
  changed_.wait(lock, [this] { return done_ != 0; });
  const int done = done_;
  done_ = 0;
  return done;
}

void CompCall::WaitIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return command_ == 0 && !busy_; });
}

void CompCall::SetCursor(const model::KifuHolder& record) {
  driver::record_cursor_set(job_.cursor, record.kifu, record.current, record.kyokumen);
}

void CompCall::GameInit(int sente_kind, int gote_kind, bool want_ktsume) {
  WaitIdle();
  job_.senkei_request[0] = strategy_request(sente_kind);
  job_.senkei_request[1] = strategy_request(gote_kind);
  job_.want_ktsume = want_ktsume ? 1 : 0;
  Send(kCmdGameInit, true);
}

void CompCall::GameExit() { Send(kCmdGameExit, true); }

void CompCall::EndPonder() {
  uint32_t state;
  {
    LockEngine lock(driver::engine_lock());
    state = driver::think_state_of(driver::think_word());
    if (state == driver::kThinkPonderKept) driver::think_word() = 0;
  }
  if (state == driver::kThinkPondering) SakiyomiStop();
}

void CompCall::Think(const model::KifuHolder& record, int32_t time_a, int32_t time_b, int32_t time_c,
                     int32_t depth) {
  WaitIdle();
  SetCursor(record);
  job_.time_a = time_a;
  job_.time_b = time_b;
  job_.time_c = time_c;
  job_.max_depth = depth;
  job_.yosoku = 0;
  {
    LockEngine lock(driver::engine_lock());
    driver::think_word() = driver::kThinkRequestWord;
  }
  Send(kCmdThink, false);
}

void CompCall::Chuban(const model::KifuHolder& record, int32_t time_a, int32_t time_b, int32_t time_c,
                      int32_t depth) {
  enum class Road { kThink, kWait, kDeliver };
  for (;;) {
    Road road = Road::kThink;
    {
      LockEngine lock(driver::engine_lock());
      uint32_t& word = driver::think_word();
      const uint32_t state = driver::think_state_of(word);
      if (predicted_valid_ && predicted_ == record.kyokumen) {
        if (state == driver::kThinkPondering) {
          // The ponder job sets its own think_words.control until its search
          // begins: wait for that before turning it into the think.
          if (driver::think_phase_of(word) < driver::kPhaseSearch) {
            road = Road::kWait;
          } else {
            // The opponent played the predicted move: the ponder is the think now.
            driver::chuban_time_update(time_a, time_b, time_c, record.current ? record.current->Ply() : 0);
            word = driver::with_think_state(word, driver::kThinkThinking);
            return;
          }
        } else if (state == driver::kThinkPonderKept) {
          word = driver::kThinkRequestWord;
          road = Road::kDeliver;
        }
      }
    }
    if (road == Road::kWait) {
      platform::sleep_ms(kPonderSetUpPollMs);
      continue;
    }
    if (road == Road::kDeliver) {
      Send(kCmdDeliver, false);
      return;
    }
    break;
  }
  EndPonder();
  Think(record, time_a, time_b, time_c, depth);
}

void CompCall::ChubanDepth(const model::KifuHolder& record, int32_t depth, int32_t time_a, int32_t time_b,
                           int32_t time_c) {
  EndPonder();
  WaitIdle();  // the queue is made only while no job runs
  driver::MessageQueue::CreateGlobal(view_, kMsgQueue);
  Think(record, time_a, time_b, time_c, std::clamp(depth, kChubanDepthMin, kChubanDepthMax));
}

bool CompCall::Sakiyomi(const model::KifuHolder& record, uint32_t yosoku) {
  {
    LockEngine lock(driver::engine_lock());
    const uint32_t word = driver::think_word();
    if (word != 0 && driver::think_state_of(word) != driver::kThinkPonderKept) return false;
  }
  WaitIdle();
  SetCursor(record);
  job_.yosoku = yosoku;
  ponder_start_ = record.kyokumen;
  predicted_ = record.kyokumen;
  int32_t from_to[5];
  model::Sashite m;
  predicted_valid_ = driver::computer_yosoku_convert(yosoku, from_to) == 0;
  if (predicted_valid_) {
    m.Set(from_to[0], from_to[1], from_to[2], from_to[3], 0, 0, from_to[4], 0);
    predicted_valid_ = predicted_.CompleteSashite(m) && predicted_.DoSashite(m);
  }
  {
    LockEngine lock(driver::engine_lock());
    driver::think_word() = driver::kPonderRequestWord;
  }
  Send(kCmdPonder, false);
  return true;
}

void CompCall::Kelmor(const model::KifuHolder& record, int32_t depth) {
  WaitIdle();
  SetCursor(record);
  job_.kelmor_depth = depth;
  Send(kCmdKelmor, false);
}

void CompCall::Stop() {
  {
    LockEngine lock(driver::engine_lock());
    driver::think_word() = driver::with_think_state(driver::think_word(), driver::kThinkStopRequested);
  }
  driver::chuban_stop();
  Send(kCmdStop, true);
}

void CompCall::Tsume(const model::Kyokumen& problem, int32_t memory_mb, int32_t time_ms, int32_t mode) {
  WaitIdle();
  platform::MemoryStatus memory;
  platform::memory_status(memory);  // unreadable: 0, the smallest size
  const int64_t physical_mb = static_cast<int64_t>(memory.total_physical / (1024 * 1024));
  tsume_job_.problem = problem;
  tsume_job_.heap_mb =
      static_cast<int32_t>(std::max<int64_t>(driver::kTsumeMinHeapMb, std::min<int64_t>(memory_mb, physical_mb)));
  tsume_job_.time_ms = time_ms == 0 ? driver::kTsumeNoTimeLimitMs : time_ms;
  tsume_job_.mode = mode;
  Send(kCmdTsumeSolve, false);
}

int CompCall::TsumeAnswer(model::KifuHolder& record) {
  WaitIdle();
  tsume_job_.cursor = driver::TsumeCursor{&record.kifu, &record.kyokumen, record.current};
  Send(kCmdTsumeAnswer, true);
  record.current = tsume_job_.cursor.current;
  return answer_moves_;
}

std::vector<model::Sashite> CompCall::TsumeLine(const model::Kyokumen& problem) {
  WaitIdle();
  return driver::ktsume_answer_line(tsume_job_, problem);
}

tsume::LineShown CompCall::TsumeShown() {
  WaitIdle();
  return tsume_job_.shown;
}

void CompCall::TsumeTree(model::KifuHolder& record, int32_t mode) {
  WaitIdle();
  tsume_job_.cursor = driver::TsumeCursor{&record.kifu, &record.kyokumen, record.current};
  tsume_job_.mode = mode;
  Send(kCmdTsumeTree, false);
}

void CompCall::Benchmark() {
  WaitIdle();
  Send(kCmdBenchmark, false);
}

void CompCall::Compose() {
  WaitIdle();
  Send(kCmdCompose, false);
}

int CompCall::Command(int command) {
  switch (command) {
    case kCmdExit:
    case kCmdThink:
    case kCmdPonder:
    case kCmdKelmor:
    case kCmdDeliver:
    case kCmdTsumeAnswer:
    case kCmdTsumeSolve:
    case kCmdTsumeTree:
    case kCmdCompose:
    case kCmdBenchmark:
      return kDoneRefused;
    default:
      return Send(command, true);
  }
}

// ---- The computer thread ----

void CompCall::CompThread() {
  driver::engine_memory_init();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    started_ = true;
    changed_.notify_all();
  }
  for (;;) {
    int command;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return command_ != 0; });
      command = command_;
      command_ = 0;
      busy_ = true;
      changed_.notify_all();
    }
    const int done = RunJob(command);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      busy_ = false;
      if (done != 0) done_ = done;
      changed_.notify_all();
    }
    if (command == kCmdExit) return;
  }
}

int CompCall::RunJob(int command) {
  switch (command) {
    case kCmdExit:
      if (game_open_) driver::game_exit(job_);
      game_open_ = false;
      driver::ktsume_henbetsu_free(tsume_job_);
      driver::engine_memory_free();
      return kDoneExit;
    case kCmdGameInit:
      driver::game_init(job_);
      tsume_job_.ktsume_ready.store(0);  // a kept solve is gone with its instance
      game_open_ = true;
      return kDoneGameInit;
    case kCmdGameExit:
      driver::game_exit(job_);
      tsume_job_.ktsume_ready.store(0);
      game_open_ = false;
      return kDoneGameExit;
    case kCmdTsumeSolve:
      Post(kMsgTsumeResult, RunTsume(), 0, false);
      return 0;
    case kCmdTsumeAnswer:
      PlayAnswer();
      return kDoneTsumeAnswer;
    case kCmdTsumeTree:
      Post(kMsgTsumeTree, driver::ktsume_tree_to_kifu(tsume_job_, tsume_job_.mode) != 0 ? 1 : 0, 0, false);
      return 0;
    case kCmdTsumeFree:
      driver::ktsume_henbetsu_free(tsume_job_);
      return kDoneTsumeFree;
    case kCmdCompose: {
      const uint32_t start = platform::tick_ms();
      const int result = driver::compose_job(compose_job_);
      Post(kMsgComposed, result, static_cast<intptr_t>(platform::tick_elapsed(start, platform::tick_ms())), false);
      return 0;
    }
    case kCmdBenchmark: {
      const uint32_t ms = driver::speed_benchmark(job_);
      tsume_job_.ktsume_ready.store(0);  // the game and its mate instance are closed
      game_open_ = false;
      Post(kMsgBenchmark, static_cast<intptr_t>(ms), 0, false);
      return 0;
    }
    case kCmdStop: {
      LockEngine lock(driver::engine_lock());
      driver::think_word() = 0;
      return kDoneStop;
    }
    case kCmdThink:
      FinishThink(driver::chuban_job(job_));
      return 0;
    case kCmdPonder:
      FinishPonder(driver::sakiyomi(job_, ponder_start_));
      return 0;
    case kCmdKelmor:
      if (driver::kelmor_think(job_) != driver::kJobMove) job_.result_move = special_move(model::kToryo);
      PostMove(job_.result_move.special != model::kOrdinaryMove);
      return 0;
    case kCmdDeliver:
      Deliver();
      return 0;
    default:
      return kDoneNotBuilt;
  }
}

void CompCall::FinishThink(int result) {
  if (result == driver::kJobKingTaken) {
    job_.result_move = special_move(model::kKachi);
  } else if (result != driver::kJobMove) {
    job_.result_move = special_move(model::kToryo);
  }
  {
    LockEngine lock(driver::engine_lock());
    if (driver::think_state_of(driver::think_word()) == driver::kThinkStopRequested) {
      job_.result_move = special_move(model::kChudan);
    }
    driver::think_word() = 0;
  }
  const int special = job_.result_move.special;
  PostMove(special == model::kChudan || special == model::kToryo);
}

void CompCall::FinishPonder(int result) {
  saved_hyouka_ = job_.hyouka;
  saved_move_ = job_.result_move;
  bool promoted = false;
  {
    LockEngine lock(driver::engine_lock());
    uint32_t& word = driver::think_word();
    switch (driver::think_state_of(word)) {
      case driver::kThinkStopRequested:
        word = 0;
        break;
      case driver::kThinkThinking:  // the ponder became the think
        word = 0;
        promoted = true;
        break;
      case driver::kThinkPondering:
        word = result == driver::kJobMove ? uint32_t{driver::kThinkPonderKept} : 0u;
        break;
      default:
        break;
    }
  }
  if (promoted) FinishThink(result);
}

void CompCall::Deliver() {
  {
    LockEngine lock(driver::engine_lock());
    driver::think_word() = 0;
  }
  job_.hyouka = saved_hyouka_;
  job_.result_move = saved_move_;
  platform::sleep_ms(kDeliverPauseMs);
  PostMove(false);
}

int CompCall::RunTsume() {
  driver::KTsumeJob& j = tsume_job_;
  switch (j.mode) {
    case 0:
    case 1:
    case 2:
      return driver::ktsume(j, j.problem, j.time_ms, j.heap_mb, j.mode != 2);
    case 3:
      return driver::ktsume_henbetsu(j, j.problem, j.time_ms);
    default:
      return driver::ktsume_henbetsu_free(j);
  }
}

void CompCall::PlayAnswer() {
  driver::TsumeCursor& c = tsume_job_.cursor;
  answer_moves_ = 0;
  for (const model::Sashite& m : driver::ktsume_answer_line(tsume_job_, *c.kyokumen)) {
    if (c.kifu != nullptr) {
      model::KifuKyokumen* at = c.current != nullptr ? c.current->to : c.kifu->Start();
      model::KifuSashite* added =
          model::Kifu::AddSashiteAtPos(at, m, 0, nullptr, -1, c.kifu->table.get(), model::KifuChooser::kFirst, true);
      if (added == nullptr) break;
      c.current = added;
      *c.kyokumen = added->to->kyokumen;
    } else if (!c.kyokumen->DoSashite(m)) {
      break;
    }
    ++answer_moves_;
  }
}

void CompCall::Post(uint32_t id, intptr_t wparam, intptr_t lparam, bool quiet) {
  for (int i = 0; i < kPostTries; ++i) {
    if (platform::post_message(view_, id, static_cast<uintptr_t>(wparam), lparam)) return;
    platform::sleep_ms(kPostRetryMs);
  }
  if (!quiet) std::fprintf(stderr, "%s\n", model::sjis_to_utf8(kPostFailedText).c_str());
}

}  // namespace app
