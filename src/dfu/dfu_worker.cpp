#include "dfu/dfu_worker.h"

#include <utility>

#include "dfu/dfu_download.h"

namespace brisa::dfu {

DfuWorker::DfuWorker(DfuState& state, platform::Clock& clock,
                     std::function<ui::Window*()> advancedPage)
    : state_(state), clock_(clock), advancedPage_(std::move(advancedPage)) {}

void DfuWorker::pass() {
  if (state_.upgradeRequest != 0) {
    if (ui::Window* page = advancedPage_()) DfuDownload(state_, clock_, *page).run();
  }
  clock_.sleepMs(kLookIntervalMs);
}

void DfuWorker::run() {
  for (;;) {
    pass();
    // Upgrade rings with the request.
    if (state_.upgradeRequest.load(std::memory_order_acquire) == 0) state_.upgradeWake.wait();
  }
}

}  // namespace brisa::dfu
