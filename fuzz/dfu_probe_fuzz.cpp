// A device that answers the interface probe with any bytes at all: its device and configuration
// descriptors, string descriptors and the functional descriptor on request. The probe must
// return, with records that the device's alternate settings account for and names that fit.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "dfu/dfu_probe.h"
#include "platform/sim/sim_usb.h"
#include "platform/sim/usb_descriptor_parser.h"

namespace {

using brisa::platform::sim::UsbOutcome;
using brisa::platform::sim::UsbReply;
using brisa::platform::sim::UsbSetup;

class FuzzedDevice final : public brisa::platform::sim::UsbDeviceModel {
 public:
  explicit FuzzedDevice(FuzzedDataProvider& data) : data_(data) {
    device_ = data_.ConsumeBytes<std::uint8_t>(18);
    device_.resize(18);
    device_[0] = 18;
    device_[1] = 1;
    device_[8] = 0x83;  // the bootloader's ids, so it opens
    device_[9] = 0x04;
    device_[10] = 0x11;
    device_[11] = 0xDF;
    device_[17] %= 4;  // configurations
    for (std::uint8_t c = 0; c < device_[17]; ++c) {
      configs_.push_back(data_.ConsumeBytes<std::uint8_t>(data_.ConsumeIntegralInRange(0, 600)));
    }
  }

  bool present() const override { return true; }
  unsigned connection() const override { return 1; }
  std::uint8_t busNumber() const override { return 1; }
  std::uint8_t deviceAddress() const override { return 2; }
  std::vector<std::uint8_t> deviceDescriptor() const override { return device_; }
  std::vector<std::uint8_t> configDescriptor(std::uint8_t index) const override {
    return index < configs_.size() ? configs_[index] : std::vector<std::uint8_t>{};
  }
  UsbOutcome open() override { return UsbOutcome::kOk; }
  UsbOutcome claimInterface(std::uint8_t) override { return UsbOutcome::kOk; }
  UsbOutcome setInterface(std::uint8_t, std::uint8_t) override { return UsbOutcome::kOk; }

  // Every request (string descriptors, the functional descriptor) takes its answer from the
  // input: a stall, or up to wLength bytes.
  UsbReply control(const UsbSetup& setup, std::span<std::uint8_t> out) override {
    if (data_.ConsumeBool()) return {UsbOutcome::kStall, 0};
    const std::vector<std::uint8_t> answer =
        data_.ConsumeBytes<std::uint8_t>(data_.ConsumeIntegralInRange<std::size_t>(0, 260));
    const std::size_t n = std::min({answer.size(), out.size(), std::size_t{setup.wLength}});
    std::copy_n(answer.begin(), n, out.begin());
    return {UsbOutcome::kOk, n};
  }

 private:
  FuzzedDataProvider& data_;
  std::vector<std::uint8_t> device_;
  std::vector<std::vector<std::uint8_t>> configs_;
};

// How many alternate settings the configurations the probe can read hold.
std::size_t AltSettings(brisa::platform::Usb& usb, brisa::platform::UsbDevice* device,
                        std::uint8_t configurations) {
  std::size_t count = 0;
  for (std::uint8_t c = 0; c < configurations; ++c) {
    brisa::platform::UsbConfigDescriptor config;
    if (usb.getConfigDescriptor(device, c, config) != 0) break;
    for (const auto& interface : config.interface) count += interface.altsetting.size();
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const std::uint8_t stringIndex = data.ConsumeIntegral<std::uint8_t>();
  const auto altIndex = data.ConsumeIntegralInRange<std::int32_t>(-1, 3);
  auto model = std::make_shared<FuzzedDevice>(data);

  brisa::platform::sim::SimUsb usb;
  usb.attach(model);
  usb.init();
  brisa::platform::UsbDeviceHandle* handle = usb.openDeviceWithVidPid(0x0483, 0xDF11);
  if (handle == nullptr) return 0;

  std::array<char, 254> text{};
  const int count = brisa::dfu::UsbGetStringDescriptorAscii(usb, handle, stringIndex, text);
  if (count > 253 || (count >= 0 && text[static_cast<std::size_t>(count)] != '\0')) {
    __builtin_trap();
  }

  brisa::dfu::DfuState state;
  state.pDfuHandle = handle;
  state.dfuAltIndex = altIndex;
  brisa::platform::UsbDevice* device = usb.getDevice(handle);
  brisa::platform::UsbDeviceDescriptor descriptor;
  if (usb.getDeviceDescriptor(device, descriptor) != 0) __builtin_trap();
  brisa::dfu::DfuProbeConfigurations(state, usb, device, descriptor);

  if (state.pDfuInterfaces.size() > AltSettings(usb, device, descriptor.bNumConfigurations)) {
    __builtin_trap();
  }
  for (const auto& record : state.pDfuInterfaces) {
    if (record.altName.empty() || record.altName.size() > 253) __builtin_trap();
    if (record.serialNumber.empty() || record.serialNumber.size() > 253) __builtin_trap();
    if (record.device == nullptr || record.deviceHandle != nullptr) __builtin_trap();
  }
  brisa::dfu::ReleaseDfuInterfaces(state, usb);
  usb.close(handle);
  return 0;
}
