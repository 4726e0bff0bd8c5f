#pragma once

// The kinds of device a simulated machine holds, each added with the nodes, names, hardware
// ids and interface paths a real one shows. The paths keep the contract of
// platform/device_tree.h:
//   USB board        \\?\hid#vid_1209&pid_0009#7&1c2d3e41&0&0000#{4d1e55b2-...}
//   BLE board        \\?\hid#{00001812-0000-1000-8000-00805f9b34fb}_dev_vid&021209_pid&0001_...
//   keyboard         \\?\hid#vid_1209&pid_0007&col01#7&...#{884b96c3-...}\KBD
//   bootloader       hardware id USB\VID_0483&PID_DF11&REV_2200
// Every path opens again after it was upper-cased.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/sim/board_firmware.h"
#include "platform/sim/board_model.h"
#include "platform/sim/machine.h"

namespace brisa::platform::sim {

inline constexpr std::uint16_t kBoardVendorId = 0x1209;

// Feature reports 2..5 as stored in a board (bytes 1..20 of each).
using StoredConfig = std::array<BoardFirmware::Payload, 4>;

struct UsbBoardSpec {
  BoardModel model = BoardModel::Kestrel;
  std::optional<std::uint16_t> productId;  // default: the model's
  std::uint16_t versionNumber = 0x0100;
  std::optional<std::string> productString;        // default: "Brisa " + model name
  std::optional<std::uint16_t> inputReportLength;  // default: the model's layout + id byte
  std::uint16_t featureReportLength = 21;
  std::optional<StoredConfig> config;
};

struct BleBoardSpec {
  // A Bluetooth board runs the Merlin firmware; another model plays a wired key over the air.
  BoardModel model = BoardModel::Merlin;
  std::string name = "Merlin";                    // friendly name of the Bluetooth LE device node
  std::optional<std::uint8_t> batteryLevel = 87;  // none: no Battery Service
  std::uint32_t pinWord = 123456;
  std::uint64_t address = 0xD1C2B3A4F5E6;
  std::uint16_t productId = 0x0001;
  std::uint16_t versionNumber = 0x0100;
  std::optional<std::string> productString = "Merlin";
  std::optional<StoredConfig> config;  // its report 3 PIN word is replaced by pinWord
  // The board's HID interface is a keyboard collection (path ends in "\KBD", refuses the
  // read/write open) instead of a game controller.
  bool keyboard = false;
};

struct KeyboardSpec {
  std::uint16_t productId = 0x0007;
  std::optional<std::string> productString = "Brisa Keyboard";
  // The collection refuses even a query open under its listed path; without "\KBD" it opens.
  bool queryOpensOnlyWithoutKbd = false;
  std::uint32_t pinWord = 0;
  std::optional<StoredConfig> config;  // its report 3 PIN word is replaced by pinWord
};

struct BootloaderNodeSpec {
  // What it is on the USB side (descriptors, DFU, flash, faults): an STM32 system bootloader
  // by default.
  BootloaderSpec usb;
  // The "&REV_xxxx" of its first hardware id: the USB side's bcdDevice unless given here
  // (five hex digits are possible); none at all without withRevision.
  std::optional<std::uint32_t> revision;
  bool withRevision = true;
  std::string description = "STM32  BOOTLOADER";
  std::string serial;  // default: one of its own, so two bootloaders differ
};

// A libusbK-class device that is not the bootloader (a debug probe).
struct LibusbKDeviceSpec {
  std::string vidPid = "VID_1CBE&PID_00FD";
  std::string description = "In-Circuit Debug Interface";
};

DeviceId addUsbBoard(Machine& machine, const UsbBoardSpec& spec);
DeviceId addBleBoard(Machine& machine, const BleBoardSpec& spec);
DeviceId addKeyboardInterface(Machine& machine, const KeyboardSpec& spec);
DeviceId addBootloader(Machine& machine, const BootloaderNodeSpec& spec);
DeviceId addLibusbKDevice(Machine& machine, const LibusbKDeviceSpec& spec);
// Devices the tool must leave alone: a mouse, and a keyboard of another vendor.
DeviceId addMouse(Machine& machine);
DeviceId addForeignKeyboard(Machine& machine);

// The input report length of a board model: id byte plus its layout.
std::uint16_t defaultInputReportLength(BoardModel model);

}  // namespace brisa::platform::sim
