// The download's preparation: the image, the interface, the bootloader's state, the transfer
// size and the memory layout, each checked before anything is erased.
#include "dfu/dfu_download.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "dfu/dfuse_options.h"
#include "dfu/download_constants.h"
#include "dfu/image_file.h"
#include "dfu/poll_budget.h"
#include "dfu/text_format.h"
#include "resources/resource_ids.h"

namespace brisa::dfu {
namespace {

namespace ids = res::advanced;

}  // namespace

DfuDownload::DfuDownload(DfuState& state, platform::Clock& clock, ui::Window& page)
    : state_(state), clock_(clock), page_(page) {}

void DfuDownload::run() {
  const bool done = start() && load() && claim() && recoverStatus() && setTransferSize() &&
                    parseLayout() && checkTarget() && readImage() && erasePass() && writePass();
  if (done) {
    AppendUpgradeLog("File downloaded successfully!!!\r\n");
    AppendUpgradeLog("\r\nUPGRADE FINISHED...\r\n");
  }
  image_.clear();
  image_.shrink_to_fit();
  imageFile_ = std::nullopt;
  page_.setEnabled(ids::kUpgradeButton, true);
  state_.upgradeRequest = 0;
}

void DfuDownload::AppendUpgradeLog(const std::string& text) {
  page_.appendText(ids::kLogEdit, text);
}

void DfuDownload::setProgress(std::int64_t position) {
  page_.setPosition(ids::kProgressBar,
                    static_cast<int>(std::min<std::int64_t>(position, INT32_MAX)));
}

bool DfuDownload::start() {
  page_.setEnabled(ids::kUpgradeButton, false);
  page_.setText(ids::kLogEdit, "");
  AppendUpgradeLog("\r\nUPGRADE STARTED...\r\n");
  if (state_.pUsbContext == nullptr || state_.pDfuHandle == nullptr ||
      state_.pDfuInterfaces.empty()) {
    AppendUpgradeLog("No DFU bootloader is open\r\n");
    return false;
  }
  link_.emplace(DfuLink{state_, *state_.pUsbContext, clock_});
  // A page erased by an earlier download may have been written since.
  state_.dfuseLastErasedPage = 1;
  AppendUpgradeLog(Printf("ID %04x:%04x\r\nRun-time device DFU version %04x\r\n", head().vendorId,
                          head().productId, head().functionalDescriptor.bcdDFUVersion));
  return true;
}

// Only the image's size is taken here: the file is read once the size is known to fit.
bool DfuDownload::load() {
  imagePath_ = page_.text(ids::kFirmwarePathEdit);
  switch (imageFile_.emplace().open(imagePath_)) {
    case ImageLoad::kLoaded:
      size_ = imageFile_->size();
      return true;
    case ImageLoad::kTooLarge:
      AppendUpgradeLog(Printf("File \"%s\" is too large to download\r\n", imagePath_.c_str()));
      return false;
    case ImageLoad::kEmpty:
      // Nothing to write: the bootloader is not even claimed.
      AppendUpgradeLog(Printf("File \"%s\" is empty\r\n", imagePath_.c_str()));
      return false;
    case ImageLoad::kCannotLoad:
      break;
  }
  AppendUpgradeLog(Printf("Cannot load file \"%s\"!!!\r\n", imagePath_.c_str()));
  return false;
}

bool DfuDownload::readImage() {
  if (imageFile_->read(image_)) return true;
  AppendUpgradeLog(Printf("Cannot load file \"%s\"!!!\r\n", imagePath_.c_str()));
  return false;
}

bool DfuDownload::claim() {
  platform::Usb& usb = link_->usb;
  AppendUpgradeLog("Claiming USB DFU Runtime Interface...\r\n");
  head().deviceHandle = state_.pDfuHandle;
  const int interfaceNumber = head().interfaceNumber;
  int result = usb.claimInterface(head().deviceHandle, interfaceNumber);
  if (result < 0) {
    AppendUpgradeLog(
        Printf("Cannot claim interface %d: %s\r\n", interfaceNumber, usb.errorName(result)));
    return false;
  }
  result = usb.setInterfaceAltSetting(head().deviceHandle, interfaceNumber, 0);
  if (result < 0) {
    AppendUpgradeLog(Printf("Cannot set alt interface zero: %s\r\n", usb.errorName(result)));
    return false;
  }
  return true;
}

// Brings the bootloader to dfuIDLE from an error or an unfinished transfer, then checks that
// it reports no error.
bool DfuDownload::recoverStatus() {
  PollBudget budget(clock_);
  DfuStatus status;
  for (;;) {
    AppendUpgradeLog("Determining device status: ");
    DfuGetStatus(*link_, status);
    AppendUpgradeLog(Printf("state = %s, status = %d\r\n", DfuStateNameOrUnknown(status.bState),
                            status.bStatus));
    budget.wait(4ull * status.bwPollTimeout);
    switch (status.bState) {
      case kStateAppIdle:
      case kStateAppDetach:
        AppendUpgradeLog("Device still in Runtime Mode!\r\n");
        return false;
      case kStateDfuError:
        AppendUpgradeLog("dfuERROR, clearing status\r\n");
        if (DfuClearStatus(*link_) < 0) {
          AppendUpgradeLog("error clear_status\r\n");
          return false;
        }
        break;
      case kStateDnloadIdle:
      case kStateUploadIdle:
        AppendUpgradeLog("aborting previous incomplete transfer\r\n");
        if (DfuAbort(*link_) < 0) {
          AppendUpgradeLog("can't send DFU_ABORT\r\n");
          return false;
        }
        break;
      case kStateDfuIdle:
        AppendUpgradeLog("dfuIDLE, continuing\r\n");
        return checkStatus(status.bStatus);
      default:
        return checkStatus(status.bStatus);
    }
    if (budget.exhausted()) {
      AppendUpgradeLog(
          Printf("Device stuck in state %s, giving up\r\n", DfuStateNameOrUnknown(status.bState)));
      return false;
    }
  }
}

bool DfuDownload::checkStatus(std::uint8_t lastStatus) {
  if (lastStatus == 0) return true;
  AppendUpgradeLog(Printf("WARNING: DFU Status: '%s'\r\n", DfuStatusText(lastStatus)));
  if (DfuClearStatus(*link_) < 0) {
    AppendUpgradeLog("USB communication error\r\n");
    return false;
  }
  DfuStatus status;
  if (DfuGetStatus(*link_, status) < 0) {
    AppendUpgradeLog("USB communication error\r\n");
    return false;
  }
  if (status.bStatus != 0) {
    AppendUpgradeLog(Printf("Status is not OK: %d\r\n", status.bStatus));
    return false;
  }
  PollBudget(clock_).wait(status.bwPollTimeout);
  return true;
}

bool DfuDownload::setTransferSize() {
  const DfuInterface& record = head();
  std::printf("DFU mode device DFU version %04x\r\n",
              unsigned{record.functionalDescriptor.bcdDFUVersion});
  const std::uint16_t wTransferSize = record.functionalDescriptor.wTransferSize;
  if (wTransferSize == 0) {
    AppendUpgradeLog("Transfer size must be specified\r\n");
    return false;
  }
  AppendUpgradeLog(Printf("Device returned transfer size %i\r\n", wTransferSize));
  const std::uint32_t top = 2u * static_cast<std::uint32_t>(size_) / wTransferSize;
  // A bar whose two ends meet shows an endless busy animation: an image under half a transfer
  // size, or one whose count wraps to 0 in 16 bits, still gets one step.
  page_.setRange(ids::kProgressBar, 0, std::max(static_cast<int>(top & 0xFFFF), 1));
  page_.setPosition(ids::kProgressBar, 0);
  transferSize_ = wTransferSize;
  if (wTransferSize < record.maxPacketSize0) {
    transferSize_ = record.maxPacketSize0;
    AppendUpgradeLog(Printf("Adjusted transfer size to %i\n", static_cast<int>(transferSize_)));
  }
  return true;
}

bool DfuDownload::parseLayout() {
  DfuseParseOptions(kDownloadOptions);
  state_.pDfuseSegments = DfuseParseMemoryLayout(head().altName);
  if (state_.pDfuseSegments.empty()) {
    AppendUpgradeLog("Failed to parse memory layout\r\n");
    return false;
  }
  return true;
}

// The whole image must land in writeable memory: the last byte's segment, and the segment of
// every chunk's first address, are checked before the first page is erased.
bool DfuDownload::checkTarget() {
  AppendUpgradeLog(
      Printf("Downloading to address = 0x%08x, size = %i\r\n", kDownloadAddress, size_));
  const std::uint32_t last = kDownloadAddress + static_cast<std::uint32_t>(size_) - 1u;
  if (WriteableSegmentAt(state_.pDfuseSegments, last) == nullptr) {
    AppendUpgradeLog(Printf("Last page at 0x%08x is not writeable\r\n", last));
    return false;
  }
  for (std::int64_t offset = 0; offset < size_; offset += transferSize_) {
    const auto address = static_cast<std::uint32_t>(kDownloadAddress + offset);
    if (WriteableSegmentAt(state_.pDfuseSegments, address) == nullptr) {
      AppendUpgradeLog(Printf("Page at 0x%08x is not writeable\r\n", address));
      return false;
    }
  }
  setProgress(0);
  return true;
}

}  // namespace brisa::dfu
