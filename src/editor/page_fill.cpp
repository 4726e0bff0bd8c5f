#include "editor/page_fill.h"

#include <algorithm>

#include "editor/report_fields.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

using board::ConfigBlock;
using board::ReadLong;
using board::ReadWord;
namespace bs = res::button_setup;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;

void FillButtonTypes(ui::Window& page, const ConfigBlock& buttonTypes, int buttonCount,
                     int axisCount) {
  for (int i = 0; i < buttonCount; ++i) {
    const std::uint8_t t = ButtonTypeAt(buttonTypes, i);
    if (i < axisCount) page.setChecked(bs::AnalogBox(i), button_type::ShowsAnalog(t));
    // Set once per button of the pair, so the pair's last button shown decides.
    page.setChecked(bs::EncoderBox(i / 2), button_type::ShowsEncoder(t));
    page.setChecked(bs::RotaryBox(i), t == button_type::kRotarySwitch);
    page.setChecked(bs::ToggleBox(i), t == button_type::kToggleSwitch);
  }
}

void FillTimings(ui::Window& page, const ConfigBlock& settings) {
  page.setText(adv::kFilteringEdit, FormatDecimal(ReadWord(settings, field::kFiltering)));
  page.setText(adv::kDebounceEdit, FormatDecimal(ReadWord(settings, field::kDebounce)));
  page.setText(adv::kEncoderPressTimeEdit,
               FormatDecimal(ReadWord(settings, field::kEncoderPressTime)));
  page.setText(adv::kSwitchPressTimeEdit,
               FormatDecimal(ReadWord(settings, field::kSwitchPressTime)));
}

// Only boards that pair over Bluetooth, and files that may come from one, show the PIN; on a
// wired board the same bytes carry the model key.
bool ShowsPin(const PageFillLayout& layout) {
  using board::ModelId;
  using board::ToNumber;
  const std::uint32_t id = layout.layoutId;
  const bool bluetoothCapable =
      id == ToNumber(ModelId::Merlin) || id == ToNumber(ModelId::Keyboard);
  if (layout.variant == FillVariant::Read) return bluetoothCapable;
  // A file may also name no known board (0, the bootloader, or beyond): its PIN is shown too.
  return bluetoothCapable || id == 0 || (id >= ToNumber(ModelId::DFU) && id != kNoBoardModelId);
}

void FillPin(ui::Window& page, std::uint32_t pin) {
  const bool required = (pin & pin_word::kRequirePin) != 0;
  page.setChecked(adv::kRequirePinBox, required);
  page.setEnabled(adv::kPinEdit, required);
  page.setText(adv::kPinEdit, FormatPin(required ? pin : 0));
}

int Signed16(std::uint16_t word) {
  return static_cast<std::int16_t>(word);
}
int Masked12(std::uint16_t word) {
  return word & kRangeValueMask;
}

void FillRangeAxes(ui::Window& page, const ConfigBlock& a, const ConfigBlock& b) {
  for (int k = 0; k < 4; ++k) {
    const std::uint16_t minA = ReadWord(a, field::AxisMin(k));
    page.setText(ax::MinEdit(k), FormatDecimal(Masked12(minA)));
    page.setChecked(ax::InvertedBox(k), (minA & kRangeInvertFlag) != 0);
    page.setText(ax::MaxEdit(k), FormatDecimal(Masked12(ReadWord(a, field::AxisMax(k)))));
    const std::uint16_t minB = ReadWord(b, field::AxisMin(k));
    page.setText(ax::MinEdit(k + 4), FormatDecimal(Masked12(minB)));
    page.setChecked(ax::InvertedBox(k + 4), (minB & kRangeInvertFlag) != 0);
    page.setText(ax::MaxEdit(k + 4), FormatDecimal(Masked12(ReadWord(b, field::AxisMax(k)))));
  }
}

void FillGains(ui::Window& page, const ConfigBlock& settings) {
  page.setPosition(ax::kGainSlider1, 255 - settings.at(field::kGain1 - 1));
  page.setPosition(ax::kGainSlider2, 255 - settings.at(field::kGain2 - 1));
}

// Plover and Heron: five signed axes, inversion from the PIN word.
void FillSignedAxes(ui::Window& page, const board::ConfigRecord& record, bool gains) {
  const std::uint32_t pin = ReadLong(record.settings, field::kPinWord);
  for (int k = 0; k < 5; ++k) {
    const ConfigBlock& block = k < 4 ? record.axisKeyA : record.axisKeyB;
    const int slot = k % 4;
    page.setText(ax::MinEdit(k), FormatDecimal(Signed16(ReadWord(block, field::AxisMin(slot)))));
    page.setChecked(ax::InvertedBox(k), (pin & pin_word::InvertBit(k)) != 0);
    page.setText(ax::MaxEdit(k), FormatDecimal(Signed16(ReadWord(block, field::AxisMax(slot)))));
  }
  if (gains) FillGains(page, record.settings);
}

// Egret: three axes shown by their low 12 bits, inversion from the PIN word, and the gains.
void FillEgretAxes(ui::Window& page, const board::ConfigRecord& record) {
  const std::uint32_t pin = ReadLong(record.settings, field::kPinWord);
  for (int k = 0; k < 3; ++k) {
    page.setText(ax::MinEdit(k),
                 FormatDecimal(Masked12(ReadWord(record.axisKeyA, field::AxisMin(k)))));
    page.setChecked(ax::InvertedBox(k), (pin & pin_word::InvertBit(k)) != 0);
    page.setText(ax::MaxEdit(k),
                 FormatDecimal(Masked12(ReadWord(record.axisKeyA, field::AxisMax(k)))));
  }
  FillGains(page, record.settings);
}

void FillKeyCodes(ui::Window& page, const board::ConfigRecord& record) {
  for (int i = 0; i < field::kKeysPerReport; ++i) {
    const auto at = field::kKeyCode0 - 1 + static_cast<std::size_t>(i);
    page.setText(kb::KeyEdit(i), FormatKeyCode(record.axisKeyA.at(at)));
    page.setText(kb::KeyEdit(i + field::kKeysPerReport), FormatKeyCode(record.axisKeyB.at(at)));
  }
}

}  // namespace

PageFillLayout ReadFillLayout(const board::Device& board) {
  return {FillVariant::Read, board.GetModelId(), board.GetButtonCount(), board.GetAxisCount()};
}

PageFillLayout FileFillLayout(std::uint32_t fileModelId, const board::Device* connected) {
  if (connected == nullptr) return {FillVariant::File, fileModelId, kMaxButtons, kMaxAxes};
  return {FillVariant::File, fileModelId, connected->GetButtonCount(), connected->GetAxisCount()};
}

void FillConfigPages(const ConfigPages& pages, const board::ConfigRecord& record,
                     const PageFillLayout& layout) {
  FillButtonTypes(pages.buttonSetup, record.buttonTypes,
                  std::clamp(layout.buttonCount, 0, kMaxButtons),
                  std::clamp(layout.axisCount, 0, kMaxAxes));
  FillTimings(pages.advanced, record.settings);
  if (ShowsPin(layout)) FillPin(pages.advanced, ReadLong(record.settings, field::kPinWord));

  // Saved without a board: the file has no layout to show.
  if (layout.layoutId == kNoBoardModelId) return;
  switch (LayoutOfModel(layout.layoutId)) {
    case ReportLayout::Range:
      FillRangeAxes(pages.axisSetup, record.axisKeyA, record.axisKeyB);
      break;
    case ReportLayout::Signed:
      if (layout.layoutId == board::ToNumber(board::ModelId::Egret)) {
        FillEgretAxes(pages.axisSetup, record);
      } else {
        FillSignedAxes(pages.axisSetup, record,
                       layout.layoutId == board::ToNumber(board::ModelId::Heron));
      }
      break;
    case ReportLayout::Key:
      FillKeyCodes(pages.keyboard, record);
      break;
  }
}

}  // namespace brisa::editor
