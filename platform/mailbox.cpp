#include "platform/mailbox.h"

namespace platform {

bool Mailbox::Post(uint32_t id, uintptr_t wparam, intptr_t lparam) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (messages_.size() >= capacity_) return false;
    messages_.push_back(WindowMessage{id, wparam, lparam});
  }
  arrived_.notify_one();
  return true;
}

bool Mailbox::Wait(WindowMessage& out, uint32_t timeout_ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!arrived_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return !messages_.empty(); })) {
    return false;
  }
  out = messages_.front();
  messages_.pop_front();
  return true;
}

size_t Mailbox::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_.size();
}

bool post_message(Mailbox* window, uint32_t id, uintptr_t wparam, intptr_t lparam) {
  return window != nullptr && window->Post(id, wparam, lparam);
}

}  // namespace platform
