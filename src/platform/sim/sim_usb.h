#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/sim/usb_device_model.h"
#include "platform/usb.h"

namespace brisa::platform::sim {

// One control transfer as the host made it, for tests that check what was sent.
struct UsbTransfer {
  std::uint8_t requestType = 0;
  std::uint8_t request = 0;
  std::uint16_t value = 0;
  std::uint16_t index = 0;
  std::uint16_t length = 0;
  unsigned timeoutMs = 0;
  std::vector<std::uint8_t> data;  // bytes sent (host to device) or received (device to host)
  int result = 0;
};

// The Usb seam in-process, over simulated device models. Devices are listed in the order they
// were attached; one that has left the bus is not listed and its open handles answer
// kUsbErrorNoDevice, also after it comes back (a new connection needs a new open).
class SimUsb final : public Usb {
 public:
  SimUsb();
  ~SimUsb() override;
  SimUsb(const SimUsb&) = delete;
  SimUsb& operator=(const SimUsb&) = delete;

  void attach(std::shared_ptr<UsbDeviceModel> model);

  // Fault: libusb_init fails with this code.
  void failInit(int code);
  // Called with the time-out of every transfer that times out, so a simulated clock can move
  // on by it.
  void onTimeout(std::function<void(unsigned)> hook);

  std::vector<UsbTransfer> transfers() const;
  void clearTransfers();
  // References held on the device of a model (the open handle holds one), and handles open.
  int referenceCount(const UsbDeviceModel& model) const;
  int openHandleCount() const;

  int init() override;
  UsbDeviceHandle* openDeviceWithVidPid(std::uint16_t vendorId, std::uint16_t productId) override;
  void close(UsbDeviceHandle* handle) override;
  UsbDevice* getDevice(UsbDeviceHandle* handle) override;
  UsbDevice* refDevice(UsbDevice* device) override;
  void unrefDevice(UsbDevice* device) override;
  int getDeviceDescriptor(UsbDevice* device, UsbDeviceDescriptor& out) override;
  int getConfigDescriptor(UsbDevice* device, std::uint8_t configIndex,
                          UsbConfigDescriptor& out) override;
  std::uint8_t getBusNumber(UsbDevice* device) override;
  std::uint8_t getDeviceAddress(UsbDevice* device) override;
  int claimInterface(UsbDeviceHandle* handle, int interfaceNumber) override;
  int setInterfaceAltSetting(UsbDeviceHandle* handle, int interfaceNumber,
                             int alternateSetting) override;
  int controlTransfer(UsbDeviceHandle* handle, std::uint8_t requestType, std::uint8_t request,
                      std::uint16_t value, std::uint16_t index, std::uint8_t* data,
                      std::uint16_t length, unsigned timeoutMs) override;

 private:
  struct Device;
  struct Handle;

  Device& device(UsbDevice* device);
  Handle& handle(UsbDeviceHandle* handle);
  static int error(UsbOutcome outcome);

  // libusb may be called from several threads; so may this.
  mutable std::mutex mutex_;
  int initResult_ = kUsbSuccess;
  bool initialised_ = false;
  std::function<void(unsigned)> timeoutHook_;
  std::vector<std::unique_ptr<Device>> devices_;
  std::vector<std::unique_ptr<Handle>> handles_;
  std::vector<UsbTransfer> transfers_;
};

}  // namespace brisa::platform::sim
