// The download's two passes over the image: erase every page it covers, then write it chunk by
// chunk, each followed by the status polling that tells whether the bootloader took it.
#include <algorithm>
#include <cerrno>

#include "dfu/dfu_download.h"
#include "dfu/dfuse_commands.h"
#include "dfu/download_constants.h"
#include "dfu/poll_budget.h"
#include "dfu/text_format.h"

namespace brisa::dfu {
namespace {

constexpr std::uint16_t kFirstDataBlock = 2;
constexpr std::uint32_t kStallRetryMs = 50;
constexpr unsigned kMaxStalls = 16;

}  // namespace

bool DfuDownload::erasePass() {
  for (std::int64_t offset = 0; offset < size_; offset += transferSize_) {
    const auto address = static_cast<std::uint32_t>(kDownloadAddress + offset);
    const DfuseSegment* segment = WriteableSegmentAt(state_.pDfuseSegments, address);
    if (segment == nullptr) {
      AppendUpgradeLog(Printf("Page at 0x%08x is not writeable\r\n", address));
      return false;
    }
    const auto length =
        static_cast<std::uint32_t>(std::min<std::int64_t>(transferSize_, size_ - offset));
    if ((segment->memType & kMemErasable) != 0) {
      // A page size of 0 (a layout that says so) still moves on, one byte at a time.
      const std::uint64_t step = std::max<std::uint32_t>(segment->pageSize, 1);
      for (std::uint64_t a = address; a < std::uint64_t{address} + length; a += step) {
        if (!erasePageOf(static_cast<std::uint32_t>(a), *segment)) return false;
      }
      if (!erasePageOf(address + length - 1u, *segment)) return false;
    }
    setProgress((offset + transferSize_) / transferSize_);
  }
  return true;
}

// Erases the page holding the address unless the last erase named it already.
bool DfuDownload::erasePageOf(std::uint32_t address, const DfuseSegment& segment) {
  if ((address & ~(segment.pageSize - 1u)) == state_.dfuseLastErasedPage) return true;
  AppendUpgradeLog(Printf("Erasing page at 0x%08x...\r\n", address));
  const int result = DfuseSpecialCommand(*link_, address, DfuseCommand::ERASE_PAGE);
  if (result < 0) {
    // Writing over a page that kept its old contents would report success over garbage.
    AppendUpgradeLog(Printf("Erasing page at 0x%08x failed: %d\r\n", address, result));
    AppendUpgradeLog("Error during download\r\n");
    return false;
  }
  return true;
}

bool DfuDownload::writePass() {
  for (std::int64_t offset = 0; offset < size_; offset += transferSize_) {
    const auto length =
        static_cast<std::uint32_t>(std::min<std::int64_t>(transferSize_, size_ - offset));
    if (!writeChunk(offset, length)) return false;
    setProgress((size_ + offset + transferSize_) / transferSize_);
  }
  return true;
}

bool DfuDownload::writeChunk(std::int64_t offset, std::uint32_t length) {
  const auto address = static_cast<std::uint32_t>(kDownloadAddress + offset);
  errno = 0;
  int result = DfuseSpecialCommand(*link_, address, DfuseCommand::SET_ADDRESS);
  if (result < 0) {
    AppendUpgradeLog(Printf(
        "libusb_control_transfer(SET_ADDRESS) returned %d (GetLastError=%d)!\r\n", result, errno));
    AppendUpgradeLog("Error during download\r\n");
    return false;
  }
  AppendUpgradeLog(Printf("Writing page at 0x%08x...\r\n", address));
  errno = 0;
  result = DfuRequest(*link_, kDfuRequestTypeOut, kDfuRequestDnload, kFirstDataBlock,
                      image_.data() + offset, static_cast<std::uint16_t>(length));
  if (result < 0) {
    AppendUpgradeLog(Printf(
        "libusb_control_transfer(DFU_DNLOAD) returned %d (GetLastError=%d)!\r\n", result, errno));
    AppendUpgradeLog("Error during download\r\n");
    return false;
  }
  const std::optional<DfuStatus> status = pollChunk();
  if (!status) return false;
  // dfuERROR is a failure whatever status byte came with it.
  if (status->bStatus != 0 || status->bState == kStateDfuError) {
    AppendUpgradeLog("\tfailed!\r\n");
    AppendUpgradeLog(Printf("state(%u) = %s, status(%u) = %s\r\n", unsigned{status->bState},
                            DfuStateNameOrUnknown(status->bState), unsigned{status->bStatus},
                            DfuStatusText(status->bStatus)));
    return false;
  }
  if (static_cast<std::uint32_t>(result) != length) {
    AppendUpgradeLog(
        Printf("Failed to write whole chunk: %i of %i bytes", result, static_cast<int>(length)));
    return false;
  }
  return true;
}

std::optional<DfuStatus> DfuDownload::pollChunk() {
  PollBudget budget(clock_);
  unsigned stalls = 0;
  std::uint32_t lastPollTimeout = 0;
  for (;;) {
    DfuStatus status;
    const int result = DfuGetStatus(*link_, status);
    if (result < 0) {
      // A bootloader busy writing may stall the status request after asking for a wait.
      if (lastPollTimeout != 0 && result == platform::kUsbErrorPipe) {
        if (++stalls > kMaxStalls) {
          AppendUpgradeLog("Device stalled after download");
          return std::nullopt;
        }
        clock_.sleepMs(kStallRetryMs);
        continue;
      }
      AppendUpgradeLog("Error during download get_status");
      return std::nullopt;
    }
    lastPollTimeout = status.bwPollTimeout;
    budget.wait(lastPollTimeout);
    if (status.bState == kStateDnloadIdle || status.bState == kStateDfuError) return status;
    if (status.bState == kStateManifest) {
      AppendUpgradeLog("Transitioning to dfuMANIFEST state\r\n");
      return status;
    }
    if (budget.exhausted()) {
      AppendUpgradeLog(
          Printf("Device stuck in state %s, giving up\r\n", DfuStateNameOrUnknown(status.bState)));
      return std::nullopt;
    }
  }
}

}  // namespace brisa::dfu
