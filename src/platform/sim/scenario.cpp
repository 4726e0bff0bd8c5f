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

namespace {

// A stored configuration as a board keeps it: bytes 1..20 of reports 2..5.
class ConfigBytes {
 public:
  void put(std::uint8_t reportId, std::size_t reportByte, std::uint8_t value) {
    config_[reportId - 2][reportByte - 1] = value;
  }
  void putWord(std::uint8_t reportId, std::size_t reportByte, std::uint16_t value) {
    put(reportId, reportByte, static_cast<std::uint8_t>(value & 0xFF));
    put(reportId, reportByte + 1, static_cast<std::uint8_t>(value >> 8));
  }
  // One 4-bit button kind per button, two to a byte, low nibble first.
  void buttonKind(std::size_t button, std::uint8_t kind) {
    std::uint8_t& byte = config_[0][button / 2];
    byte = button % 2 == 0 ? static_cast<std::uint8_t>((byte & 0xF0) | kind)
                           : static_cast<std::uint8_t>((byte & 0x0F) | (kind << 4));
  }
  // Analog filtering, debounce, encoder and switch press times.
  void timings(std::uint16_t filtering, std::uint16_t debounce, std::uint16_t encoder,
               std::uint16_t switches) {
    putWord(3, 1, filtering);
    putWord(3, 3, debounce);
    putWord(3, 5, encoder);
    putWord(3, 7, switches);
  }
  const StoredConfig& config() const { return config_; }

 private:
  StoredConfig config_{};
};

// A wired game controller as a user might have set it up: plain buttons with one encoder, a
// rotary and a toggle switch, eight full-range axes (the second inverted).
StoredConfig demoControllerConfig() {
  ConfigBytes c;
  for (std::size_t b = 0; b < 36; ++b) c.buttonKind(b, 1);
  c.buttonKind(8, 10);
  c.buttonKind(9, 11);
  c.buttonKind(10, 5);
  c.buttonKind(11, 12);
  c.timings(10, 50, 40, 75);
  c.put(5, 1, 4);
  for (std::uint8_t id = 4; id <= 5; ++id) {
    for (std::size_t k = 0; k < 4; ++k) {
      c.putWord(id, 2 + 4 * k, 0);
      c.putWord(id, 4 + 4 * k, 4095);
    }
  }
  c.putWord(4, 6, 0x8000);  // axis 2: minimum 0, inverted
  return c.config();
}

// A keyboard board: W, A, S, D, space, enter, escape, tab, then the digits and letters.
StoredConfig demoKeyboardConfig() {
  ConfigBytes c;
  for (std::size_t b = 0; b < 36; ++b) c.buttonKind(b, 1);
  c.timings(0, 20, 100, 100);
  const std::uint8_t keys[36] = {0x1A, 0x04, 0x16, 0x07, 0x2C, 0x28, 0x29, 0x2B, 0x1E,
                                 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27,
                                 0x05, 0x06, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
                                 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x17, 0x18};
  for (std::size_t i = 0; i < 36; ++i) c.put(i < 18 ? 4 : 5, 1 + i % 18, keys[i]);
  return c.config();
}

}  // namespace

std::optional<Scenario> namedScenario(std::string_view name) {
  if (name != "demo") return std::nullopt;
  UsbBoardSpec wired;
  wired.config = demoControllerConfig();
  BleBoardSpec ble;
  ble.batteryLevel = 87;
  ble.config = demoControllerConfig();
  KeyboardSpec keyboard;
  keyboard.config = demoKeyboardConfig();
  Scenario demo;
  demo.usbBoard(BoardModel::Osprey, wired)
      .bleBoard(ble)
      .keyboardInterface(keyboard)
      .bootloader()
      .mouse()
      .foreignKeyboard()
      .then([](Machine& m) {
        // Something to see live: sticks off centre, two buttons held, the hat to the right,
        // sent at every poll as game controllers do.
        BoardFirmware& osprey = *m.firmware(0);
        const std::int16_t axes[8] = {12000, -8000, 0, 32767, -32768, 400, -400, 2048};
        for (std::size_t k = 0; k < 8; ++k) osprey.setAxis(k, axes[k]);
        osprey.setButton(0, true);
        osprey.setButton(5, true);
        osprey.setHat(2);
        osprey.streamInput(true);
        BoardFirmware& merlin = *m.firmware(1);
        merlin.setAxis(0, -1200);
        merlin.setButton(31, true);
        merlin.streamInput(true);
      });
  return demo;
}

}  // namespace brisa::platform::sim
