#pragma once

#include <systemd/sd-bus.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  // The level; absent when none was published or it is no percentage.
  std::optional<std::uint8_t> percentage;

  bool operator==(const BluezDevice&) const = default;
};

// BlueZ's objects as its answer to GetManagedObjects and its signals since then describe them.
// Each read takes one message as sd-bus delivers it and returns false when the message is not
// what BlueZ sends; what was read of it before the fault is kept.
class BluezObjects {
 public:
  // GetManagedObjects' answer (a{oa{sa{sv}}}): everything known before is replaced.
  bool readManagedObjects(sd_bus_message* m);
  // ObjectManager.InterfacesAdded (oa{sa{sv}}) and InterfacesRemoved (oas).
  bool readInterfacesAdded(sd_bus_message* m);
  bool readInterfacesRemoved(sd_bus_message* m);
  // Properties.PropertiesChanged (sa{sv}as) of the object the message comes from.
  bool readPropertiesChanged(sd_bus_message* m);

  // The devices with an address, in the order BlueZ first named them.
  std::vector<BluezDevice> devices() const;

 private:
  struct Object {
    BluezDevice device;
    bool isDevice = false;
  };
  Object& at(std::string_view path);
  bool readObject(sd_bus_message* m);
  bool readInterfaces(sd_bus_message* m, Object& object);

  std::vector<Object> objects_;
};

}  // namespace brisa::platform
