#include "platform/sim/device_catalog.h"

#include <cctype>
#include <cstdio>

#include "platform/guid.h"

namespace brisa::platform::sim {

namespace {

const char* const kHidInterfaceClass = "{4d1e55b2-f16f-11cf-88cb-001111000030}";
const char* const kKeyboardInterfaceClass = "{884b96c3-56ef-11d1-bc8c-00a0c91405dd}";
const char* const kMouseInterfaceClass = "{378de44c-56ef-11d1-bc8c-00a0c91405dd}";

std::string format(const char* fmt, auto... args) {
  char text[256];
  std::snprintf(text, sizeof text, fmt, args...);
  return text;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The instance part the system gives a device's child, unique per machine device.
std::string instanceSuffix(unsigned prefix, std::size_t n) {
  return format("%u&%08x&0&0000", prefix, static_cast<unsigned>(0x1c2d3e40u + n));
}

NodeSpec node(std::string instanceId, const Guid& cls, const char* className,
              std::optional<std::string> description, std::vector<std::string> hardwareIds = {},
              std::optional<std::string> friendlyName = std::nullopt) {
  NodeSpec spec;
  spec.instanceId = std::move(instanceId);
  spec.classGuid = cls;
  spec.className = className;
  spec.description = std::move(description);
  spec.friendlyName = std::move(friendlyName);
  if (!hardwareIds.empty()) spec.hardwareIds = std::move(hardwareIds);
  return spec;
}

std::shared_ptr<BoardFirmware> makeFirmware(BoardModel model,
                                            const std::optional<StoredConfig>& config) {
  auto firmware = std::make_shared<BoardFirmware>(model);
  if (config) {
    for (std::uint8_t id = 2; id <= 5; ++id) firmware->setPayload(id, (*config)[id - 2]);
  }
  return firmware;
}

// A USB HID device: the USB node under the root hub and its HID node, with one interface.
DeviceId addUsbHid(Machine& machine, std::uint16_t vid, std::uint16_t pid, std::uint16_t rev,
                   const std::string& collection, const Guid& hidClass, const char* hidClassName,
                   const char* hidDescription, const std::string& interfaceTail,
                   HidFunction function) {
  const std::size_t n = machine.deviceCount();
  const std::string vidPid = format("VID_%04X&PID_%04X", vid, pid);
  const std::string suffix = instanceSuffix(7, n);
  DeviceBuild build;
  build.nodes.push_back(
      DeviceBuild::Node{node(format("USB\\%s\\BRISA%04u", vidPid.c_str(), static_cast<unsigned>(n)),
                             kHidClassGuid, "HIDClass", "USB Input Device",
                             {format("USB\\%s&REV_%04X", vidPid.c_str(), rev), "USB\\" + vidPid}),
                        machine.usbRootHub(), std::nullopt});
  build.nodes.push_back(DeviceBuild::Node{
      node(upper("HID\\" + vidPid + collection + "\\" + suffix), hidClass, hidClassName,
           hidDescription,
           {format("HID\\%s&REV_%04X", vidPid.c_str(), rev), "HID\\" + vidPid, "HID_DEVICE"}),
      std::nullopt, 0});
  function.path = format("\\\\?\\hid#vid_%04x&pid_%04x", vid, pid) + collection + "#" + suffix +
                  "#" + interfaceTail;
  function.attributes = HidAttributes{vid, pid, rev};
  build.hidInterfaces.push_back(DeviceBuild::Hid{1, std::move(function)});
  build.firmware = build.hidInterfaces.back().function.firmware;
  return machine.addDevice(std::move(build));
}

}  // namespace

std::uint16_t defaultInputReportLength(BoardModel model) {
  return static_cast<std::uint16_t>(1 + inputPayloadSize(model));
}

DeviceId addUsbBoard(Machine& machine, const UsbBoardSpec& spec) {
  const FirmwareTraits& traits = traitsOf(spec.model);
  HidFunction function;
  function.caps = HidCaps{spec.inputReportLength.value_or(defaultInputReportLength(spec.model)),
                          spec.featureReportLength};
  function.productString =
      spec.productString ? *spec.productString : "Brisa " + std::string(traits.name);
  function.firmware = makeFirmware(spec.model, spec.config);
  function.firmware->inputQueue().setReportLength(function.caps.inputReportByteLength);
  return addUsbHid(machine, kBoardVendorId, spec.productId.value_or(traits.productId),
                   spec.versionNumber, "", kHidClassGuid, "HIDClass",
                   "HID-compliant game controller", kHidInterfaceClass, std::move(function));
}

DeviceId addKeyboardInterface(Machine& machine, const KeyboardSpec& spec) {
  HidFunction function;
  function.caps = HidCaps{9, 21};
  function.productString = spec.productString;
  function.opensForReadWrite = false;
  function.queryOpensOnlyWithoutKbd = spec.queryOpensOnlyWithoutKbd;
  // Its configuration goes through feature reports on the keyboard collection itself, which
  // the system lets a query handle exchange.
  function.firmware = makeFirmware(BoardModel::Keyboard, spec.config);
  function.firmware->setPinWord(spec.pinWord);
  return addUsbHid(machine, kBoardVendorId, spec.productId, 0x0100, "&col01", kKeyboardClassGuid,
                   "Keyboard", "HID Keyboard Device",
                   std::string(kKeyboardInterfaceClass) + "\\KBD", std::move(function));
}

DeviceId addMouse(Machine& machine) {
  HidFunction function;
  function.caps = HidCaps{5, 0};
  function.productString = "USB Optical Mouse";
  function.opensForReadWrite = false;
  return addUsbHid(machine, 0x046D, 0xC077, 0x7200, "", kMouseClassGuid, "Mouse",
                   "HID-compliant mouse", kMouseInterfaceClass, std::move(function));
}

DeviceId addForeignKeyboard(Machine& machine) {
  HidFunction function;
  function.caps = HidCaps{9, 0};
  function.productString = "USB Keyboard";
  function.opensForReadWrite = false;
  return addUsbHid(machine, 0x046D, 0xC31C, 0x6400, "&mi_00", kKeyboardClassGuid, "Keyboard",
                   "HID Keyboard Device", std::string(kKeyboardInterfaceClass) + "\\KBD",
                   std::move(function));
}

DeviceId addBleBoard(Machine& machine, const BleBoardSpec& spec) {
  const std::size_t n = machine.deviceCount();
  const std::string mac = format("%012llx", static_cast<unsigned long long>(spec.address));
  const std::string dev = format("_dev_vid&02%04x_pid&%04x_rev&%04x_", kBoardVendorId,
                                 spec.productId, spec.versionNumber) +
                          mac;
  auto gatt =
      std::make_shared<GattServer>(GattServer::standardDatabase(spec.batteryLevel, spec.name));

  DeviceBuild build;
  build.nodes.push_back(DeviceBuild::Node{
      node(upper(format("BTHLE\\DEV_%s\\7&%08x&0&", mac.c_str(),
                        static_cast<unsigned>(0x2d3e4f50u + n)) +
                 mac),
           kBluetoothClassGuid, "Bluetooth", spec.name, {upper("BTHLE\\DEV_" + mac)}, spec.name),
      machine.bluetoothLeEnumerator(), std::nullopt});
  // One node per GATT service beside the HID service node; each is also a device interface of
  // its service's class.
  const auto serviceNode = [&](const GattUuid& uuid, const Guid& cls, const char* className,
                               const char* description) {
    const std::string id = toString(toGuid(uuid));
    const std::string suffix =
        format("8&%08x&0&%04zx", static_cast<unsigned>(0x1a2b3c00u + n), build.nodes.size());
    build.nodes.push_back(
        DeviceBuild::Node{node(upper("BTHLEDevice\\" + id + dev + "\\" + suffix), cls, className,
                               description, {upper("BTHLEDevice\\" + id + dev)}),
                          std::nullopt, 0});
    return "\\\\?\\bthledevice#" + id + dev + "#" + suffix + "#" + id;
  };
  for (const GattServer::Service& service : gatt->services()) {
    const std::string path = serviceNode(service.uuid, kBluetoothClassGuid, "Bluetooth",
                                         "Bluetooth LE Generic Attribute Service");
    build.gattInterfaces.push_back(
        DeviceBuild::GattInterface{build.nodes.size() - 1, path, service.uuid});
  }
  serviceNode(GattUuid::shortForm(kHidServiceShortUuid), kHidClassGuid, "HIDClass",
              "Bluetooth Low Energy GATT compliant HID device");
  const std::size_t hidServiceIndex = build.nodes.size() - 1;

  const std::string hidId = toString(Guid::fromShortUuid(kHidServiceShortUuid));
  const std::string hidSuffix = instanceSuffix(9, n);
  build.nodes.push_back(DeviceBuild::Node{
      node(upper("HID\\" + hidId + dev + "\\" + hidSuffix),
           spec.keyboard ? kKeyboardClassGuid : kHidClassGuid,
           spec.keyboard ? "Keyboard" : "HIDClass",
           spec.keyboard ? "HID Keyboard Device" : "HID-compliant game controller",
           {upper("HID\\" + hidId + dev), "HID_DEVICE"}),
      std::nullopt, hidServiceIndex});

  HidFunction function;
  function.path = "\\\\?\\hid#" + hidId + dev + "#" + hidSuffix + "#" +
                  (spec.keyboard ? std::string(kKeyboardInterfaceClass) + "\\KBD"
                                 : std::string(kHidInterfaceClass));
  function.opensForReadWrite = !spec.keyboard;
  function.attributes = HidAttributes{kBoardVendorId, spec.productId, spec.versionNumber};
  function.caps = HidCaps{defaultInputReportLength(spec.model), 21};
  function.productString = spec.productString;
  function.bluetooth = true;
  function.firmware = makeFirmware(spec.model, spec.config);
  function.firmware->setPinWord(spec.pinWord);
  build.firmware = function.firmware;
  build.gatt = std::move(gatt);
  build.hidInterfaces.push_back(DeviceBuild::Hid{build.nodes.size() - 1, std::move(function)});
  return machine.addDevice(std::move(build));
}

DeviceId addBootloader(Machine& machine, const BootloaderNodeSpec& spec) {
  std::vector<std::string> ids;
  const std::uint32_t revision = spec.revision.value_or(spec.usb.bcdDevice);
  if (spec.withRevision)
    ids.push_back(format("USB\\VID_0483&PID_DF11&REV_%04X", static_cast<unsigned>(revision)));
  ids.push_back("USB\\VID_0483&PID_DF11");
  const std::string serial =
      spec.serial.empty() ? format("205A32A4%04zX", machine.deviceCount()) : spec.serial;
  DeviceBuild build;
  build.nodes.push_back(
      DeviceBuild::Node{node("USB\\VID_0483&PID_DF11\\" + serial, kLibusbKClassGuid,
                             "libusbK USB Devices", spec.description, std::move(ids)),
                        machine.usbRootHub(), std::nullopt});
  build.bootloader = std::make_shared<DfuseBootloader>(spec.usb);
  return machine.addDevice(std::move(build));
}

DeviceId addLibusbKDevice(Machine& machine, const LibusbKDeviceSpec& spec) {
  DeviceBuild build;
  build.nodes.push_back(DeviceBuild::Node{
      node(format("USB\\%s\\0E2140E%zu", spec.vidPid.c_str(), machine.deviceCount()),
           kLibusbKClassGuid, "libusbK USB Devices", spec.description,
           {"USB\\" + spec.vidPid + "&REV_0100", "USB\\" + spec.vidPid}),
      machine.usbRootHub(), std::nullopt});
  return machine.addDevice(std::move(build));
}

}  // namespace brisa::platform::sim
