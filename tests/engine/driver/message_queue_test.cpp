// The message queue from the engine to the view: variations as move words
// and book candidates as entries, a variation's moves on the view's position,
// text messages, the window notification, and two threads passing messages
// through it.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "engine/board/position.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/message_queue.h"
#include "tests/model/position/position_builder.h"

namespace driver {
namespace {

using board::square_of;
using model::testing::gote;

constexpr uint32_t kMsgId = 1168;

class Queue : public ::testing::Test {
 protected:
  void SetUp() override { MessageQueue::CreateGlobal(&window_, kMsgId); }
  void TearDown() override {
    MessageQueue::DestroyGlobal();
    book_candidate_position(nullptr);
  }
  platform::Mailbox window_;
};

TEST_F(Queue, VariationsKeepTwentyMovesAndSkipPasses) {
  // 25 moves of sente's rook between 2八 and 2九, the promoting one a pass apart.
  uint32_t moves[25];
  for (int i = 0; i < 25; ++i) moves[i] = square_of(2, 8 + i % 2) | square_of(2, 9 - i % 2) << 8 | 0x21u << 16;
  moves[1] = 253;
  moves[2] = square_of(2, 8) | square_of(2, 3) << 8 | 0x21u << 16 | 0x47u << 23 | 1u << 30;
  send_pv_message(25, moves, -120, 0, 6, 5000, 42);
  std::unique_ptr<MessageItem> item = MessageQueue::PopGlobal();
  ASSERT_TRUE(item);
  EXPECT_EQ(std::vector<int64_t>({item->type, item->count, static_cast<int32_t>(item->a), item->b, item->nodes, item->ms}),
            std::vector<int64_t>({kMessagePv, 20, -120, 6, 5000, 42}));
  const MessageEntry promoting = message_entry(item->moves[1]);
  EXPECT_EQ(std::vector<int>({promoting.side, promoting.promote, promoting.to_file, promoting.to_rank}),
            std::vector<int>({0, 1, 2, 3}));
  EXPECT_FALSE(MessageQueue::PopGlobal());  // popping the only message empties the queue

  // All passes: an empty message, flagged here; a gote drop keeps its kind.
  const uint32_t passes[3] = {253, 253, 253};
  send_pv_message(3, passes, 32766, 1, 9999, 0, 0);
  const uint32_t drop = board::kInHand | square_of(5, 5) << 8 | 0x47u << 16;
  send_pv_message(1, &drop, 0, 0, 1, 0, 0);
  item = MessageQueue::PopGlobal();
  EXPECT_EQ(item->type, kMessagePvFlagged);
  EXPECT_EQ(item->count, 0);
  item = MessageQueue::PopGlobal();
  ASSERT_EQ(item->count, 1);
  const MessageEntry dropped = message_entry(item->moves[0]);
  EXPECT_EQ(std::vector<int>({dropped.side, dropped.from_file, dropped.from_rank}),
            std::vector<int>({1, 0, board::kPawn}));
  EXPECT_EQ(window_.Size(), 3u);  // one notification per message
}

TEST_F(Queue, AVariationIsReplayedFromThePositionThoughtAbout) {
  // 7g7f 3c3d 8h2b+ from the start: each move completed on the position
  // before it; a move that does not play there ends the line.
  const model::Kyokumen k = model::testing::initial(model::kHirate);
  const uint32_t line[4] = {
      board::kmove_pack(square_of(7, 7), square_of(7, 6), 0x27, 0, 0),
      board::kmove_pack(square_of(3, 3), square_of(3, 4), 0x47, 0, 0),
      board::kmove_pack(square_of(8, 8), square_of(2, 2), 0x22, 0x42, 1),
      board::kmove_pack(square_of(5, 5), square_of(5, 4), 0x47, 0, 0),  // gote: nothing on 5e
  };
  send_pv_message(4, line, 100, 0, 3, 0, 0);
  std::unique_ptr<MessageItem> item = MessageQueue::PopGlobal();
  ASSERT_TRUE(item);
  model::Sashite moves[MessageItem::kMaxEntries];
  ASSERT_EQ(variation_moves(*item, k, moves), 3);
  EXPECT_EQ(moves[0], model::Sashite(7, 7, 7, 6, model::kFu, model::kEmpty, 0, 0));
  EXPECT_EQ(moves[1], model::Sashite(3, 3, 3, 4, gote(model::kFu), model::kEmpty, 0, 0));
  EXPECT_EQ(moves[2], model::Sashite(8, 8, 2, 2, model::kKaku, gote(model::kKaku), 1, 0));
}

TEST_F(Queue, BookCandidatesAreShownFromTheBoardsView) {
  book_candidate_message(2, 8, 2, 6, 0, 7);  // no position registered
  EXPECT_FALSE(MessageQueue::PopGlobal());
  board::KPosition p;
  model::Kyokumen k = model::testing::initial(model::kHirate);
  k.teban = 1;
  ASSERT_EQ(bridge::position_load(p, k), 0);
  book_candidate_position(&p);
  book_candidate_message(2, 8, 2, 6, 0, 7);
  book_candidate_message(0, 0, 5, 5, 0, 1);  // no move
  book_candidate_message(11, 7, 5, 4, 0, 2);  // not a board square: only the target turns
  std::unique_ptr<MessageItem> item = MessageQueue::PopGlobal();
  ASSERT_TRUE(item);
  EXPECT_EQ(item->type, kMessageBook);
  EXPECT_EQ(item->a, 7u);
  const MessageEntry& e = item->candidate;
  EXPECT_EQ(e.side, 1);
  EXPECT_EQ(std::vector<int>({e.from_file, e.from_rank, e.to_file, e.to_rank}), std::vector<int>({8, 2, 8, 4}));
  item = MessageQueue::PopGlobal();
  const MessageEntry& d = item->candidate;
  EXPECT_EQ(std::vector<int>({d.from_file, d.from_rank, d.to_file, d.to_rank}), std::vector<int>({11, 7, 5, 6}));
  EXPECT_FALSE(MessageQueue::PopGlobal());
}

TEST_F(Queue, TextsAreCopiedAndNothingIsKeptWithoutAQueue) {
  char text[] = "詰みなし";
  MessageQueue::PushGlobal(0, 0, 2, 5, text);
  text[0] = 'x';
  std::unique_ptr<MessageItem> item = MessageQueue::PopGlobal();
  ASSERT_TRUE(item && item->text);
  EXPECT_STREQ(item->text, "詰みなし");
  EXPECT_EQ(item->count, 0);

  // A full mailbox loses the notification, not the message.
  platform::Mailbox tiny(1);
  MessageQueue::CreateGlobal(&tiny, kMsgId);
  MessageQueue::PushGlobal(1, 0, kMessagePv, 0, nullptr);
  MessageQueue::PushGlobal(2, 0, kMessagePv, 0, nullptr);
  EXPECT_EQ(tiny.Size(), 1u);
  EXPECT_EQ(MessageQueue::PopGlobal()->a, 1u);
  EXPECT_EQ(MessageQueue::PopGlobal()->a, 2u);

  MessageQueue::PushGlobal(3, 0, kMessagePv, 0, nullptr);  // left for the destruction to free
  MessageQueue::DestroyGlobal();
  MessageQueue::PushGlobal(4, 0, kMessagePv, 0, nullptr);
  EXPECT_FALSE(MessageQueue::PopGlobal());
}

TEST_F(Queue, ProgressReportsCarryNodesAndTimeOnly) {
  send_progress_message(123456, 2001);
  std::unique_ptr<MessageItem> item = MessageQueue::PopGlobal();
  ASSERT_TRUE(item);
  EXPECT_EQ(item->type, kMessageProgress);
  EXPECT_EQ(item->nodes, 123456u);
  EXPECT_EQ(item->ms, 2001u);
  EXPECT_EQ(item->count, 0);
  EXPECT_EQ(item->text, nullptr);
}

TEST_F(Queue, TwoThreadsPassMessagesInOrder) {
  constexpr uint32_t kMessages = 100000;
  std::thread engine([] {
    for (uint32_t i = 0; i < kMessages; ++i) {
      const uint32_t word = square_of(7, 7) | square_of(7, 6) << 8 | 0x27u << 16;
      send_pv_message(1, &word, static_cast<int32_t>(i), 0, 1, i, 0);
    }
  });
  uint32_t received = 0;
  bool in_order = true;
  while (received < kMessages) {
    std::unique_ptr<MessageItem> item = MessageQueue::PopGlobal();
    if (!item) {
      platform::WindowMessage m;
      window_.Wait(m, 1);
      continue;
    }
    in_order = in_order && item->a == received && item->nodes == received && item->count == 1;
    ++received;
  }
  engine.join();
  EXPECT_TRUE(in_order);
  EXPECT_FALSE(MessageQueue::PopGlobal());
}

}  // namespace
}  // namespace driver
