#include "testbed.h"

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "platform/umockdev/usbdevfs_handler.h"

namespace brisa::testbed {

namespace {

constexpr const char* kHostController = "/devices/pci0000:00/0000:00:14.0";
constexpr const char* kRootHub = "/devices/pci0000:00/0000:00:14.0/usb1";
constexpr const char* kUhid = "/devices/virtual/misc/uhid";

std::string format(const char* fmt, auto... args) {
  char text[512];
  std::snprintf(text, sizeof text, fmt, args...);
  return text;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (std::uint8_t b : bytes) out += format("%02X", unsigned{b});
  return out;
}

std::string usbNode(int address) {
  return format("/dev/bus/usb/001/%03d", address);
}

std::string hidId(const HidrawSpec& hid) {
  return format("%04X:%04X:%04X", hid.bus, unsigned{hid.vendorId}, unsigned{hid.productId});
}

}  // namespace

Testbed::Testbed() : testbed_(umockdev_testbed_new()) {
  // Asked only now: the answer is cached from the first call, which must see the testbed.
  mock_ = umockdev_in_mock_environment();
  if (!mock_) return;
  add(
      format("P: %s\nE: SUBSYSTEM=pci\nE: DRIVER=xhci_hcd\n"
             "E: ID_MODEL_FROM_DATABASE=Sunrise Point-LP USB 3.0 xHCI Controller\n",
             kHostController));
  std::string devnode;
  usbDevice("usb1", 0x1D6B, 0x0002, 0x0601, std::string("xHCI Host Controller"), {}, devnode);
  interface(std::string("/sys") + kRootHub, "1-0", 0, "hub", 0x09);
}

Testbed::~Testbed() {
  devices_.clear();
  g_object_unref(testbed_);
}

std::string Testbed::add(const std::string& description) {
  GError* error = nullptr;
  if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error)) {
    const std::string message = error != nullptr ? error->message : "?";
    g_clear_error(&error);
    throw std::runtime_error("testbed: " + message + "\n" + description);
  }
  return "/sys" + description.substr(3, description.find('\n') - 3);
}

std::string Testbed::rootDir() const {
  gchar* dir = umockdev_testbed_get_root_dir(testbed_);  // the caller's to free
  std::string out = dir != nullptr ? dir : "";
  g_free(dir);
  return out;
}

std::string Testbed::nodePath(const std::string& devnode) {
  std::string path = rootDir() + devnode;
  gchar* dir = g_path_get_dirname(path.c_str());
  g_mkdir_with_parents(dir, 0755);
  g_free(dir);
  return path;
}

void Testbed::touch(const std::string& devnode) {
  g_file_set_contents(nodePath(devnode).c_str(), "", 0, nullptr);
}

std::string Testbed::usbDevice(const std::string& port, std::uint16_t vendor, std::uint16_t product,
                               std::uint16_t bcd, const std::optional<std::string>& name,
                               const std::vector<std::uint8_t>& descriptors, std::string& devnode) {
  const int address = port == "usb1" ? 1 : nextAddress_++;
  devnode = usbNode(address);
  std::string text = format(
      "P: %s/%s\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: DEVNAME=%s\n"
      "E: BUSNUM=001\nE: DEVNUM=%03d\nA: idVendor=%04x\\n\nA: idProduct=%04x\\n\n"
      "A: bcdDevice=%04x\\n\nA: busnum=1\\n\nA: devnum=%d\\n\nA: dev=189:%d\\n\n"
      "A: speed=12\\n\nA: bConfigurationValue=1\\n\nA: bNumConfigurations=1\\n\n",
      port == "usb1" ? "/devices/pci0000:00/0000:00:14.0" : kRootHub, port.c_str(), devnode.c_str(),
      address, unsigned{vendor}, unsigned{product}, unsigned{bcd}, address, address - 1);
  if (name) text += "A: product=" + *name + "\\n\n";
  if (!descriptors.empty()) text += "H: descriptors=" + hex(descriptors) + "\n";
  touch(devnode);
  return add(text);
}

std::string Testbed::interface(const std::string& usbSyspath, const std::string& port, int number,
                               const std::string& driver, int cls, int subClass) {
  std::string text = format(
      "P: %s/%s:1.%d\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
      "A: bInterfaceNumber=%02x\\n\nA: bInterfaceClass=%02x\\n\nA: bInterfaceSubClass=%02x\\n\n",
      usbSyspath.substr(4).c_str(), port.c_str(), number, number, cls, subClass);
  if (!driver.empty()) {
    text +=
        "E: DRIVER=" + driver + "\nL: driver=../../../../../../bus/usb/drivers/" + driver + "\n";
  }
  return add(text);
}

std::string Testbed::addHidraw(Device& device, const std::string& hidSyspath, HidrawSpec hid) {
  const int minor = nextHidraw_++;
  device.devnode = format("/dev/hidraw%d", minor);
  // The node and its server are in place before the node's "add" goes out, as udev has
  // made the node before it tells anyone.
  device.server = std::make_unique<HidrawServer>(std::move(hid), nodePath(device.devnode));
  if (!umockdev_testbed_attach_ioctl(testbed_, device.devnode.c_str(), device.server->base(),
                                     nullptr)) {
    throw std::runtime_error("testbed: cannot serve " + device.devnode);
  }
  return add(format("P: %s/hidraw/hidraw%d\nE: SUBSYSTEM=hidraw\nE: DEVNAME=%s\nA: dev=244:%d\\n\n",
                    hidSyspath.substr(4).c_str(), minor, device.devnode.c_str(), minor));
}

int Testbed::portFor(int asked) {
  if (asked != 0) return asked;
  return nextPort_++;
}

DeviceId Testbed::addUsbHid(const UsbHidSpec& spec) {
  Device device;
  device.port = portFor(spec.port);
  const std::string port = format("1-%d", device.port);
  std::string usbNode;
  device.syspaths.push_back(usbDevice(port, spec.hid.vendorId, spec.hid.productId, spec.bcdDevice,
                                      spec.product, {}, usbNode));
  device.syspaths.push_back(interface(device.syspaths[0], port, 0, "usbhid", 0x03));
  device.interfaces = 1;
  device.syspaths.push_back(add(
      format("P: %s/%s.%04X\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=%04X:%08X:%08X\n"
             "E: HID_NAME=%s\nE: HID_PHYS=usb-0000:00:14.0-%s/input0\nE: HID_UNIQ=\nH: "
             "report_descriptor=%s\n",
             device.syspaths[1].substr(4).c_str(), hidId(spec.hid).c_str(), nextHid_++,
             spec.hid.bus, unsigned{spec.hid.vendorId}, unsigned{spec.hid.productId},
             spec.hid.name.c_str(), port.c_str(), hex(spec.hid.descriptor).c_str())));
  device.syspaths.push_back(addHidraw(device, device.syspaths[2], spec.hid));
  return keep(std::move(device));
}

DeviceId Testbed::addBleHid(const BleHidSpec& spec) {
  if (!uhid_) {
    add(format("P: %s\nE: SUBSYSTEM=misc\nE: DEVNAME=/dev/uhid\nA: dev=10:239\\n\n", kUhid));
    uhid_ = true;
  }
  Device device;
  const std::string hid = format("%s/%s.%04X", kUhid, hidId(spec.hid).c_str(), nextHid_++);
  device.syspaths.push_back(add(format(
      "P: %s\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\nE: HID_ID=%04X:%08X:%08X\nE: HID_NAME=%s\n"
      "E: HID_PHYS=00:1a:7d:da:71:13\nE: HID_UNIQ=%s\nH: report_descriptor=%s\n",
      hid.c_str(), spec.hid.bus, unsigned{spec.hid.vendorId}, unsigned{spec.hid.productId},
      spec.hid.name.c_str(), spec.address.c_str(), hex(spec.hid.descriptor).c_str())));
  device.syspaths.push_back(
      add(format("P: %s/input/input%d\nE: SUBSYSTEM=input\nE: NAME=\"%s\"\nA: id/version=%04x\\n\n",
                 hid.c_str(), 20 + nextHid_, spec.hid.name.c_str(), unsigned{spec.version})));
  device.syspaths.push_back(addHidraw(device, device.syspaths[0], spec.hid));
  return keep(std::move(device));
}

DeviceId Testbed::addUsbDevice(const UsbDeviceSpec& spec) {
  Device device;
  device.port = portFor(spec.port);
  const std::string port = format("1-%d", device.port);
  device.syspaths.push_back(usbDevice(port, spec.vendorId, spec.productId, spec.bcdDevice,
                                      spec.product, spec.descriptors, device.devnode));
  for (const std::string& driver : spec.interfaceDrivers) {
    device.syspaths.push_back(interface(device.syspaths[0], port, device.interfaces++, driver,
                                        spec.interfaceClass, spec.interfaceSubClass));
  }
  return keep(std::move(device));
}

DeviceId Testbed::addBootloader(platform::sim::BootloaderSpec spec) {
  // The address the bus gives it, as the device itself then knows it.
  spec.busNumber = 1;
  spec.deviceAddress = static_cast<std::uint8_t>(nextAddress_);
  auto bootloader = std::make_shared<platform::sim::DfuseBootloader>(std::move(spec));
  const platform::sim::BootloaderSpec& s = bootloader->spec();
  std::string product;
  for (const char16_t c : s.product) product += static_cast<char>(c);  // ASCII, as sysfs shows it
  UsbDeviceSpec usb;
  usb.vendorId = s.vendorId;
  usb.productId = s.productId;
  usb.bcdDevice = s.bcdDevice;
  usb.product = product;
  usb.descriptors = platform::sim::sysfsDescriptors(*bootloader);
  // The node is served before the device's "add" goes out, as udev has made it by then: a host
  // that looks at it on that event must find it answering.
  auto usbdevfs = std::make_unique<platform::sim::UsbdevfsHandler>(*bootloader);
  const std::string devnode = usbNode(nextAddress_);
  touch(devnode);
  if (!umockdev_testbed_attach_ioctl(testbed_, devnode.c_str(), usbdevfs->base(), nullptr)) {
    throw std::runtime_error("testbed: cannot serve " + devnode);
  }
  const DeviceId id = addUsbDevice(usb);
  Device& device = devices_.at(id);
  device.usbdevfs = std::move(usbdevfs);
  device.bootloader = std::move(bootloader);
  return id;
}

void Testbed::addInterface(DeviceId id, const std::string& driver) {
  Device& device = devices_.at(id);
  const std::string& usb = device.syspaths.front();
  const std::string port = usb.substr(usb.rfind('/') + 1);
  device.syspaths.push_back(interface(usb, port, device.interfaces++, driver, 0x03));
}

DeviceId Testbed::keep(Device device) {
  devices_.emplace(nextId_, std::move(device));
  return nextId_++;
}

void Testbed::remove(DeviceId id) {
  const auto kept = devices_.find(id);
  if (kept == devices_.end() || !kept->second.present) return;
  Device& device = kept->second;
  device.present = false;
  if (device.server) device.server->vanish();
  if (device.bootloader) device.bootloader->unplug();
  for (auto at = device.syspaths.rbegin(); at != device.syspaths.rend(); ++at) {
    umockdev_testbed_uevent(testbed_, at->c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, at->c_str());
  }
  // A test may plug and unplug a thousand times: nothing is kept of a device that went but what
  // serves its node.
  if (!device.server && !device.usbdevfs) {
    devices_.erase(kept);
  } else {
    device.syspaths.resize(1);
    device.syspaths.shrink_to_fit();
  }
}

void Testbed::denyAccess(DeviceId device) {
  const std::string path = rootDir() + devnode(device);
  ::chmod(path.c_str(), 0);
}

WithoutFileOverride::WithoutFileOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return;
  saved_[0] = data[0].effective;
  saved_[1] = data[1].effective;
  data[0].effective &=
      ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
  changed_ = ::syscall(SYS_capset, &header, data) == 0;
}

WithoutFileOverride::~WithoutFileOverride() {
  if (!changed_) return;
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return;
  data[0].effective = saved_[0];
  data[1].effective = saved_[1];
  ::syscall(SYS_capset, &header, data);
}

}  // namespace brisa::testbed
