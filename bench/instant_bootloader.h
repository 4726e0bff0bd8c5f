#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/usb.h"

namespace brisa::bench {

// A DfuSe bootloader reduced to its answers: every command and chunk is taken at once, busy
// for one status request and done at the next, with no poll time-out. What a download costs
// against it is the host's own work.
class InstantBootloader final : public platform::Usb {
 public:
  int init() override { return platform::kUsbSuccess; }
  platform::UsbDeviceHandle* openDeviceWithVidPid(std::uint16_t, std::uint16_t) override {
    return handle();
  }
  void close(platform::UsbDeviceHandle*) override {}
  platform::UsbDevice* getDevice(platform::UsbDeviceHandle*) override { return nullptr; }
  platform::UsbDevice* refDevice(platform::UsbDevice* device) override { return device; }
  void unrefDevice(platform::UsbDevice*) override {}
  int getDeviceDescriptor(platform::UsbDevice*, platform::UsbDeviceDescriptor&) override {
    return platform::kUsbErrorNotSupported;
  }
  int getConfigDescriptor(platform::UsbDevice*, std::uint8_t,
                          platform::UsbConfigDescriptor&) override {
    return platform::kUsbErrorNotSupported;
  }
  std::uint8_t getBusNumber(platform::UsbDevice*) override { return 1; }
  std::uint8_t getDeviceAddress(platform::UsbDevice*) override { return 2; }
  int claimInterface(platform::UsbDeviceHandle*, int) override { return platform::kUsbSuccess; }
  int setInterfaceAltSetting(platform::UsbDeviceHandle*, int, int) override {
    return platform::kUsbSuccess;
  }

  int controlTransfer(platform::UsbDeviceHandle*, std::uint8_t, std::uint8_t request, std::uint16_t,
                      std::uint16_t, std::uint8_t* data, std::uint16_t length, unsigned) override {
    constexpr std::uint8_t kDnload = 1, kGetStatus = 3, kDnbusy = 4, kDnloadIdle = 5;
    switch (request) {
      case kDnload:
        busy_ = true;
        return length;
      case kGetStatus: {
        const std::array<std::uint8_t, 6> reply = {0, 0, 0, 0, busy_ ? kDnbusy : state_, 0};
        if (busy_) state_ = kDnloadIdle;
        busy_ = false;
        std::memcpy(data, reply.data(), reply.size());
        return static_cast<int>(reply.size());
      }
      default:
        state_ = 2;  // clear status and abort lead to dfuIDLE
        return 0;
    }
  }

  platform::UsbDeviceHandle* handle() { return reinterpret_cast<platform::UsbDeviceHandle*>(this); }

 private:
  bool busy_ = false;
  std::uint8_t state_ = 2;
};

}  // namespace brisa::bench
