#pragma once

#include <umockdev.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hidraw_server.h"
#include "platform/sim/dfuse_bootloader.h"

namespace brisa::platform::sim {
class UsbdevfsHandler;
}

namespace brisa::testbed {

// A USB HID device: the USB device, its interface bound to usbhid, the HID device, its hidraw.
struct UsbHidSpec {
  HidrawSpec hid;
  std::uint16_t bcdDevice = 0x0100;
  std::optional<std::string> product;  // the USB product string
  int port = 0;  // the root hub's port it is plugged into; 0: a port never used before
};

// A Bluetooth LE HID device as BlueZ creates it: a uhid device, its input device, its hidraw.
struct BleHidSpec {
  HidrawSpec hid;  // bus 0x05
  std::string address = "d1:c2:b3:a4:f5:e6";
  std::uint16_t version = 0x0100;
};

// A USB device without HID: a bootloader, a hub, anything whose interfaces some driver may hold.
struct UsbDeviceSpec {
  std::uint16_t vendorId = 0x0483;
  std::uint16_t productId = 0xDF11;
  std::uint16_t bcdDevice = 0x2200;
  std::optional<std::string> product = "STM32  BOOTLOADER";
  // One interface per entry, bound to the named driver ("" for none).
  std::vector<std::string> interfaceDrivers = {""};
  // The raw descriptors libusb reads from sysfs (none: libusb skips the device).
  std::vector<std::uint8_t> descriptors;
  // What every interface says it is: DFU (0xFE, 0x01) unless told otherwise.
  std::uint8_t interfaceClass = 0xFE;
  std::uint8_t interfaceSubClass = 0x01;
  int port = 0;  // as UsbHidSpec's
};

using DeviceId = std::size_t;

// A umockdev testbed holding a PCI USB host controller with its root hub, to which devices are
// added and from which they are removed as the kernel and udev would report it. Must be made
// under umockdev-wrapper; check inMockEnvironment() first.
class Testbed {
 public:
  Testbed();
  ~Testbed();
  Testbed(const Testbed&) = delete;
  Testbed& operator=(const Testbed&) = delete;

  bool inMockEnvironment() const { return mock_; }
  UMockdevTestbed* get() const { return testbed_; }
  // The folder that stands for the machine's root.
  std::string rootDir() const;

  DeviceId addUsbHid(const UsbHidSpec& spec);
  DeviceId addBleHid(const BleHidSpec& spec);
  DeviceId addUsbDevice(const UsbDeviceSpec& spec);
  // A board in its DFU bootloader that libusb lists, opens and flashes: the simulated
  // bootloader's descriptors in sysfs, its answers to the control requests through its node.
  DeviceId addBootloader(platform::sim::BootloaderSpec spec = {});
  // Binds one more interface of a USB device to a driver, with its "add" uevent.
  void addInterface(DeviceId device, const std::string& driver);
  // The device leaves: its handles fail from now on, "remove" uevents go out, sysfs empties. Its
  // node is still served (a host may hold it open), but nothing else of it is kept.
  void remove(DeviceId device);

  HidrawServer& server(DeviceId device) const { return *devices_.at(device).server; }
  platform::sim::DfuseBootloader& bootloader(DeviceId device) const {
    return *devices_.at(device).bootloader;
  }
  const std::string& devnode(DeviceId device) const { return devices_.at(device).devnode; }
  // The sysfs path of the device's top node (the USB device, or the uhid HID device).
  const std::string& syspath(DeviceId device) const { return devices_.at(device).syspaths.front(); }
  // The root hub's port of a USB device, while it is there.
  int port(DeviceId device) const { return devices_.at(device).port; }
  // Its node (hidraw or USB) refuses every user without the override capabilities.
  void denyAccess(DeviceId device);

 private:
  struct Device {
    std::vector<std::string> syspaths;  // parents first
    std::string devnode;
    std::unique_ptr<HidrawServer> server;
    std::shared_ptr<platform::sim::DfuseBootloader> bootloader;
    std::unique_ptr<platform::sim::UsbdevfsHandler> usbdevfs;
    int interfaces = 0;
    int port = 0;
    bool present = true;
  };
  DeviceId keep(Device device);
  std::string add(const std::string& description);
  std::string addHidraw(Device& device, const std::string& hidSyspath, HidrawSpec hid);
  int portFor(int asked);
  std::string usbDevice(const std::string& port, std::uint16_t vendor, std::uint16_t product,
                        std::uint16_t bcd, const std::optional<std::string>& name,
                        const std::vector<std::uint8_t>& descriptors, std::string& devnode);
  std::string interface(const std::string& usbSyspath, const std::string& port, int number,
                        const std::string& driver, int cls, int subClass = 0);
  // The node's file in the testbed's root; its directory is made.
  std::string nodePath(const std::string& devnode);
  void touch(const std::string& devnode);

  UMockdevTestbed* testbed_;
  bool mock_ = false;
  std::map<DeviceId, Device> devices_;
  DeviceId nextId_ = 0;
  int nextPort_ = 1;
  int nextAddress_ = 2;  // the root hub has 1; a device plugged in again gets a new one
  int nextHidraw_ = 0;
  int nextHid_ = 1;
  bool uhid_ = false;
};

// Drops, for the calling thread and while alive, the capabilities that let root open any file,
// so a node's file mode denies root too (the tests run as root in CI).
class WithoutFileOverride {
 public:
  WithoutFileOverride();
  ~WithoutFileOverride();

 private:
  std::uint32_t saved_[2] = {};
  bool changed_ = false;
};

}  // namespace brisa::testbed
