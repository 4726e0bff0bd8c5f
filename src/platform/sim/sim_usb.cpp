#include "platform/sim/sim_usb.h"

#include <algorithm>

#include "platform/sim/usb_descriptor_parser.h"

namespace brisa::platform::sim {

struct SimUsb::Device : UsbDevice {
  std::shared_ptr<UsbDeviceModel> model;
  int references = 1;  // the device list's own
};

struct SimUsb::Handle : UsbDeviceHandle {
  Device* device = nullptr;
  unsigned connection = 0;
  std::vector<int> claimed;
};

SimUsb::SimUsb() = default;
SimUsb::~SimUsb() = default;

void SimUsb::failInit(int code) {
  std::lock_guard lock(mutex_);
  initResult_ = code;
}

void SimUsb::onTimeout(std::function<void(unsigned)> hook) {
  std::lock_guard lock(mutex_);
  timeoutHook_ = std::move(hook);
}

std::vector<UsbTransfer> SimUsb::transfers() const {
  std::lock_guard lock(mutex_);
  return transfers_;
}

void SimUsb::clearTransfers() {
  std::lock_guard lock(mutex_);
  transfers_.clear();
}

void SimUsb::attach(std::shared_ptr<UsbDeviceModel> model) {
  std::lock_guard lock(mutex_);
  auto device = std::make_unique<Device>();
  device->model = std::move(model);
  devices_.push_back(std::move(device));
}

int SimUsb::init() {
  std::lock_guard lock(mutex_);
  if (initResult_ == kUsbSuccess) initialised_ = true;
  return initResult_;
}

SimUsb::Device& SimUsb::device(UsbDevice* device) {
  return *static_cast<Device*>(device);
}
SimUsb::Handle& SimUsb::handle(UsbDeviceHandle* handle) {
  return *static_cast<Handle*>(handle);
}

int SimUsb::error(UsbOutcome outcome) {
  switch (outcome) {
    case UsbOutcome::kOk:
      return kUsbSuccess;
    case UsbOutcome::kStall:
      return kUsbErrorPipe;
    case UsbOutcome::kTimeout:
      return kUsbErrorTimeout;
    case UsbOutcome::kGone:
      return kUsbErrorNoDevice;
    case UsbOutcome::kBusy:
      return kUsbErrorBusy;
    case UsbOutcome::kDenied:
      return kUsbErrorAccess;
    case UsbOutcome::kNotFound:
      return kUsbErrorNotFound;
  }
  return kUsbErrorOther;
}

UsbDeviceHandle* SimUsb::openDeviceWithVidPid(std::uint16_t vendorId, std::uint16_t productId) {
  std::lock_guard lock(mutex_);
  if (!initialised_) return nullptr;
  for (const auto& candidate : devices_) {
    if (!candidate->model->present()) continue;
    UsbDeviceDescriptor descriptor;
    if (parseDeviceDescriptor(candidate->model->deviceDescriptor(), descriptor) != kUsbSuccess ||
        descriptor.idVendor != vendorId || descriptor.idProduct != productId) {
      continue;
    }
    // Only the first match is tried, as libusb does.
    if (candidate->model->open() != UsbOutcome::kOk) return nullptr;
    auto opened = std::make_unique<Handle>();
    opened->device = candidate.get();
    opened->connection = candidate->model->connection();
    ++candidate->references;
    handles_.push_back(std::move(opened));
    return handles_.back().get();
  }
  return nullptr;
}

void SimUsb::close(UsbDeviceHandle* closing) {
  std::lock_guard lock(mutex_);
  if (closing == nullptr) return;
  auto it = std::find_if(handles_.begin(), handles_.end(),
                         [&](const auto& h) { return h.get() == closing; });
  if (it == handles_.end()) return;
  --(*it)->device->references;
  handles_.erase(it);
}

UsbDevice* SimUsb::getDevice(UsbDeviceHandle* opened) {
  return handle(opened).device;
}

UsbDevice* SimUsb::refDevice(UsbDevice* counted) {
  std::lock_guard lock(mutex_);
  ++device(counted).references;
  return counted;
}

void SimUsb::unrefDevice(UsbDevice* counted) {
  std::lock_guard lock(mutex_);
  // Devices stay allocated for the life of the simulation, so a count that goes wrong shows
  // in referenceCount() instead of as a crash.
  --device(counted).references;
}

int SimUsb::referenceCount(const UsbDeviceModel& model) const {
  std::lock_guard lock(mutex_);
  for (const auto& d : devices_) {
    if (d->model.get() == &model) return d->references;
  }
  return 0;
}

int SimUsb::openHandleCount() const {
  return static_cast<int>(handles_.size());
}

int SimUsb::getDeviceDescriptor(UsbDevice* described, UsbDeviceDescriptor& out) {
  return parseDeviceDescriptor(device(described).model->deviceDescriptor(), out);
}

int SimUsb::getConfigDescriptor(UsbDevice* described, std::uint8_t configIndex,
                                UsbConfigDescriptor& out) {
  const UsbDeviceModel& model = *device(described).model;
  UsbDeviceDescriptor descriptor;
  if (parseDeviceDescriptor(model.deviceDescriptor(), descriptor) != kUsbSuccess) {
    return kUsbErrorIo;
  }
  if (configIndex >= descriptor.bNumConfigurations) return kUsbErrorNotFound;
  const std::vector<std::uint8_t> raw = model.configDescriptor(configIndex);
  return parseConfigDescriptor(raw, out);
}

std::uint8_t SimUsb::getBusNumber(UsbDevice* located) {
  return device(located).model->busNumber();
}

std::uint8_t SimUsb::getDeviceAddress(UsbDevice* located) {
  return device(located).model->deviceAddress();
}

int SimUsb::claimInterface(UsbDeviceHandle* opened, int interfaceNumber) {
  std::lock_guard lock(mutex_);
  Handle& h = handle(opened);
  if (interfaceNumber < 0 || interfaceNumber > 0xFF) return kUsbErrorInvalidParam;
  UsbDeviceModel& model = *h.device->model;
  if (!model.present() || model.connection() != h.connection) return kUsbErrorNoDevice;
  // Claiming again what this handle holds asks nothing of the device, as in libusb.
  if (std::find(h.claimed.begin(), h.claimed.end(), interfaceNumber) != h.claimed.end()) {
    return kUsbSuccess;
  }
  const UsbOutcome outcome = model.claimInterface(static_cast<std::uint8_t>(interfaceNumber));
  if (outcome == UsbOutcome::kOk) h.claimed.push_back(interfaceNumber);
  return error(outcome);
}

int SimUsb::setInterfaceAltSetting(UsbDeviceHandle* opened, int interfaceNumber,
                                   int alternateSetting) {
  std::lock_guard lock(mutex_);
  Handle& h = handle(opened);
  if (interfaceNumber < 0 || interfaceNumber > 0xFF || alternateSetting < 0 ||
      alternateSetting > 0xFF) {
    return kUsbErrorInvalidParam;
  }
  UsbDeviceModel& model = *h.device->model;
  if (!model.present() || model.connection() != h.connection) return kUsbErrorNoDevice;
  if (std::find(h.claimed.begin(), h.claimed.end(), interfaceNumber) == h.claimed.end()) {
    return kUsbErrorNotFound;
  }
  return error(model.setInterface(static_cast<std::uint8_t>(interfaceNumber),
                                  static_cast<std::uint8_t>(alternateSetting)));
}

int SimUsb::controlTransfer(UsbDeviceHandle* opened, std::uint8_t requestType, std::uint8_t request,
                            std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                            std::uint16_t length, unsigned timeoutMs) {
  std::unique_lock lock(mutex_);
  Handle& h = handle(opened);
  UsbTransfer record{requestType, request, value, index, length, timeoutMs, {}, 0};
  const UsbSetup setup{requestType, request, value, index, length};
  std::vector<std::uint8_t> buffer(length);
  if (!setup.deviceToHost() && data != nullptr) std::copy_n(data, length, buffer.begin());
  if (!setup.deviceToHost()) record.data = buffer;

  UsbDeviceModel& model = *h.device->model;
  int result;
  if (!model.present() || model.connection() != h.connection) {
    result = kUsbErrorNoDevice;
  } else if (length > 0 && data == nullptr) {
    result = kUsbErrorInvalidParam;
  } else {
    const UsbReply reply = model.control(setup, buffer);
    result =
        reply.outcome == UsbOutcome::kOk ? static_cast<int>(reply.length) : error(reply.outcome);
    if (result > 0 && setup.deviceToHost()) {
      std::copy_n(buffer.begin(), result, data);
      record.data.assign(buffer.begin(), buffer.begin() + result);
    }
  }
  record.result = result;
  transfers_.push_back(std::move(record));
  // The hook may move a simulated clock that other threads wait on: call it unlocked.
  const std::function<void(unsigned)> hook = result == kUsbErrorTimeout ? timeoutHook_ : nullptr;
  lock.unlock();
  if (hook) hook(timeoutMs);
  return result;
}

}  // namespace brisa::platform::sim
