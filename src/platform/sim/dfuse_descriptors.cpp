// The bootloader's descriptors: raw bytes as the device sends them.
#include "platform/sim/dfuse_bootloader.h"
#include "platform/usb.h"

namespace brisa::platform::sim {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// String indices: 1 manufacturer, 2 product, 3 serial, then the alternate-setting names in
// configuration, interface and alternate-setting order.
constexpr std::uint8_t kManufacturerIndex = 1;
constexpr std::uint8_t kProductIndex = 2;
constexpr std::uint8_t kSerialIndex = 3;
constexpr std::uint8_t kFirstNameIndex = 4;

std::vector<std::u16string> altNames(const BootloaderSpec& spec) {
  std::vector<std::u16string> names;
  for (const auto& configuration : spec.configurations) {
    for (const auto& interface : configuration) {
      for (const auto& alt : interface.altSettings) {
        if (alt.name) names.push_back(*alt.name);
      }
    }
  }
  return names;
}

std::vector<std::uint8_t> encodeString(const std::u16string& text) {
  // A string descriptor holds at most 126 UTF-16 units.
  const std::size_t units = std::min<std::size_t>(text.size(), 126);
  std::vector<std::uint8_t> out{static_cast<std::uint8_t>(2 + 2 * units), kUsbDescriptorTypeString};
  for (std::size_t i = 0; i < units; ++i) put16(out, text[i]);
  return out;
}

}  // namespace

std::vector<std::vector<DfuInterfaceSpec>> stm32Configurations() {
  DfuInterfaceSpec interface;
  interface.altSettings = {
      {u"@Internal Flash  /0x08000000/04*016Kg,01*064Kg,07*128Kg"},
      {u"@Option Bytes  /0x1FFFC000/01*016 e"},
      {u"@OTP Memory /0x1FFF7800/01*512 e,01*016 e"},
      {u"@Device Feature/0xFFFF0000/01*004 e"},
  };
  return {{interface}};
}

std::vector<std::uint8_t> DfuFunctional::bytes() const {
  std::vector<std::uint8_t> out{9, kUsbDescriptorTypeDfuFunctional, bmAttributes};
  put16(out, wDetachTimeOut);
  put16(out, wTransferSize);
  put16(out, bcdDFUVersion);
  return out;
}

std::vector<std::uint8_t> DfuseBootloader::deviceDescriptor() const {
  std::vector<std::uint8_t> out{18, kUsbDescriptorTypeDevice};
  put16(out, 0x0200);  // USB 2.0
  out.insert(out.end(), {0, 0, 0, spec_.maxPacketSize0});
  put16(out, spec_.vendorId);
  put16(out, spec_.productId);
  put16(out, spec_.bcdDevice);
  out.insert(out.end(), {kManufacturerIndex, kProductIndex,
                         static_cast<std::uint8_t>(spec_.serial ? kSerialIndex : 0),
                         static_cast<std::uint8_t>(spec_.configurations.size())});
  return out;
}

std::vector<std::uint8_t> DfuseBootloader::configDescriptor(std::uint8_t index) const {
  std::lock_guard lock(mutex_);
  if (index >= spec_.configurations.size()) return {};
  const std::vector<std::uint8_t> functional =
      spec_.functionalBytes.value_or(spec_.functional.bytes());
  std::uint8_t nameIndex = kFirstNameIndex;
  for (std::uint8_t c = 0; c < index; ++c) {
    for (const auto& interface : spec_.configurations[c]) {
      for (const auto& alt : interface.altSettings) {
        if (alt.name) ++nameIndex;
      }
    }
  }

  const auto& interfaces = spec_.configurations[index];
  std::vector<std::uint8_t> out{9,
                                kUsbDescriptorTypeConfig,
                                0,
                                0,
                                static_cast<std::uint8_t>(interfaces.size()),
                                static_cast<std::uint8_t>(index + 1),
                                0,
                                0xC0,  // self powered
                                50};   // 100 mA
  if (spec_.functionalPlacement == FunctionalPlacement::kConfigExtra) {
    out.insert(out.end(), functional.begin(), functional.end());
  }
  for (std::size_t i = 0; i < interfaces.size(); ++i) {
    const auto& alts = interfaces[i].altSettings;
    for (std::size_t a = 0; a < alts.size(); ++a) {
      out.insert(out.end(), {9, kUsbDescriptorTypeInterface, static_cast<std::uint8_t>(i),
                             static_cast<std::uint8_t>(a), 0, alts[a].interfaceClass,
                             alts[a].interfaceSubClass, alts[a].interfaceProtocol,
                             static_cast<std::uint8_t>(alts[a].name ? nameIndex++ : 0)});
      const bool last = a + 1 == alts.size();
      if (spec_.functionalPlacement == FunctionalPlacement::kAfterEachAltSetting ||
          (last && spec_.functionalPlacement == FunctionalPlacement::kAfterLastAltSetting)) {
        out.insert(out.end(), functional.begin(), functional.end());
      }
    }
  }
  out[2] = static_cast<std::uint8_t>(out.size() & 0xFF);
  out[3] = static_cast<std::uint8_t>(out.size() >> 8);
  if (faults_.malformedConfigs.count(index) != 0) out[0] = 4;  // a header shorter than 9 bytes
  return out;
}

std::optional<std::vector<std::uint8_t>> DfuseBootloader::stringDescriptor(
    std::uint8_t index) const {
  std::lock_guard lock(mutex_);
  return stringLocked(index);
}

std::optional<std::vector<std::uint8_t>> DfuseBootloader::stringLocked(std::uint8_t index) const {
  if (auto it = faults_.strings.find(index); it != faults_.strings.end()) return it->second;
  if (index == 0) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(2 + 2 * spec_.languages.size()),
                                  kUsbDescriptorTypeString};
    for (std::uint16_t language : spec_.languages) put16(out, language);
    return out;
  }
  if (index == kManufacturerIndex) return encodeString(spec_.manufacturer);
  if (index == kProductIndex) return encodeString(spec_.product);
  if (index == kSerialIndex) {
    if (!spec_.serial) return std::nullopt;
    return encodeString(*spec_.serial);
  }
  const std::vector<std::u16string> names = altNames(spec_);
  if (index >= kFirstNameIndex && std::size_t{index} - kFirstNameIndex < names.size()) {
    return encodeString(names[index - kFirstNameIndex]);
  }
  return std::nullopt;
}

}  // namespace brisa::platform::sim
