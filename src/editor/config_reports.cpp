#include "editor/config_reports.h"

#include <algorithm>

#include "editor/report_fields.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

using board::FeatureReport;
namespace bs = res::button_setup;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;

std::int32_t DecimalOf(const ui::Window& page, int id) {
  return ScanDecimal(page.text(id));
}

std::uint16_t Low16(std::int32_t value) {
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFF);
}

std::uint8_t ButtonCode(const ui::Window& page, int i) {
  if (i < bs::kAnalogBoxCount && page.checked(bs::AnalogBox(i))) return button_type::kAnalog;
  if (page.checked(bs::RotaryBox(i))) return button_type::kRotarySwitch;
  if (page.checked(bs::ToggleBox(i))) return button_type::kToggleSwitch;
  if (page.checked(bs::EncoderBox(i / 2))) {
    return i % 2 == 0 ? button_type::kEncoderFirst : button_type::kEncoderSecond;
  }
  return button_type::kPlain;
}

bool HasSignedAxes(const board::Device* device) {
  return device != nullptr && BuildLayoutOf(device) == ReportLayout::Signed;
}

bool HasGains(const board::Device* device) {
  if (device == nullptr) return false;
  const auto model = device->GetModel();
  return model == board::ModelId::Egret || model == board::ModelId::Heron;
}

// One axis word of the range or the signed layout.
std::uint16_t AxisWord(const ui::Window& page, ReportLayout layout, int editId, int invertedId) {
  const std::int32_t value = DecimalOf(page, editId);
  if (layout == ReportLayout::Signed) return Low16(value);
  std::uint16_t word = ClampAxisRange(value);
  if (invertedId != 0 && page.checked(invertedId)) word |= kRangeInvertFlag;
  return word;
}

}  // namespace

FeatureReport BuildButtonTypeReport(const ConfigPages& pages, const board::Device* device) {
  FeatureReport report = board::EmptyReport(board::ButtonTypeReport);
  const int count =
      device != nullptr ? std::min<int>(device->GetButtonCount(), kMaxButtons) : kMaxButtons;
  for (int i = 0; i < count; ++i) PutButtonType(report, i, ButtonCode(pages.buttonSetup, i));
  return report;
}

FeatureReport BuildSettingsReport(const ConfigPages& pages, const board::Device* device) {
  FeatureReport report = board::EmptyReport(board::SettingsReport);
  const ui::Window& page = pages.advanced;
  PutWord(report, field::kFiltering, ClampFiltering(DecimalOf(page, adv::kFilteringEdit)));
  PutWord(report, field::kDebounce, Low16(DecimalOf(page, adv::kDebounceEdit)));
  PutWord(report, field::kEncoderPressTime,
          ClampPressTime(DecimalOf(page, adv::kEncoderPressTimeEdit)));
  PutWord(report, field::kSwitchPressTime,
          ClampPressTime(DecimalOf(page, adv::kSwitchPressTimeEdit)));

  std::uint32_t pin = 0;
  if (page.checked(adv::kRequirePinBox)) {
    pin = static_cast<std::uint32_t>(DecimalOf(page, adv::kPinEdit)) | pin_word::kRequirePin;
  }
  if (HasSignedAxes(device)) {
    // Also for the boxes of axes that Egret lacks: the board ignores them.
    for (int k = 0; k < 5; ++k) {
      if (pages.axisSetup.checked(ax::InvertedBox(k))) pin |= pin_word::InvertBit(k);
    }
  }
  PutLong(report, field::kPinWord, pin);

  if (HasGains(device)) {
    // The board stores the complement of the slider position (0..255).
    report[field::kGain1] =
        static_cast<std::uint8_t>(255 - pages.axisSetup.position(ax::kGainSlider1));
    report[field::kGain2] =
        static_cast<std::uint8_t>(255 - pages.axisSetup.position(ax::kGainSlider2));
  }
  return report;
}

std::pair<FeatureReport, FeatureReport> BuildAxisKeyReports(const ConfigPages& pages,
                                                            const board::Device* device) {
  FeatureReport a = board::EmptyReport(board::AxisKeyReportA);
  FeatureReport b = board::EmptyReport(board::AxisKeyReportB);
  b[1] = field::kAxisReportMarker;
  const ReportLayout layout = BuildLayoutOf(device);

  if (layout == ReportLayout::Key) {
    for (int i = 0; i < field::kKeysPerReport; ++i) {
      const auto slot = field::kKeyCode0 + static_cast<std::size_t>(i);
      a[slot] = static_cast<std::uint8_t>(ScanHex(pages.keyboard.text(kb::KeyEdit(i))) & 0xFF);
      b[slot] = static_cast<std::uint8_t>(
          ScanHex(pages.keyboard.text(kb::KeyEdit(i + field::kKeysPerReport))) & 0xFF);
    }
    return {a, b};
  }

  // Every axis row is written, whatever the board's axis count.
  const ui::Window& page = pages.axisSetup;
  for (int k = 0; k < 4; ++k) {
    PutWord(a, field::AxisMin(k), AxisWord(page, layout, ax::MinEdit(k), ax::InvertedBox(k)));
    PutWord(a, field::AxisMax(k), AxisWord(page, layout, ax::MaxEdit(k), 0));
    PutWord(b, field::AxisMin(k),
            AxisWord(page, layout, ax::MinEdit(k + 4), ax::InvertedBox(k + 4)));
    PutWord(b, field::AxisMax(k), AxisWord(page, layout, ax::MaxEdit(k + 4), 0));
  }
  return {a, b};
}

std::optional<UnconvertedText> FindUnconvertedText(const ConfigPages& pages,
                                                   const board::Device* device) {
  const auto noNumber = [](const ui::Window& page, int id, const char* pageName,
                           const std::string& field) {
    return UnconvertedText{std::string(pageName) + ": " + field + " does not hold a number",
                           page.dialogId(), id};
  };
  const auto quoted = [](const std::string& label) { return "\"" + label + "\""; };
  const ReportLayout layout = BuildLayoutOf(device);
  if (layout != ReportLayout::Key) {
    const ui::Window& page = pages.axisSetup;
    const int axes = std::min<int>(device->GetAxisCount(), kMaxAxes);
    for (int k = 0; k < axes; ++k) {
      const std::string n = std::to_string(k + 1);
      if (!HoldsDecimal(page.text(ax::MinEdit(k)))) {
        return noNumber(page, ax::MinEdit(k), "Axis Setup", quoted("Axis " + n + " minimum value"));
      }
      if (!HoldsDecimal(page.text(ax::MaxEdit(k)))) {
        return noNumber(page, ax::MaxEdit(k), "Axis Setup",
                        quoted("Maximum value") + " of axis " + n);
      }
    }
  }
  const struct {
    int id;
    const char* label;
  } timings[] = {
      {adv::kDebounceEdit, "Button debounce time"},
      {adv::kFilteringEdit, "Analog filtering (0..100)"},
      {adv::kEncoderPressTimeEdit, "Encoder button press time (20..)"},
      {adv::kSwitchPressTimeEdit, "Rotary/toggle sw press time (20..)"},
  };
  for (const auto& t : timings) {
    if (!HoldsDecimal(pages.advanced.text(t.id))) {
      return noNumber(pages.advanced, t.id, "Advanced", quoted(t.label));
    }
  }
  if (pages.advanced.checked(adv::kRequirePinBox)) {
    const std::string pin = pages.advanced.text(adv::kPinEdit);
    const std::string field = quoted("PIN value (6 digit recommended)");
    if (!HoldsDecimal(pin)) return noNumber(pages.advanced, adv::kPinEdit, "Advanced", field);
    // The PIN word keeps 31 bits: a larger number would be written as another PIN.
    if (!HoldsPin(pin)) {
      return UnconvertedText{
          "Advanced: " + field + " is not a PIN the device can keep (0 to 2147483647)",
          pages.advanced.dialogId(), adv::kPinEdit};
    }
  }
  if (layout == ReportLayout::Key) {
    const int buttons =
        device != nullptr ? std::min<int>(device->GetButtonCount(), kMaxButtons) : kMaxButtons;
    for (int i = 0; i < buttons; ++i) {
      if (!HoldsHex(pages.keyboard.text(kb::KeyEdit(i)))) {
        return UnconvertedText{"Keyboard: the key code of button " + std::to_string(i + 1) +
                                   " does not hold a hexadecimal number",
                               pages.keyboard.dialogId(), kb::KeyEdit(i)};
      }
    }
  }
  return std::nullopt;
}

board::OutgoingReports CollectConfigReports(const ConfigPages& pages, const board::Device* device) {
  board::OutgoingReports reports;
  reports.outButtonTypeReport = BuildButtonTypeReport(pages, device);
  reports.outSettingsReport = BuildSettingsReport(pages, device);
  auto [a, b] = BuildAxisKeyReports(pages, device);
  reports.outAxisKeyReportA = a;
  reports.outAxisKeyReportB = b;
  return reports;
}

}  // namespace brisa::editor
