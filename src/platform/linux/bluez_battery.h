#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisa::platform {

// BlueZ keeps a Bluetooth LE device's Battery Service to itself and publishes the level as
// org.bluez.Battery1.Percentage on the device's object. These ask the system bus for it
// (DBUS_SYSTEM_BUS_ADDRESS chooses another bus, as for every D-Bus client).

struct BluezBatteryDevice {
  std::string objectPath;  // /org/bluez/hci0/dev_D1_C2_B3_A4_F5_E6
  std::string address;     // D1:C2:B3:A4:F5:E6
};

// Devices that publish a battery level, in BlueZ's order. Empty when BlueZ cannot be asked.
std::vector<BluezBatteryDevice> bluezBatteryDevices();

// The device's level now; absent when it cannot be read.
std::optional<std::uint8_t> bluezBatteryPercentage(std::string_view objectPath);

}  // namespace brisa::platform
