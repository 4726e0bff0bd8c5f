#include "board/board_selection.h"

#include <chrono>
#include <cstdio>
#include <mutex>

#include "board/identification.h"
#include "board/report_exchange.h"
#include "dfu/dfu_probe.h"
#include "dfu/format_scan.h"

namespace brisa::board {
namespace {

constexpr std::uint16_t kBootloaderVendorId = 0x0483;
constexpr std::uint16_t kBootloaderProductId = 0xDF11;

// What every selection does first to the objects it replaces, under the board lock. A worker
// still in a call on the old handle keeps its share until the call returns, and abandons the
// rest of its pass. The old handle is handed back, to be let go of outside the lock.
bool CloseBoardObjects(BoardState& state, std::shared_ptr<platform::HidDevice>& old) {
  state.selection.fetch_add(1, std::memory_order_acq_rel);
  state.pDevice.reset();
  bool dropped = false;
  // The reports were built for the board that closes here: never send them to another.
  if (state.writeRequest.load(std::memory_order_acquire) != 0) {
    state.writeOutcome.store(WriteOutcome::Dropped, std::memory_order_release);
    state.writeRequest.store(0, std::memory_order_release);
    dropped = true;
  }
  // Nor a reboot asked for this board.
  state.rebootRequest.store(0, std::memory_order_release);
  old = std::move(state.hDevice);
  state.hidCaps.reset();
  state.modelAwaited.reset();
  state.identityRead.store(0, std::memory_order_release);
  // A read of the board that closes is not shown as the next one's.
  state.readDone.store(0, std::memory_order_release);
  state.configReadFromBoard.store(0, std::memory_order_release);
  return dropped;
}

// Swaps the board objects out and wakes both workers: they may be asleep with nothing to do,
// or still in a call on the old board.
bool ReleaseBoardObjects(BoardState& state) {
  std::shared_ptr<platform::HidDevice> old;
  bool dropped = false;
  {
    std::lock_guard lock(state.boardLock);
    dropped = CloseBoardObjects(state, old);
  }
  state.closer.close(std::move(old));
  state.readWake.ring();
  state.writeWake.ring();
  return dropped;
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

HidOpening OpenHidBoard(BoardState& state, platform::Hid* hid, const std::string& path,
                        bool bluetoothMark) {
  HidOpening result;
  result.writeDropped = ReleaseBoardObjects(state);
  ForgetInput(state);

  // Opened and identified outside the lock: meanwhile the workers find no board open.
  HidArrival arrival;
  if (hid != nullptr) arrival = OpenWithin(*hid, path, std::chrono::milliseconds(kOpenWaitMs));
  std::unique_ptr<Device> model;
  std::optional<std::uint32_t> awaited;
  if (arrival.readWrite && arrival.identity) {
    // Report 3 tells the model (no model exists yet, so its payload starts at byte 1).
    std::lock_guard lock(state.boardLock);
    state.configRecord.settings = PayloadOf(*arrival.identity);
    state.identityRead.store(1, std::memory_order_release);
    model = CreateDevice(ModelFromKey(ModelKeyOf(state.configRecord.settings)), bluetoothMark);
    result.kind = HidOpenKind::ReadWrite;
  } else if (arrival.readWrite) {
    // What the settings block holds is another board's, or a file's: the read asked for below
    // brings this board's report 3.
    awaited = bluetoothMark;
    result.kind = HidOpenKind::Unidentified;
  } else if (hid != nullptr && !arrival.answered) {
    result.kind = HidOpenKind::TimedOut;
    return result;
  } else if (arrival.error == platform::HidOpenError::AccessDenied) {
    // Not a keyboard collection: the board is there, the system keeps this user out.
    result.kind = HidOpenKind::AccessDenied;
    return result;
  } else {
    model = CreateDevice(ModelId::Keyboard, bluetoothMark);
    result.kind = arrival.device ? HidOpenKind::QueryOnly : HidOpenKind::None;
  }

  result.attributes = arrival.attributes;
  {
    std::lock_guard lock(state.boardLock);
    state.pDevice = std::move(model);
    state.modelAwaited = awaited;
    state.hDevice = arrival.device;
    state.hidCaps = arrival.caps;
  }
  // Asked last, once the handle, the model and the capabilities are all in place.
  if (arrival.device) AskRead(state);
  return result;
}

bool IdentifyFromRead(BoardState& state) {
  std::lock_guard lock(state.boardLock);
  if (state.pDevice || !state.modelAwaited ||
      state.identityRead.load(std::memory_order_acquire) == 0) {
    return false;
  }
  state.pDevice =
      CreateDevice(ModelFromKey(ModelKeyOf(state.configRecord.settings)), *state.modelAwaited);
  state.modelAwaited.reset();
  return true;
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
  result.writeDropped = ReleaseBoardObjects(state);
  {
    std::lock_guard lock(state.boardLock);
    state.pDevice = CreateDevice(ModelId::DFU, false);
  }
  if (keepDfuObjects) return result;
  const BootloaderOpening reopened = ReopenBootloader(dfu, clock);
  result.closedPrevious = reopened.closedPrevious;
  result.probed = reopened.probed;
  return result;
}

BootloaderOpening ReopenBootloader(dfu::DfuState& dfu, platform::Clock& clock) {
  BootloaderOpening result;
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
