#include "dfu/dfuse_commands.h"

#include <array>
#include <cstdio>

#include "dfu/dfuse_memory_layout.h"
#include "dfu/poll_budget.h"

namespace brisa::dfu {

int DfuseSpecialCommand(DfuLink& link, std::uint32_t address, DfuseCommand command) {
  if (command == DfuseCommand::ERASE_PAGE) {
    const DfuseSegment* segment = DfuseFindSegment(link.state.pDfuseSegments, address);
    if (segment == nullptr) return platform::kUsbErrorInvalidParam;
    link.state.dfuseLastErasedPage = address & ~(segment->pageSize - 1u);
  }
  std::array<std::uint8_t, 5> block = {
      static_cast<std::uint8_t>(command), static_cast<std::uint8_t>(address),
      static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address >> 16),
      static_cast<std::uint8_t>(address >> 24)};
  const int sent =
      DfuRequest(link, kDfuRequestTypeOut, kDfuRequestDnload, 0, block.data(), block.size());
  if (sent < 0) return sent;

  PollBudget budget(link.clock);
  for (bool first = true;; first = false) {
    DfuStatus status;
    const int result = DfuGetStatus(link, status);
    if (result < 0) return result;
    if (first && status.bState != kStateDnbusy) {
      std::printf("state(%u) = %s, status(%u) = %s\n", unsigned{status.bState},
                  DfuStateNameOrUnknown(status.bState), unsigned{status.bStatus},
                  DfuStatusText(status.bStatus));
      return -1;
    }
    budget.wait(status.bwPollTimeout);
    if (status.bState != kStateDnbusy) return status.bStatus != 0 ? -1 : result;
    if (budget.exhausted()) return platform::kUsbErrorTimeout;
  }
}

}  // namespace brisa::dfu
