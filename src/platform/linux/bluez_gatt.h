#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/gatt.h"
#include "platform/linux/bluez_record.h"

namespace brisa::platform {

// The GATT interface path of a device's Battery Service as BlueZ publishes it:
// "bluez:<device object path>#{0000180f-0000-1000-8000-00805f9b34fb}".
std::string bluezBatteryServicePath(std::string_view deviceObjectPath);

// The Gatt seam over BlueZ. BlueZ reads the Battery Service itself and keeps its notifications
// subscribed; what the tool walks is that service as BlueZ shows it: one Battery Service with a
// readable, notifying Battery Level (0x2A19) and its client configuration descriptor, whose
// value is BlueZ's Percentage.
class BluezGatt final : public Gatt {
 public:
  // `bluez`: the record the device tree reads too. A level is read from it, never waited for:
  // absent while BlueZ has not published one.
  explicit BluezGatt(std::shared_ptr<BluezRecord> bluez = BluezRecord::shared());
  GattOpenResult openService(std::string_view path) override;

 private:
  std::shared_ptr<BluezRecord> bluez_;
};

}  // namespace brisa::platform
