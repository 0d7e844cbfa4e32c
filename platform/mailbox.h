// A window's message queue as the program's threads see it: any thread posts a
// small message, the window's owner waits for the next one. Stands in for the
// posted window messages through which the computer thread and the engine's
// message queue wake the view.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

namespace platform {

struct WindowMessage {
  uint32_t id = 0;
  uintptr_t wparam = 0;
  intptr_t lparam = 0;
};

class Mailbox {
 public:
  // A window's queue is bounded, as a desktop's is: a post to a full mailbox fails.
  static constexpr size_t kDefaultCapacity = 10000;

  explicit Mailbox(size_t capacity = kDefaultCapacity) : capacity_(capacity) {}
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;

  // Appends a message; false when the mailbox already holds `capacity` messages.
  bool Post(uint32_t id, uintptr_t wparam, intptr_t lparam);
  // Takes the oldest message, waiting up to `timeout_ms` for one to arrive;
  // false when none came.
  bool Wait(WindowMessage& out, uint32_t timeout_ms);
  // Messages waiting.
  size_t Size() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<WindowMessage> messages_;
  size_t capacity_;
};

// Posts to a window: false when there is no window or its mailbox is full.
bool post_message(Mailbox* window, uint32_t id, uintptr_t wparam = 0, intptr_t lparam = 0);

}  // namespace platform
