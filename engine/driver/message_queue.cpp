#include "engine/driver/message_queue.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "engine/bridge/position_bridge.h"

namespace driver {

namespace {

// How often one notification is tried before the message waits for the next.
constexpr int kNotifyTries = 4;

// The process's message queue. CreateGlobal and DestroyGlobal make and destroy
// it while no job runs; the jobs push from the computer thread and the user
// interface pops, and the lock keeps a push or pop from meeting a destruction
// all the same. The book job registers the position whose candidates it
// reports (book_candidate_position) and its candidate callback reads it.
struct GlobalQueue {
  platform::CriticalSection lock;
  MessageQueue* queue = nullptr;  // guarded by lock
  std::atomic<const board::KPosition*> candidate_position{nullptr};
};
GlobalQueue global_queue;

bool is_variation(int32_t type) { return type == kMessagePv || type == kMessagePvFlagged; }

}  // namespace

void MessageItem::Init(uint32_t a_word, uint32_t b_word, int32_t item_type, int32_t n, const void* data) {
  a = a_word;
  b = b_word;
  type = item_type;
  if (is_variation(item_type)) {
    Free();
    count = n < 1 || !data ? 0 : (n > kMaxEntries ? kMaxEntries : n);
    if (count > 0) std::memcpy(moves, data, sizeof(board::KMoveWord) * count);
    return;
  }
  if (item_type == kMessageBook) {
    Free();
    count = n < 1 || !data ? 0 : 1;
    if (count > 0) std::memcpy(&candidate, data, sizeof candidate);
    return;
  }
  Free();
  count = 0;
  if (data) {
    const size_t len = std::strlen(static_cast<const char*>(data));
    text = new char[len + 1];
    std::memcpy(text, data, len + 1);
  }
}

void MessageItem::Free() {
  delete[] text;
  text = nullptr;
}

MessageQueue::~MessageQueue() {
  while (MessageItem* item = Pop()) delete item;
}

int MessageQueue::CreateGlobal(platform::Mailbox* window, uint32_t msg_id) {
  auto* fresh = new MessageQueue(window, msg_id);
  MessageQueue* old;
  {
    std::lock_guard<platform::CriticalSection> lock(global_queue.lock);
    old = global_queue.queue;
    global_queue.queue = fresh;
  }
  delete old;
  return 0;
}

int MessageQueue::DestroyGlobal() {
  MessageQueue* old;
  {
    std::lock_guard<platform::CriticalSection> lock(global_queue.lock);
    old = global_queue.queue;
    global_queue.queue = nullptr;
  }
  delete old;
  return 0;
}

int MessageQueue::PushGlobal(uint32_t a, uint32_t b, int32_t type, int32_t count, const void* data) {
  auto item = std::make_unique<MessageItem>();
  item->Init(a, b, type, count, data);
  return PushItemGlobal(std::move(item));
}

int MessageQueue::PushItemGlobal(std::unique_ptr<MessageItem> item) {
  std::lock_guard<platform::CriticalSection> lock(global_queue.lock);
  if (!global_queue.queue) return 0;
  global_queue.queue->Append(item.release());
  global_queue.queue->Notify();
  return 0;
}

std::unique_ptr<MessageItem> MessageQueue::PopGlobal() {
  std::lock_guard<platform::CriticalSection> lock(global_queue.lock);
  if (!global_queue.queue) return nullptr;
  return std::unique_ptr<MessageItem>(global_queue.queue->Pop());
}

void MessageQueue::Append(MessageItem* item) {
  std::lock_guard<platform::CriticalSection> lock(lock_);
  item->next = nullptr;
  if (tail_) {
    tail_->next = item;
  } else {
    head_ = item;
  }
  tail_ = item;
}

MessageItem* MessageQueue::Pop() {
  std::lock_guard<platform::CriticalSection> lock(lock_);
  MessageItem* item = head_;
  if (!item) return nullptr;
  if (item == tail_) {
    head_ = tail_ = nullptr;
  } else {
    head_ = item->next;
  }
  item->next = nullptr;
  return item;
}

void MessageQueue::Notify() {
  for (int i = 0; i < kNotifyTries; ++i) {
    if (platform::post_message(window_, msg_id_)) return;
  }
}

MessageEntry message_entry(board::KMoveWord word) {
  const int from = board::kmove_from(word);
  const int to = board::kmove_to(word);
  const int code = board::kmove_piece(word);
  MessageEntry e{};
  e.side = (code & board::kSenteBit) ? 0 : 1;
  if (board::kmove_is_drop(word)) {
    e.from_file = 0;
    e.from_rank = static_cast<int8_t>(board::code_kind(code));
  } else {
    e.promote = board::kmove_promotes(word) ? 1 : 0;
    e.from_file = static_cast<int8_t>(board::square_file(from));
    e.from_rank = static_cast<int8_t>(board::square_rank(from));
  }
  e.to_file = static_cast<int8_t>(board::square_file(to));
  e.to_rank = static_cast<int8_t>(board::square_rank(to));
  return e;
}

int variation_moves(const MessageItem& item, const model::Kyokumen& start, model::Sashite* out) {
  if (item.type != kMessagePv && item.type != kMessagePvFlagged) return 0;
  model::Kyokumen k = start;
  int n = 0;
  for (int i = 0; i < item.count; ++i) {
    if (bridge::word_side(item.moves[i]) != k.teban) {
      k.teban = 1 - k.teban;
      continue;
    }
    model::Sashite m;
    if (bridge::word_to_sashite(m, k, item.moves[i]) != 0 || !k.DoSashite(m)) break;
    out[n++] = m;
  }
  return n;
}

int send_pv_message(int count, const uint32_t* moves, int32_t a, int flag, int32_t b, uint32_t nodes,
                    uint32_t ms) {
  board::KMoveWord kept[MessageItem::kMaxEntries];
  int n = 0;
  for (int i = 0; i < count && n < MessageItem::kMaxEntries; ++i) {
    if (board::kmove_from(moves[i]) == board::kPassSquare) continue;
    kept[n++] = moves[i];
  }
  auto item = std::make_unique<MessageItem>();
  item->Init(static_cast<uint32_t>(a), static_cast<uint32_t>(b), flag ? kMessagePvFlagged : kMessagePv, n, kept);
  item->nodes = nodes;
  item->ms = ms;
  return MessageQueue::PushItemGlobal(std::move(item));
}

int send_progress_message(uint32_t nodes, uint32_t ms) {
  auto item = std::make_unique<MessageItem>();
  item->Init(0, 0, kMessageProgress, 0, nullptr);
  item->nodes = nodes;
  item->ms = ms;
  return MessageQueue::PushItemGlobal(std::move(item));
}

void book_candidate_position(const board::KPosition* p) { global_queue.candidate_position.store(p); }

void book_candidate_message(int from_x, int from_y, int to_x, int to_y, int promote, int value) {
  const board::KPosition* p = global_queue.candidate_position.load();
  if (!p || (from_x == 0 && from_y == 0)) return;
  const bool gote = p->teban != 0;
  MessageEntry e{};
  e.side = p->teban;
  e.promote = static_cast<uint8_t>(promote);
  const bool board_move = from_x >= 1 && from_x <= 9;
  e.from_file = static_cast<int8_t>(gote && board_move ? 10 - from_x : from_x);
  e.from_rank = static_cast<int8_t>(gote && board_move ? 10 - from_y : from_y);
  e.to_file = static_cast<int8_t>(gote ? 10 - to_x : to_x);
  e.to_rank = static_cast<int8_t>(gote ? 10 - to_y : to_y);
  MessageQueue::PushGlobal(static_cast<uint32_t>(value), 0, kMessageBook, 1, &e);
}

}  // namespace driver
