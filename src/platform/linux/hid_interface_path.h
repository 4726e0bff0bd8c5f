#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brisa::platform {

// The bus a HID device hangs on, as far as its interface path tells it.
enum class HidBus { Usb, BluetoothLowEnergy, BluetoothClassic, Other };

// What names one HID interface (a top-level collection of a hidraw node).
struct HidPathParts {
  HidBus bus = HidBus::Usb;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  // Where it is attached: the USB interface ("1-4.2:1.0"), the Bluetooth address, or the HID
  // device's own name; stays the same while the device does.
  std::string location;
  std::size_t collection = 0;  // counted from 0
  std::size_t collectionCount = 1;
  bool keyboard = false;
};

// The interface path in the form the device list's rules read, all in lower case:
//   USB      hid#vid_1209&pid_0009#1-4:1.0
//   BLE      hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&021209_pid&0001#d1:c2:b3:a4:f5:e6
// with "&colNN" after the product id on a device of several collections and "\KBD" at the
// end of a keyboard collection.
std::string hidInterfacePath(const HidPathParts& parts);

// Two paths name the same interface: equal ignoring letter case and every "\KBD" in them.
bool sameInterfacePath(std::string_view a, std::string_view b);
// The one form of all the paths that name the same interface.
std::string canonicalInterfacePath(std::string_view path);

}  // namespace brisa::platform
