#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/bluez_bus.h"

namespace brisa::platform {

// What BlueZ tells of its Bluetooth devices. It keeps a Bluetooth LE device's Battery Service to
// itself and publishes the level as org.bluez.Battery1.Percentage on the device's object, and
// it names the services a device offers in org.bluez.Device1.UUIDs: that is where HID over
// GATT (a Bluetooth LE board) and Classic HID, which both reach the kernel through uhid, part.

inline constexpr std::string_view kHidOverGattUuid = "00001812-0000-1000-8000-00805f9b34fb";

struct BluezDevice {
  std::string objectPath;  // /org/bluez/hci0/dev_D1_C2_B3_A4_F5_E6
  std::string address;     // D1:C2:B3:A4:F5:E6
  bool hidOverGatt = false;
  bool battery = false;  // publishes a level
};

// Every device of every adapter, in BlueZ's order. Absent when BlueZ cannot be asked or does
// not answer.
std::optional<std::vector<BluezDevice>> bluezDevices(BluezBus& bus);

// The devices that publish a battery level; empty when BlueZ cannot be asked.
std::vector<BluezDevice> bluezBatteryDevices(BluezBus& bus);

// The device's level now; absent when it cannot be read or is no percentage.
std::optional<std::uint8_t> bluezBatteryPercentage(BluezBus& bus, std::string_view objectPath);

}  // namespace brisa::platform
