#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/hid_device.h"

namespace brisa::board {

// Lets go of the handles of boards that are no longer selected, on a thread of its own. Closing
// a node waits for a request in progress on it, seconds on a board that stopped answering,
// which neither the window nor a holder of the board lock may do. A worker that still holds a
// share closes the handle itself when its call returns.
class HandleCloser {
 public:
  HandleCloser() = default;
  // Lets go of what is left, then ends the thread.
  ~HandleCloser();
  HandleCloser(const HandleCloser&) = delete;
  HandleCloser& operator=(const HandleCloser&) = delete;

  void close(std::shared_ptr<platform::HidDevice> handle);
  // Until every handle given so far has been let go of.
  void waitUntilIdle();

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::shared_ptr<platform::HidDevice>> queue_;
  bool closing_ = false;  // the thread is letting go of a handle taken from the queue
  bool stopping_ = false;
  std::thread thread_;  // started with the first handle
};

}  // namespace brisa::board
