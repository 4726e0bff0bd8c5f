#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/sim/dfuse_bootloader.h"
#include "platform/sim/sim_usb.h"

namespace brisa::platform::sim::testing {

// A bootloader behind the in-process seam, opened and claimed, with the raw DFU requests a
// host sends.
struct DfuHost {
  explicit DfuHost(BootloaderSpec spec = {})
      : bootloader(std::make_shared<DfuseBootloader>(std::move(spec))) {
    usb.attach(bootloader);
    usb.init();
    handle = usb.openDeviceWithVidPid(0x0483, 0xDF11);
    if (handle != nullptr) usb.claimInterface(handle, 0);
  }

  struct Status {
    int result = 0;
    std::uint8_t status = 0xEE;
    std::uint32_t pollMs = 0;
    std::uint8_t state = 0xEE;
  };

  int dnload(std::uint16_t block, std::vector<std::uint8_t> data) {
    return usb.controlTransfer(handle, 0x21, kDfuDnload, block, 0, data.data(),
                               static_cast<std::uint16_t>(data.size()), 5000);
  }
  int request(std::uint8_t request) {
    return usb.controlTransfer(handle, 0x21, request, 0, 0, nullptr, 0, 5000);
  }
  Status getStatus() {
    std::array<std::uint8_t, 6> reply{};
    Status s;
    s.result = usb.controlTransfer(handle, 0xA1, kDfuGetStatus, 0, 0, reply.data(), 6, 5000);
    if (s.result == 6) {
      s.status = reply[0];
      s.pollMs = static_cast<std::uint32_t>(reply[1] | reply[2] << 8 | reply[3] << 16);
      s.state = reply[4];
    }
    return s;
  }
  // A DfuSe command, then the two polls a host makes: busy, then done.
  Status command(std::uint8_t code, std::uint32_t address) {
    dnload(0, {code, static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
               static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(address >> 24)});
    getStatus();
    return getStatus();
  }
  Status write(std::uint16_t block, std::vector<std::uint8_t> data) {
    dnload(block, std::move(data));
    getStatus();
    return getStatus();
  }

  SimUsb usb;
  std::shared_ptr<DfuseBootloader> bootloader;
  UsbDeviceHandle* handle = nullptr;
};

}  // namespace brisa::platform::sim::testing
