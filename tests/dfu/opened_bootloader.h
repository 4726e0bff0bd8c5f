#pragma once

#include <utility>

#include "dfu/dfu_probe.h"
#include "dfu/dfu_requests.h"
#include "platform/dfu_sim_host.h"
#include "platform/sim/virtual_clock.h"

namespace brisa::dfu::testing {

// A simulated bootloader opened and probed as selection leaves it, on virtual time.
struct OpenedBootloader {
  explicit OpenedBootloader(platform::sim::BootloaderSpec spec = {}) : host(std::move(spec)) {
    // A handle of its own, with no interface claimed, as selection opens it.
    const platform::sim::BootloaderSpec& opened = host.bootloader->spec();
    state.pUsbContext = &host.usb;
    state.pDfuHandle = host.usb.openDeviceWithVidPid(opened.vendorId, opened.productId);
    state.dfuAltIndex = 0;
    platform::UsbDevice* device = host.usb.getDevice(state.pDfuHandle);
    platform::UsbDeviceDescriptor descriptor;
    host.usb.getDeviceDescriptor(device, descriptor);
    DfuProbeConfigurations(state, host.usb, device, descriptor);
    handle = state.pDfuHandle;
    host.usb.clearTransfers();
  }
  ~OpenedBootloader() {
    ReleaseDfuInterfaces(state, host.usb);
    host.usb.close(handle);
  }
  OpenedBootloader(const OpenedBootloader&) = delete;
  OpenedBootloader& operator=(const OpenedBootloader&) = delete;

  // The requests' view, with the head record pointing at the open handle as a download sets it.
  DfuLink link() {
    state.pDfuInterfaces.front().deviceHandle = state.pDfuHandle;
    return {state, host.usb, clock};
  }
  platform::sim::DfuseBootloader& bootloader() { return *host.bootloader; }

  platform::sim::testing::DfuHost host;
  DfuState state;
  platform::UsbDeviceHandle* handle = nullptr;  // closed at the end, whatever a test did to state
  platform::sim::VirtualClock clock;
};

}  // namespace brisa::dfu::testing
