#include "board/handle_closer.h"

#include <system_error>
#include <utility>

namespace brisa::board {

HandleCloser::~HandleCloser() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void HandleCloser::close(std::shared_ptr<platform::HidDevice> handle) {
  if (!handle) return;
  {
    std::lock_guard lock(mutex_);
    if (!thread_.joinable()) {
      try {
        thread_ = std::thread([this] { run(); });
      } catch (const std::system_error&) {
        // No thread to be had: closing here, late, beats never closing.
      }
    }
    if (thread_.joinable()) {
      queue_.push_back(std::move(handle));
      handle.reset();
    }
  }
  changed_.notify_all();
  handle.reset();
}

void HandleCloser::waitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !closing_; });
}

void HandleCloser::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    std::vector<std::shared_ptr<platform::HidDevice>> handles;
    handles.swap(queue_);
    closing_ = true;
    lock.unlock();
    handles.clear();
    lock.lock();
    closing_ = false;
    changed_.notify_all();
  }
}

}  // namespace brisa::board
