#include "platform/sim/usb_device_model.h"

namespace brisa::platform::sim {

std::vector<std::uint8_t> sysfsDescriptors(const UsbDeviceModel& model) {
  std::vector<std::uint8_t> out = model.deviceDescriptor();
  const std::uint8_t count = out.size() >= 18 ? out[17] : 0;
  for (std::uint8_t c = 0; c < count; ++c) {
    const std::vector<std::uint8_t> config = model.configDescriptor(c);
    out.insert(out.end(), config.begin(), config.end());
  }
  return out;
}

}  // namespace brisa::platform::sim
