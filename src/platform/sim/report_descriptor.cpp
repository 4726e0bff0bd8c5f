#include "platform/sim/report_descriptor.h"

#include <algorithm>
#include <initializer_list>

namespace brisa::platform::sim {

namespace {

// Short items: tag/type byte with the data size in its low two bits, then the data.
class DescriptorWriter {
 public:
  void item(std::uint8_t prefix, std::initializer_list<std::uint8_t> data) {
    static constexpr std::uint8_t kSizeCode[] = {0, 1, 2, 3, 3};
    bytes_.push_back(static_cast<std::uint8_t>(prefix | kSizeCode[data.size()]));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void item1(std::uint8_t prefix, unsigned value) {
    item(prefix, {static_cast<std::uint8_t>(value)});
  }
  std::vector<std::uint8_t> take() { return std::move(bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

constexpr std::uint8_t kUsagePage = 0x04;
constexpr std::uint8_t kUsage = 0x08;
constexpr std::uint8_t kUsageMinimum = 0x18;
constexpr std::uint8_t kUsageMaximum = 0x28;
constexpr std::uint8_t kLogicalMinimum = 0x14;
constexpr std::uint8_t kLogicalMaximum = 0x24;
constexpr std::uint8_t kReportSize = 0x74;
constexpr std::uint8_t kReportId = 0x84;
constexpr std::uint8_t kReportCount = 0x94;
constexpr std::uint8_t kInput = 0x80;
constexpr std::uint8_t kFeature = 0xB0;
constexpr std::uint8_t kCollection = 0xA0;
constexpr std::uint8_t kEndCollection = 0xC0;

constexpr std::uint8_t kDataVariableAbsolute = 0x02;
constexpr std::uint8_t kConstant = 0x01;
constexpr std::uint8_t kNullState = 0x40;

}  // namespace

std::vector<std::uint8_t> boardReportDescriptor(BoardModel model) {
  const FirmwareTraits& t = traitsOf(model);
  DescriptorWriter d;
  d.item1(kUsagePage, 0x01);   // generic desktop
  d.item1(kUsage, 0x05);       // game pad
  d.item1(kCollection, 0x01);  // application
  d.item1(kReportId, 1);
  if (t.axes > 0) {
    d.item1(kUsagePage, 0x01);
    for (unsigned k = 0; k < t.axes; ++k) d.item1(kUsage, 0x30 + k);  // X, Y, Z, Rx, ... Dial
    d.item(kLogicalMinimum, {0x00, 0x80});
    d.item(kLogicalMaximum, {0xFF, 0x7F});
    d.item1(kReportSize, 16);
    d.item1(kReportCount, t.axes);
    d.item1(kInput, kDataVariableAbsolute);
  }
  if (t.buttons > 0) {
    // Only the first 32 buttons are sent, in whole bytes.
    const unsigned sent = std::min<unsigned>(t.buttons, 32);
    const unsigned bits = t.buttons <= 8 ? 8 : 32;
    d.item1(kUsagePage, 0x09);
    d.item1(kUsageMinimum, 1);
    d.item1(kUsageMaximum, sent);
    d.item1(kLogicalMinimum, 0);
    d.item1(kLogicalMaximum, 1);
    d.item1(kReportSize, 1);
    d.item1(kReportCount, sent);
    d.item1(kInput, kDataVariableAbsolute);
    if (bits > sent) {
      d.item1(kReportCount, bits - sent);
      d.item1(kInput, kConstant);
    }
  }
  if (t.hat) {
    d.item1(kUsagePage, 0x01);
    d.item1(kUsage, 0x39);  // hat switch
    d.item1(kLogicalMinimum, 0);
    d.item1(kLogicalMaximum, 7);
    d.item1(kReportSize, 8);
    d.item1(kReportCount, 1);
    d.item1(kInput, kDataVariableAbsolute | kNullState);
  }
  d.item(kUsagePage, {0x00, 0xFF});  // vendor defined
  for (std::uint8_t id = 2; id <= 5; ++id) {
    d.item1(kReportId, id);
    d.item1(kUsage, id);
    d.item1(kLogicalMinimum, 0);
    d.item(kLogicalMaximum, {0xFF, 0x00});
    d.item1(kReportSize, 8);
    d.item1(kReportCount, 20);
    d.item1(kFeature, kDataVariableAbsolute);
  }
  d.item(kEndCollection, {});
  return d.take();
}

}  // namespace brisa::platform::sim
