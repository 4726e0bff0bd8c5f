// The bootloader's DFU 1.1 state machine with the DfuSe commands.
#include "platform/sim/dfuse_bootloader.h"

#include <algorithm>

#include "platform/usb.h"

namespace brisa::platform::sim {
namespace {

constexpr std::uint8_t kClassInterfaceOut = 0x21;
constexpr std::uint8_t kClassInterfaceIn = 0xA1;
constexpr std::uint8_t kRequestSetInterface = 11;

UsbReply ok(std::size_t length) {
  return {UsbOutcome::kOk, length};
}
UsbReply stall() {
  return {UsbOutcome::kStall, 0};
}

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint8_t flashStatus(DfuseFlash::Result result) {
  switch (result) {
    case DfuseFlash::Result::kOk:
      return kStatusOk;
    case DfuseFlash::Result::kOutside:
      return kErrAddress;
    case DfuseFlash::Result::kNotErasable:
      return kErrErase;
    case DfuseFlash::Result::kNotWritable:
    case DfuseFlash::Result::kNotErased:
      return kErrWrite;
  }
  return kErrUnknown;
}

}  // namespace

DfuseBootloader::DfuseBootloader(BootloaderSpec spec)
    : spec_(std::move(spec)), flash_(spec_.flash, spec_.flashStartsErased) {
  addressPointer_ = flash_.start();
}

bool DfuseBootloader::present() const {
  std::lock_guard lock(mutex_);
  return present_;
}

unsigned DfuseBootloader::connection() const {
  std::lock_guard lock(mutex_);
  return connection_;
}

std::uint8_t DfuseBootloader::state() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::uint8_t DfuseBootloader::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::uint32_t DfuseBootloader::addressPointer() const {
  std::lock_guard lock(mutex_);
  return addressPointer_;
}

std::uint8_t DfuseBootloader::alternateSetting() const {
  std::lock_guard lock(mutex_);
  return alternateSetting_;
}

bool DfuseBootloader::manifested() const {
  std::lock_guard lock(mutex_);
  return manifested_;
}

void DfuseBootloader::unplug() {
  std::lock_guard lock(mutex_);
  present_ = false;
}

void DfuseBootloader::plug() {
  std::lock_guard lock(mutex_);
  if (present_) return;
  present_ = true;
  ++connection_;
  state_ = kDfuIdle;
  status_ = kStatusOk;
  alternateSetting_ = 0;
  addressPointer_ = flash_.start();
  pending_ = Pending::kNone;
}

void DfuseBootloader::forceState(std::uint8_t state, std::uint8_t status) {
  std::lock_guard lock(mutex_);
  state_ = state;
  status_ = status;
  pending_ = Pending::kNone;
}

UsbOutcome DfuseBootloader::open() {
  std::lock_guard lock(mutex_);
  if (!present_) return UsbOutcome::kGone;
  return faults_.open.value_or(UsbOutcome::kOk);
}

bool DfuseBootloader::isDfuInterface(std::uint16_t wIndex) const {
  // The first configuration is the active one.
  if (spec_.configurations.empty()) return false;
  const auto& interfaces = spec_.configurations.front();
  return (wIndex & 0xFF) < interfaces.size() && (wIndex >> 8) == 0;
}

UsbOutcome DfuseBootloader::claimInterface(std::uint8_t interfaceNumber) {
  std::lock_guard lock(mutex_);
  if (!present_) return UsbOutcome::kGone;
  if (faults_.claim) return *faults_.claim;
  return isDfuInterface(interfaceNumber) ? UsbOutcome::kOk : UsbOutcome::kNotFound;
}

UsbOutcome DfuseBootloader::setInterface(std::uint8_t interfaceNumber,
                                         std::uint8_t alternateSetting) {
  std::lock_guard lock(mutex_);
  if (!present_) return UsbOutcome::kGone;
  if (faults_.setInterface) return *faults_.setInterface;
  if (!isDfuInterface(interfaceNumber) ||
      alternateSetting >= spec_.configurations.front()[interfaceNumber].altSettings.size()) {
    return UsbOutcome::kNotFound;
  }
  alternateSetting_ = alternateSetting;
  return UsbOutcome::kOk;
}

std::optional<RequestFault> DfuseBootloader::takeFault(const UsbSetup& setup) {
  for (RequestFault& fault : faults_.requests) {
    if (fault.count == 0) continue;
    if ((fault.bmRequestType >= 0 && fault.bmRequestType != setup.bmRequestType) ||
        (fault.bRequest >= 0 && fault.bRequest != setup.bRequest) ||
        (fault.wValue >= 0 && fault.wValue != setup.wValue)) {
      continue;
    }
    if (fault.skip > 0) {
      --fault.skip;
      continue;
    }
    if (fault.count != RequestFault::kForever) --fault.count;
    return fault;
  }
  return std::nullopt;
}

UsbReply DfuseBootloader::control(const UsbSetup& setup, std::span<std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  if (!present_) return {UsbOutcome::kGone, 0};
  data = data.first(std::min<std::size_t>(data.size(), setup.wLength));
  const std::optional<RequestFault> fault = takeFault(setup);
  if (!fault) return answer(setup, data);
  switch (fault->action) {
    case FaultAction::kStall:
      return stall();
    case FaultAction::kTimeout:
      return {UsbOutcome::kTimeout, 0};
    case FaultAction::kVanish:
      present_ = false;
      return {UsbOutcome::kGone, 0};
    case FaultAction::kError: {
      const UsbReply reply = answer(setup, data);
      if (reply.outcome == UsbOutcome::kOk) failWork_ = fault->status;
      return reply;
    }
    case FaultAction::kShort: {
      UsbReply reply = answer(setup, data);
      if (reply.outcome == UsbOutcome::kOk)
        reply.length = std::min<std::size_t>(reply.length, fault->shortLength);
      return reply;
    }
  }
  return stall();
}

UsbReply DfuseBootloader::answer(const UsbSetup& setup, std::span<std::uint8_t> data) {
  if ((setup.bmRequestType & 0x60) == 0) return standardRequest(setup, data);
  if ((setup.bmRequestType == kClassInterfaceOut || setup.bmRequestType == kClassInterfaceIn) &&
      isDfuInterface(setup.wIndex)) {
    return dfuRequest(setup, data);
  }
  return stall();
}

UsbReply DfuseBootloader::standardRequest(const UsbSetup& setup, std::span<std::uint8_t> data) {
  auto send = [&](const std::vector<std::uint8_t>& bytes) {
    const std::size_t n = std::min(bytes.size(), data.size());
    std::copy_n(bytes.begin(), n, data.begin());
    return ok(n);
  };
  if (setup.bmRequestType == kUsbRequestTypeStandardIn &&
      setup.bRequest == kUsbRequestGetDescriptor) {
    const std::uint8_t type = static_cast<std::uint8_t>(setup.wValue >> 8);
    const std::uint8_t index = static_cast<std::uint8_t>(setup.wValue & 0xFF);
    switch (type) {
      case kUsbDescriptorTypeDevice:
        return send(deviceDescriptor());
      case kUsbDescriptorTypeConfig: {
        const std::vector<std::uint8_t> config = configDescriptor(index);
        return config.empty() ? stall() : send(config);
      }
      case kUsbDescriptorTypeString: {
        const auto text = stringLocked(index);
        return text ? send(*text) : stall();
      }
      case kUsbDescriptorTypeDfuFunctional:
        if (!spec_.functionalOnRequest || index != 0) return stall();
        return send(spec_.functionalBytes.value_or(spec_.functional.bytes()));
      default:
        return stall();
    }
  }
  if (setup.bmRequestType == 0x01 && setup.bRequest == kRequestSetInterface) {
    const UsbOutcome outcome = setInterface(static_cast<std::uint8_t>(setup.wIndex),
                                            static_cast<std::uint8_t>(setup.wValue));
    return outcome == UsbOutcome::kOk ? ok(0) : stall();
  }
  return stall();
}

std::uint16_t DfuseBootloader::blockSize() const {
  return spec_.blockBufferSize != 0 ? spec_.blockBufferSize : spec_.functional.wTransferSize;
}

// DFU 1.1: a request the state does not allow stalls and leaves the device in dfuERROR.
UsbReply DfuseBootloader::protocolError() {
  if (state_ > kAppDetach) {
    state_ = kDfuError;
    status_ = kErrStalledPkt;
    pending_ = Pending::kNone;
  }
  return stall();
}

UsbReply DfuseBootloader::dfuRequest(const UsbSetup& setup, std::span<std::uint8_t> data) {
  const bool in = setup.bmRequestType == kClassInterfaceIn;
  switch (setup.bRequest) {
    case kDfuGetStatus:
      return in ? getStatus(data) : protocolError();
    case kDfuGetState:
      if (!in || data.empty()) return protocolError();
      data[0] = faults_.stuckState.value_or(state_);
      return ok(1);
    case kDfuDnload:
      if (in) return protocolError();
      return download(setup, data);
    case kDfuUpload:
      if (!in) return protocolError();
      return upload(setup, data);
    case kDfuClrStatus:
      // Clears an error; in a state without one the request is out of place.
      if (in || (state_ != kDfuError && status_ == kStatusOk) || state_ <= kAppDetach) {
        return protocolError();
      }
      state_ = kDfuIdle;
      status_ = kStatusOk;
      return ok(0);
    case kDfuAbort:
      if (in) return protocolError();
      switch (state_) {
        case kDfuIdle:
        case kDfuDnloadSync:
        case kDfuDnloadIdle:
        case kDfuManifestSync:
        case kDfuUploadIdle:
          state_ = kDfuIdle;
          pending_ = Pending::kNone;
          return ok(0);
        default:
          return protocolError();
      }
    case kDfuDetach:
      if (in || state_ != kAppIdle) return protocolError();
      state_ = kAppDetach;
      return ok(0);
    default:
      return protocolError();
  }
}

UsbReply DfuseBootloader::download(const UsbSetup& setup, std::span<const std::uint8_t> data) {
  if (state_ != kDfuIdle && state_ != kDfuDnloadIdle) return protocolError();
  if (setup.wLength == 0) {
    // The end of a download (DfuSe: leave the bootloader) is only allowed after one.
    if (state_ != kDfuDnloadIdle) return protocolError();
    state_ = kDfuManifestSync;
    return ok(0);
  }
  if (setup.wLength > blockSize() || data.size() < setup.wLength) return protocolError();

  if (setup.wValue == 0) {
    const std::uint8_t command = data[0];
    if (command == kDfuseSetAddress && data.size() == 5) {
      pending_ = Pending::kSetAddress;
    } else if (command == kDfuseErasePage && data.size() == 5) {
      pending_ = Pending::kErase;
    } else if (command == kDfuseErasePage && data.size() == 1) {
      pending_ = Pending::kMassErase;
    } else {
      return protocolError();
    }
    pendingAddress_ = data.size() == 5 ? le32(data, 1) : 0;
  } else if (setup.wValue >= 2) {
    pending_ = Pending::kWrite;
    pendingAddress_ = addressPointer_ +
                      static_cast<std::uint32_t>(setup.wValue - 2) * spec_.functional.wTransferSize;
    pendingData_.assign(data.begin(), data.end());
  } else {
    return protocolError();  // block 1 has no meaning in DfuSe
  }
  state_ = kDfuDnloadSync;
  return ok(setup.wLength);
}

UsbReply DfuseBootloader::upload(const UsbSetup& setup, std::span<std::uint8_t> data) {
  if (state_ != kDfuIdle && state_ != kDfuUploadIdle) return protocolError();
  if (setup.wValue == 0) {
    const std::uint8_t commands[] = {kDfuseGetCommands, kDfuseSetAddress, kDfuseErasePage};
    const std::size_t n = std::min(sizeof commands, data.size());
    std::copy_n(commands, n, data.begin());
    state_ = kDfuUploadIdle;
    return ok(n);
  }
  if (setup.wValue == 1 || setup.wLength > blockSize()) return protocolError();
  const std::uint32_t address = addressPointer_ + static_cast<std::uint32_t>(setup.wValue - 2) *
                                                      spec_.functional.wTransferSize;
  const auto bytes = flash_.read(address, data.size());
  if (!bytes) {
    protocolError();
    status_ = kErrAddress;
    return stall();
  }
  std::copy(bytes->begin(), bytes->end(), data.begin());
  state_ = kDfuUploadIdle;
  return ok(bytes->size());
}

std::uint32_t DfuseBootloader::pendingPollMs() const {
  switch (pending_) {
    case Pending::kSetAddress:
      return spec_.setAddressPollMs;
    case Pending::kErase:
    case Pending::kMassErase:
      return spec_.erasePollMs;
    case Pending::kWrite:
      return spec_.writePollMs;
    case Pending::kNone:
      break;
  }
  return 0;
}

void DfuseBootloader::runPending() {
  std::uint8_t result = kStatusOk;
  // Work that is made to fail leaves the flash and the address pointer alone.
  const Pending work = failWork_ ? Pending::kNone : pending_;
  switch (work) {
    case Pending::kSetAddress:
      if (flash_.contains(pendingAddress_)) {
        addressPointer_ = pendingAddress_;
      } else {
        result = kErrAddress;
      }
      break;
    case Pending::kErase:
      result = flashStatus(flash_.erasePage(pendingAddress_));
      break;
    case Pending::kMassErase:
      result = flashStatus(flash_.eraseAll());
      break;
    case Pending::kWrite:
      result = flashStatus(flash_.write(pendingAddress_, pendingData_));
      break;
    case Pending::kNone:
      break;
  }
  pending_ = Pending::kNone;
  if (failWork_) {
    result = *failWork_;
    failWork_.reset();
  }
  state_ = result == kStatusOk ? kDfuDnloadIdle : kDfuError;
  status_ = result;
}

UsbReply DfuseBootloader::getStatus(std::span<std::uint8_t> data) {
  std::uint32_t pollMs = faults_.stuckState ? faults_.stuckPollMs : 0;
  if (!faults_.stuckState) {
    switch (state_) {
      case kDfuDnloadSync:
        pollMs = pendingPollMs();
        state_ = kDfuDnbusy;
        break;
      case kDfuDnbusy:
        // The host has waited the poll time-out: the work is done now.
        runPending();
        break;
      case kDfuManifestSync:
        pollMs = spec_.manifestPollMs;
        state_ = kDfuManifest;
        break;
      case kDfuManifest:
        manifested_ = true;
        state_ = (spec_.functional.bmAttributes & 0x04) != 0 ? kDfuIdle : kDfuManifestWaitReset;
        break;
      default:
        break;
    }
  }
  const std::uint8_t reply[6] = {status_,
                                 static_cast<std::uint8_t>(pollMs & 0xFF),
                                 static_cast<std::uint8_t>((pollMs >> 8) & 0xFF),
                                 static_cast<std::uint8_t>((pollMs >> 16) & 0xFF),
                                 faults_.stuckState.value_or(state_),
                                 0};
  const std::size_t n = std::min(sizeof reply, data.size());
  std::copy_n(reply, n, data.begin());
  return ok(n);
}

}  // namespace brisa::platform::sim
