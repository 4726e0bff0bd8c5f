#pragma once

#include <functional>

#include "dfu/dfu_state.h"
#include "platform/clock.h"
#include "ui/window.h"

namespace brisa::dfu {

// The firmware-download worker: looks at the upgrade request every 30 ms and runs one
// download for each time it finds it raised.
class DfuWorker {
 public:
  static constexpr std::uint32_t kLookIntervalMs = 30;

  // advancedPage finds the "Advanced" page when a download starts; null while there is none.
  DfuWorker(DfuState& state, platform::Clock& clock, std::function<ui::Window*()> advancedPage);

  // One look at the request, a download when it is raised, then the 30 ms wait.
  void pass();
  // Passes; between them sleeps until the request is raised.
  [[noreturn]] void run();

 private:
  DfuState& state_;
  platform::Clock& clock_;
  std::function<ui::Window*()> advancedPage_;
};

}  // namespace brisa::dfu
