#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brisa::platform {

// A class or service identifier, compared by value whatever letter case its text used.
struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::array<std::uint8_t, 8> data4{};

  bool operator==(const Guid&) const = default;

  // The 16-bit GATT id on the Bluetooth base UUID (0000xxxx-0000-1000-8000-00805f9b34fb).
  static Guid fromShortUuid(std::uint16_t shortUuid);
};

// Accepts only the braced form "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", either letter case.
std::optional<Guid> parseGuid(std::string_view text);

// "{xxxxxxxx-...}" in lower case, as device registries store class GUIDs.
std::string toString(const Guid& guid);

// Setup classes and interface classes the device list relies on.
inline const Guid kUsbClassGuid{
    0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
inline const Guid kBluetoothClassGuid{
    0xE0CBF06C, 0xCD8B, 0x4647, {0xBB, 0x8A, 0x26, 0x3B, 0x43, 0xF0, 0xF9, 0x74}};
inline const Guid kLibusbKClassGuid{
    0xECFB0CFD, 0x74C4, 0x4F52, {0xBB, 0xF7, 0x34, 0x34, 0x61, 0xCD, 0x72, 0xAC}};
inline const Guid kHidClassGuid{
    0x745A17A0, 0x74D3, 0x11D0, {0xB6, 0xFE, 0x00, 0xA0, 0xC9, 0x0F, 0x57, 0xDA}};
inline const Guid kKeyboardClassGuid{
    0x4D36E96B, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline const Guid kMouseClassGuid{
    0x4D36E96F, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
inline const Guid kSystemClassGuid{
    0x4D36E97D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
// Interface classes: HID interfaces, and the keyboard collections among them.
inline const Guid kHidInterfaceGuid{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
inline const Guid kKeyboardInterfaceGuid{
    0x884B96C3, 0x56EF, 0x11D1, {0xBC, 0x8C, 0x00, 0xA0, 0xC9, 0x14, 0x05, 0xDD}};

inline constexpr std::uint16_t kHidServiceShortUuid = 0x1812;
inline constexpr std::uint16_t kBatteryServiceShortUuid = 0x180F;
inline constexpr std::uint16_t kBatteryLevelShortUuid = 0x2A19;

}  // namespace brisa::platform
