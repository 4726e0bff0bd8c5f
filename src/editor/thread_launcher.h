#pragma once

#include <functional>

namespace brisa::editor {

// Starts the long-lived worker threads; a seam so a test can refuse a start.
class ThreadLauncher {
 public:
  virtual ~ThreadLauncher() = default;
  // Runs body on a new thread that is never joined; 0 on success, else the system's error code.
  virtual int launch(std::function<void()> body) = 0;
};

class StdThreadLauncher final : public ThreadLauncher {
 public:
  int launch(std::function<void()> body) override;
};

}  // namespace brisa::editor
