#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/sim/device_catalog.h"
#include "platform/sim/machine.h"

namespace brisa::platform::sim {

// A small description of a simulated machine, built into a fresh Machine. Devices get their
// DeviceId in the order they are described (the first is 0), e.g.
//   auto machine = Scenario().usbBoard(BoardModel::Kestrel).bleBoard(ble)
//                      .keyboardInterface().bootloader().build();
class Scenario {
 public:
  Scenario& usbBoard(BoardModel model, UsbBoardSpec spec = {});
  Scenario& bleBoard(BleBoardSpec spec = {});
  Scenario& keyboardInterface(KeyboardSpec spec = {});
  Scenario& bootloader(BootloaderNodeSpec spec = {});
  Scenario& libusbKDevice(LibusbKDeviceSpec spec = {});
  Scenario& mouse();
  Scenario& foreignKeyboard();
  // Any further step on the built machine (scripted input, faults, a plugged-out device).
  Scenario& then(std::function<void(Machine&)> step);

  std::unique_ptr<Machine> build() const;

 private:
  std::vector<std::function<void(Machine&)>> steps_;
};

// Scenarios known by name (for BRISA_SIMULATE): "demo" is a USB Osprey with axes and a hat
// (device 0) with one input report queued, a Bluetooth LE Merlin with a battery at 87 (1), a
// keyboard interface (2), an STM32 DfuSe bootloader in the tree and behind the USB seam (3),
// then a mouse (4) and a keyboard of another vendor (5).
std::optional<Scenario> namedScenario(std::string_view name);

}  // namespace brisa::platform::sim
