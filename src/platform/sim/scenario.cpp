#include "platform/sim/scenario.h"

#include <utility>

namespace brisa::platform::sim {

Scenario& Scenario::usbBoard(BoardModel model, UsbBoardSpec spec) {
  spec.model = model;
  steps_.push_back([spec](Machine& m) { addUsbBoard(m, spec); });
  return *this;
}

Scenario& Scenario::bleBoard(BleBoardSpec spec) {
  steps_.push_back([spec = std::move(spec)](Machine& m) { addBleBoard(m, spec); });
  return *this;
}

Scenario& Scenario::keyboardInterface(KeyboardSpec spec) {
  steps_.push_back([spec = std::move(spec)](Machine& m) { addKeyboardInterface(m, spec); });
  return *this;
}

Scenario& Scenario::bootloader(BootloaderNodeSpec spec) {
  steps_.push_back([spec = std::move(spec)](Machine& m) { addBootloader(m, spec); });
  return *this;
}

Scenario& Scenario::libusbKDevice(LibusbKDeviceSpec spec) {
  steps_.push_back([spec = std::move(spec)](Machine& m) { addLibusbKDevice(m, spec); });
  return *this;
}

Scenario& Scenario::mouse() {
  steps_.push_back([](Machine& m) { addMouse(m); });
  return *this;
}

Scenario& Scenario::foreignKeyboard() {
  steps_.push_back([](Machine& m) { addForeignKeyboard(m); });
  return *this;
}

Scenario& Scenario::then(std::function<void(Machine&)> step) {
  steps_.push_back(std::move(step));
  return *this;
}

std::unique_ptr<Machine> Scenario::build() const {
  auto machine = std::make_unique<Machine>();
  for (const auto& step : steps_) step(*machine);
  return machine;
}

std::optional<Scenario> namedScenario(std::string_view name) {
  if (name != "demo") return std::nullopt;
  BleBoardSpec ble;
  ble.batteryLevel = 87;
  Scenario demo;
  demo.usbBoard(BoardModel::Osprey)
      .bleBoard(ble)
      .keyboardInterface()
      .bootloader()
      .mouse()
      .foreignKeyboard()
      .then([](Machine& m) {
        // Something to see live: sticks off centre, two buttons held, the hat to the right.
        BoardFirmware& osprey = *m.firmware(0);
        const std::int16_t axes[8] = {12000, -8000, 0, 32767, -32768, 400, -400, 2048};
        for (std::size_t k = 0; k < 8; ++k) osprey.setAxis(k, axes[k]);
        osprey.setButton(0, true);
        osprey.setButton(5, true);
        osprey.setHat(2);
        osprey.queueInputReport();
        BoardFirmware& merlin = *m.firmware(1);
        merlin.setAxis(0, -1200);
        merlin.setButton(31, true);
        merlin.queueInputReport();
      });
  return demo;
}

}  // namespace brisa::platform::sim
