#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "board/board_state.h"
#include "platform/device_tree.h"
#include "platform/gatt.h"
#include "platform/guid.h"

namespace brisa::board {

struct GattServiceOpening {
  std::unique_ptr<platform::GattService> service;  // null: none found, or it did not open
  std::optional<std::uint32_t> openError;          // the system's code when the open failed
};

// The first present interface of a GATT service that hangs below the same Bluetooth device as
// the HID node: its node's parent is the HID node's parent or a further ancestor. Only that
// first match is tried.
GattServiceOpening BleOpenGattService(platform::DeviceTree& tree, platform::Gatt& gatt,
                                      const platform::Guid& serviceId, platform::NodeId devInst);

struct BatteryReading {
  std::optional<std::string> level;        // "%d" of the last Battery Level read
  std::optional<std::uint32_t> openError;  // the Battery Service was found but did not open
};

// Opens the board's Battery Service (closing the one the previous read left open, keeping the
// new one), subscribes each characteristic's descriptors to notifications and reads every
// readable Battery Level characteristic. A failing call ends the walk of its characteristic;
// no level that was not read comes back.
BatteryReading BleReadBatteryLevel(BoardState& state, platform::DeviceTree& tree,
                                   platform::Gatt& gatt, platform::NodeId devInst);

}  // namespace brisa::board
