// The computer thread behind CompCall: each request's job runs on the thread
// and the computer's move comes back as a message to the view's mailbox.
#include <gtest/gtest.h>

#include "app/comp_call.h"
#include "engine/board/position.h"
#include "engine/driver/message_queue.h"
#include "engine/driver/think_state.h"
#include "model/record/kifu_holder.h"
#include "platform/clock.h"
#include "tests/model/position/position_builder.h"

namespace app {
namespace {

// A loaded machine may be slow: no test waits this long when it passes.
constexpr uint32_t kPatienceMs = 60000;

// Waits for a message `id` to the view (kept in `out` when given), dropping the others.
bool wait_for(platform::Mailbox& view, uint32_t id, platform::WindowMessage* out = nullptr) {
  const uint32_t start = platform::tick_ms();
  platform::WindowMessage own;
  platform::WindowMessage& m = out != nullptr ? *out : own;
  while (platform::tick_elapsed(start, platform::tick_ms()) < kPatienceMs) {
    if (view.Wait(m, 50) && m.id == id) return true;
  }
  return false;
}

bool wait_for_state(uint32_t state) {
  const uint32_t start = platform::tick_ms();
  while (platform::tick_elapsed(start, platform::tick_ms()) < kPatienceMs) {
    if (driver::think_state_get() == state) return true;
    platform::sleep_ms(5);
  }
  return false;
}

// The opponent's predicted reply, ７六歩, as a move word.
constexpr uint32_t kPawn76 = board::square_of(7, 7) | board::square_of(7, 6) << 8 | 0x27u << 16;

class ComputerThread : public ::testing::Test {
 protected:
  ComputerThread() : comp_(&view_) { comp_.GameInit(0, 0, false); }

  // The opponent plays ７六歩 in the record.
  void PlayPawn76() {
    ASSERT_TRUE(record_.kifu.AddSashite(0, model::testing::move(record_.kyokumen, 7, 7, 7, 6), 0, nullptr, -1, 0));
    record_.SetCurrent(record_.kifu.NodeAtTesu(1));
  }

  // The computer's move is an ordinary move of the record's position.
  ::testing::AssertionResult MovePlayable() {
    model::Sashite m = comp_.job().result_move;
    model::Kyokumen k = record_.kyokumen;
    if (m.special != model::kOrdinaryMove || !k.CompleteSashite(m) || !k.DoSashite(m)) {
      return ::testing::AssertionFailure() << "special " << int{m.special};
    }
    return ::testing::AssertionSuccess();
  }

  platform::Mailbox view_;
  CompCall comp_;
  model::KifuHolder record_;  // the even game at its start
};

TEST_F(ComputerThread, AThinkOnALongRecordAnswersItsLastPosition) {
  // The kings walk to and fro for 40,001 moves (made here), sente's last to
  // 5八: gote to move. The think's copy of the line grows by one step a move.
  const model::Sashite walk[4] = {model::Sashite(5, 9, 5, 8, 0, 0, 0, 0), model::Sashite(5, 1, 5, 2, 0, 0, 0, 0),
                                  model::Sashite(5, 8, 5, 9, 0, 0, 0, 0), model::Sashite(5, 2, 5, 1, 0, 0, 0, 0)};
  record_.kifu.Reset(model::kHirate);
  model::KifuSashite* at = record_.kifu.root.get();
  constexpr int kMoves = 40001;
  for (int i = 0; i < kMoves; ++i) {
    model::Sashite m = walk[i % 4];
    ASSERT_TRUE(at->to->kyokumen.CompleteSashite(m));
    at = model::Kifu::AddSashiteAtPos(at->to, m, 0, nullptr, -1, record_.kifu.table.get(), model::KifuChooser::kNever,
                                      true);
    ASSERT_NE(at, nullptr);
  }
  record_.SetCurrent(at);
  ASSERT_EQ(record_.kyokumen.teban, 1);
  comp_.ChubanDepth(record_, 2, 0, 0, 0);
  ASSERT_TRUE(wait_for(view_, kMsgComputerMove));
  EXPECT_TRUE(MovePlayable());
  driver::MessageQueue::DestroyGlobal();
}

TEST_F(ComputerThread, AThinkPostsItsMoveAndItsVariations) {
  comp_.ChubanDepth(record_, 3, 0, 0, 0);
  ASSERT_TRUE(wait_for(view_, kMsgComputerMove));
  EXPECT_TRUE(MovePlayable());
  EXPECT_EQ(driver::think_state_get(), driver::kThinkIdle);
  int variations = 0;
  while (driver::MessageQueue::PopGlobal()) ++variations;
  EXPECT_GE(variations, 1);  // each new best line of depth 3
  driver::MessageQueue::DestroyGlobal();

  EXPECT_EQ(comp_.Command(kCmdGameExit), kDoneGameExit);
  EXPECT_EQ(comp_.Command(kCmdStop), kDoneStop);
  EXPECT_EQ(comp_.Command(kCmdTsumeFree), kDoneTsumeFree);
  for (int command : {kCmdThink, kCmdTsumeAnswer, kCmdTsumeSolve, kCmdTsumeTree, kCmdCompose, kCmdBenchmark}) {
    EXPECT_EQ(comp_.Command(command), kDoneRefused) << command;
  }
  // The mate-match move has no mate solver yet: it resigns.
  comp_.Kelmor(record_, 3);
  ASSERT_TRUE(wait_for(view_, kMsgComputerMove));
  EXPECT_EQ(comp_.job().result_move.special, model::kToryo);
}

TEST_F(ComputerThread, AStoppedThinkAnswersChudan) {
  comp_.Chuban(record_, 0, 0, 0, 16);  // no time limit: it runs until stopped
  comp_.Stop();
  ASSERT_TRUE(wait_for(view_, kMsgComputerMove));
  EXPECT_EQ(comp_.job().result_move.special, model::kChudan);
  EXPECT_EQ(driver::think_state_get(), driver::kThinkIdle);
}

// A think request while a think (not a ponder) runs waits for it: the running
// think is not stopped, its move is an ordinary one.
TEST_F(ComputerThread, AThinkRequestedWhileAnotherRunsLetsItFinish) {
  comp_.Chuban(record_, 0, 0, 0, 4);
  comp_.Chuban(record_, 0, 0, 0, 16);  // returns once the first has finished; runs until stopped
  EXPECT_TRUE(MovePlayable());
  comp_.Stop();
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(wait_for(view_, kMsgComputerMove));
  EXPECT_EQ(comp_.job().result_move.special, model::kChudan);
}

TEST_F(ComputerThread, APonderOnThePlayedMoveBecomesTheThink) {
  comp_.job().max_depth = 16;  // a ponder that never ends by itself
  comp_.job().time_b = 150;    // 1.5 s (a limit of 0.8 s) once it is the think
  ASSERT_TRUE(comp_.Sakiyomi(record_, kPawn76));
  EXPECT_FALSE(comp_.Sakiyomi(record_, kPawn76));  // one think at a time
  PlayPawn76();
  // A think of its own would take five minutes: the move comes from the ponder.
  comp_.Chuban(record_, 0, 30000, 0, 16);
  ASSERT_TRUE(wait_for(view_, kMsgComputerMove));
  EXPECT_TRUE(MovePlayable());
  EXPECT_EQ(driver::think_state_get(), driver::kThinkIdle);
}

TEST_F(ComputerThread, AFinishedPonderIsDeliveredAfterAPause) {
  comp_.job().max_depth = 1;  // the ponder ends by itself after three iterations
  ASSERT_TRUE(comp_.Sakiyomi(record_, kPawn76));
  ASSERT_TRUE(wait_for_state(driver::kThinkPonderKept));
  const model::Sashite kept = comp_.job().result_move;
  PlayPawn76();
  const uint32_t asked = platform::tick_ms();
  comp_.Chuban(record_, 0, 30, 0, 16);
  ASSERT_TRUE(wait_for(view_, kMsgComputerMove));
  EXPECT_GE(platform::tick_elapsed(asked, platform::tick_ms()), kDeliverPauseMs);
  EXPECT_EQ(comp_.job().result_move, kept);
  EXPECT_TRUE(MovePlayable());
}

TEST_F(ComputerThread, MateSolvesByModeAndPostsTheResult) {
  // ５二金打 is the only mate. Time 0 stands for no limit (0 ms would stop the solve).
  model::Kyokumen k = model::testing::empty_position();
  model::testing::put(k, 5, 1, model::testing::gote(model::kOu));
  model::testing::put(k, 5, 3, model::kKin);
  k.mochigoma[0][model::kKin] = 1;
  // Modes 0 and 1 free the solver, 2 keeps it for mode 3 (another line), any other frees it.
  const int steps[][2] = {{0, 1}, {3, -4}, {1, 1}, {3, -4}, {2, 1}, {3, -5}, {4, 0}, {3, -4}};
  for (const auto& [mode, result] : steps) {
    comp_.Tsume(k, 0, 0, mode);
    platform::WindowMessage m;
    ASSERT_TRUE(wait_for(view_, kMsgTsumeResult, &m));
    EXPECT_EQ(static_cast<int>(static_cast<intptr_t>(m.wparam)), result) << "mode " << mode;
  }
}

// A ponder stopped through SakiyomiStop ends before the call returns and posts
// no move; a depth think asked for while a ponder runs stops it the same way,
// and only the think's move comes.
TEST_F(ComputerThread, AStoppedPonderPostsNothing) {
  comp_.job().max_depth = 16;  // a ponder that never ends by itself
  ASSERT_TRUE(comp_.Sakiyomi(record_, kPawn76));
  ASSERT_TRUE(wait_for_state(driver::kThinkPondering));
  comp_.SakiyomiStop();
  EXPECT_EQ(driver::think_state_get(), driver::kThinkIdle);
  platform::WindowMessage m;
  EXPECT_FALSE(view_.Wait(m, 200)) << m.id;

  ASSERT_TRUE(comp_.Sakiyomi(record_, kPawn76));
  ASSERT_TRUE(wait_for_state(driver::kThinkPondering));
  comp_.ChubanDepth(record_, 2, 0, 0, 0);
  ASSERT_TRUE(wait_for(view_, kMsgComputerMove));
  EXPECT_TRUE(MovePlayable());
  EXPECT_EQ(driver::think_state_get(), driver::kThinkIdle);
  while (view_.Wait(m, 200)) EXPECT_NE(m.id, kMsgComputerMove);
  driver::MessageQueue::DestroyGlobal();
}

// GameExit frees the game's problem-solving mate instance; the benchmark runs
// in a game opened with one and closes it, posting its milliseconds.
TEST_F(ComputerThread, GameExitAndTheBenchmarkCloseTheGame) {
  comp_.GameInit(0, 0, true);
  EXPECT_EQ(comp_.job().ktsume_open, 1);
  comp_.GameExit();
  EXPECT_EQ(comp_.job().ktsume_open, 0);
  comp_.GameInit(0, 0, true);
  const uint32_t asked = platform::tick_ms();
  comp_.Benchmark();
  platform::WindowMessage m;
  ASSERT_TRUE(wait_for(view_, kMsgBenchmark, &m));
  EXPECT_LE(static_cast<uint32_t>(m.wparam), platform::tick_elapsed(asked, platform::tick_ms()));
  EXPECT_EQ(comp_.job().ktsume_open, 0);
}

}  // namespace
}  // namespace app
