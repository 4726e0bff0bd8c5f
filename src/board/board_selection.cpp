#include "board/board_selection.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "board/identification.h"
#include "dfu/dfu_probe.h"
#include "dfu/format_scan.h"

namespace brisa::board {
namespace {

constexpr std::uint16_t kBootloaderVendorId = 0x0483;
constexpr std::uint16_t kBootloaderProductId = 0xDF11;

// What every selection does first to the objects it replaces, under the board lock. A worker
// still in a call on the old handle keeps its share until the call returns, and abandons the
// rest of its pass.
bool CloseBoardObjects(BoardState& state) {
  state.selection.fetch_add(1, std::memory_order_acq_rel);
  state.pDevice.reset();
  bool dropped = false;
  // The reports were built for the board that closes here: never send them to another.
  if (state.writeRequest.load(std::memory_order_acquire) != 0) {
    state.writeOutcome.store(WriteOutcome::Dropped, std::memory_order_release);
    state.writeRequest.store(0, std::memory_order_release);
    dropped = true;
  }
  state.hDevice.reset();
  state.configReadFromBoard.store(0, std::memory_order_release);
  return dropped;
}

// Report 3 of a board just opened, or nothing when it did not come within kIdentityWaitMs: a
// board that stopped answering (the system gives up on it only after seconds) must not hold
// the window. The read goes on in the background with its own share of the handle, and what
// it brings later is dropped.
std::optional<FeatureReport> ReadIdentityReport(std::shared_ptr<platform::HidDevice> device) {
  struct Answer {
    std::mutex mutex;
    std::condition_variable arrived;
    bool done = false;
    std::optional<FeatureReport> report;
  };
  const auto answer = std::make_shared<Answer>();
  const auto read = [answer](std::shared_ptr<platform::HidDevice> board) {
    FeatureReport report = EmptyReport(SettingsReport);
    const bool ok = board->getFeature(report);
    board.reset();  // before the answer, so no handle outlives the wait that gave up on it
    std::lock_guard lock(answer->mutex);
    answer->done = true;
    if (ok) answer->report = report;
    answer->arrived.notify_all();
  };
  try {
    // A share of its own: a thread that cannot be made has already taken what it was given.
    std::thread(read, device).detach();
  } catch (const std::system_error&) {
    read(std::move(device));  // no thread to be had: wait for the board after all
  }
  std::unique_lock lock(answer->mutex);
  answer->arrived.wait_for(lock, std::chrono::milliseconds(kIdentityWaitMs),
                           [&answer] { return answer->done; });
  return answer->report;
}

// The previous board's buttons and axes are not this board's.
void ForgetInput(BoardState& state) {
  std::lock_guard lock(state.inputLock);
  state.inputState = {};
  state.inputReceived = false;
}

}  // namespace

std::string IdentityText(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%4X", static_cast<unsigned>(value));
  std::string result = text;
  for (char& c : result) {
    if (c == ' ') c = '0';
  }
  return result;
}

std::uint32_t BootloaderRevision(std::string_view path) {
  dfu::FormatScan scan(path);
  for (const char c : std::string_view("USB\\VID_0483&PID_DF11&REV_")) {
    if (!scan.literal(c)) return 0;
  }
  std::uint32_t revision = 0;
  return scan.hex(revision) ? revision : 0;
}

std::string WithoutKeyboardCollection(std::string path) {
  static constexpr std::string_view kKbd = "\\KBD";
  for (auto at = path.find(kKbd); at != std::string::npos; at = path.find(kKbd, at)) {
    path.erase(at, kKbd.size());
  }
  return path;
}

HidOpening OpenHidBoard(BoardState& state, platform::Hid* hid, const std::string& path,
                        bool bluetoothMark) {
  HidOpening result;
  {
    std::lock_guard lock(state.boardLock);
    result.writeDropped = CloseBoardObjects(state);
  }
  ForgetInput(state);
  // Both workers may be asleep with nothing to do, or still in a call on the old board.
  state.readWake.ring();
  state.writeWake.ring();

  // Opened and identified outside the lock: meanwhile the workers find no board open.
  platform::HidOpenResult opened{nullptr, platform::HidOpenError::NotFound};
  if (hid != nullptr) opened = hid->openDevice(path, platform::HidAccess::ReadWrite);
  std::shared_ptr<platform::HidDevice> device = std::move(opened.device);
  std::unique_ptr<Device> model;
  if (device) {
    // Report 3 tells the model (no model exists yet, so its payload starts at byte 1).
    const std::optional<FeatureReport> settings = ReadIdentityReport(device);
    std::lock_guard lock(state.boardLock);
    if (settings) state.configRecord.settings = PayloadOf(*settings);
    model = CreateDevice(ModelFromKey(ModelKeyOf(state.configRecord.settings)), bluetoothMark);
    result.kind = HidOpenKind::ReadWrite;
  } else if (opened.error == platform::HidOpenError::AccessDenied) {
    // Not a keyboard collection: the board is there, the system keeps this user out.
    result.kind = HidOpenKind::AccessDenied;
    return result;
  } else {
    model = CreateDevice(ModelId::Keyboard, bluetoothMark);
    if (hid != nullptr) {
      device = hid->open(path, platform::HidAccess::QueryOnly);
      if (!device)
        device = hid->open(WithoutKeyboardCollection(path), platform::HidAccess::QueryOnly);
    }
    result.kind = device ? HidOpenKind::QueryOnly : HidOpenKind::None;
  }

  std::optional<platform::HidCaps> caps;
  if (device) {
    result.attributes = device->attributes();
    if (result.attributes) caps = device->capabilities();
  }
  {
    std::lock_guard lock(state.boardLock);
    state.pDevice = std::move(model);
    state.hDevice = device;
    if (caps) state.hidCaps = *caps;
  }
  // Raised last, once the handle, the model and the capabilities are all in place.
  if (device) Raise(state.readRequest, state.readWake);
  return result;
}

bool ReleaseBootloader(dfu::DfuState& dfu) {
  if (dfu.pDfuHandle == nullptr) return false;
  dfu.pUsbContext->close(dfu.pDfuHandle);
  dfu.pDfuHandle = nullptr;
  dfu::ReleaseDfuInterfaces(dfu, *dfu.pUsbContext);
  return true;
}

BootloaderOpening OpenBootloader(BoardState& state, dfu::DfuState& dfu, bool keepDfuObjects,
                                 platform::Clock& clock) {
  BootloaderOpening result;
  {
    std::lock_guard lock(state.boardLock);
    result.writeDropped = CloseBoardObjects(state);
    state.pDevice = CreateDevice(ModelId::DFU, false);
  }
  state.readWake.ring();
  state.writeWake.ring();
  if (keepDfuObjects) return result;
  result.closedPrevious = ReleaseBootloader(dfu);
  platform::Usb* usb = dfu.pUsbContext;
  if (usb == nullptr) return result;
  dfu.pDfuHandle = usb->openDeviceWithVidPid(kBootloaderVendorId, kBootloaderProductId);
  if (dfu.pDfuHandle == nullptr) return result;
  platform::UsbDevice* device = usb->getDevice(dfu.pDfuHandle);
  platform::UsbDeviceDescriptor descriptor;
  usb->getDeviceDescriptor(device, descriptor);
  dfu.dfuAltIndex = 0;
  dfu::DfuProbeConfigurations(dfu, *usb, device, descriptor, &clock);
  result.probed = true;
  return result;
}

}  // namespace brisa::board
