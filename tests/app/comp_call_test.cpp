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

// Waits for a message `id` to the view, dropping the others.
bool wait_for(platform::Mailbox& view, uint32_t id) {
  const uint32_t start = platform::tick_ms();
  platform::WindowMessage m;
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
  EXPECT_EQ(comp_.Command(kCmdBenchmark), kDoneNotBuilt);
  for (int command : {kCmdThink, kCmdTsumeAnswer, kCmdTsumeSolve, kCmdTsumeTree, kCmdCompose}) {
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

}  // namespace
}  // namespace app
