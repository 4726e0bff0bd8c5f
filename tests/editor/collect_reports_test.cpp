#include <gtest/gtest.h>

#include <stdexcept>

#include "editor/config_reports.h"
#include "editor/report_fields.h"
#include "page_set.h"

namespace brisa::editor {
namespace {

using board::ModelId;
using testing::Board;
using testing::PageSet;
namespace bs = res::button_setup;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;

std::uint16_t WordAt(const board::FeatureReport& r, std::size_t at) {
  return static_cast<std::uint16_t>(r[at] | (r[at + 1] << 8));
}
std::uint32_t LongAt(const board::FeatureReport& r, std::size_t at) {
  return WordAt(r, at) | (static_cast<std::uint32_t>(WordAt(r, at + 2)) << 16);
}

TEST(ConfigPagesTest, TheWrongPageIsRefused) {
  PageSet set;
  EXPECT_THROW(ConfigPages(set.advanced, set.axisSetup, set.buttonSetup, set.keyboard),
               std::logic_error);
  EXPECT_THROW(ConfigPages(set.buttonSetup, set.keyboard, set.advanced, set.axisSetup),
               std::logic_error);
  EXPECT_NO_THROW(set.pages());
}

TEST(CollectConfigReportsTest, FreshPagesGiveFramedReports) {
  PageSet set;
  const auto reports = CollectConfigReports(set.pages(), Board(ModelId::Osprey).get());
  EXPECT_EQ(reports.outButtonTypeReport[0], 2);
  EXPECT_EQ(reports.outSettingsReport[0], 3);
  EXPECT_EQ(reports.outAxisKeyReportA[0], 4);
  EXPECT_EQ(reports.outAxisKeyReportB[0], 5);
  for (const auto* r : {&reports.outButtonTypeReport, &reports.outSettingsReport,
                        &reports.outAxisKeyReportA, &reports.outAxisKeyReportB}) {
    EXPECT_EQ((*r)[20], 0);
  }
}

TEST(CollectConfigReportsTest, EgretSendsNoButtonCodes) {
  PageSet set;
  set.buttonSetup.setChecked(bs::ToggleBox(0), true);
  set.buttonSetup.setChecked(bs::AnalogBox(1), true);
  const auto report = BuildButtonTypeReport(set.pages(), Board(ModelId::Egret).get());
  EXPECT_EQ(report, board::EmptyReport(board::ButtonTypeReport));
}

TEST(CollectConfigReportsTest, HeronCodesStopAtButton25) {
  PageSet set;
  for (int i = 0; i < kMaxButtons; ++i) set.buttonSetup.setChecked(bs::ToggleBox(i), true);
  auto report = BuildButtonTypeReport(set.pages(), Board(ModelId::Heron).get());
  EXPECT_EQ(report[12], 0xCC);  // buttons 23, 24
  EXPECT_EQ(report[13], 0x0C);  // button 25 toggled, button 26 none
  for (int b = 14; b <= 20; ++b) EXPECT_EQ(report[b], 0) << b;

  PageSet pair;
  pair.buttonSetup.setChecked(bs::EncoderBox(12), true);  // "Buttons 25-26"
  report = BuildButtonTypeReport(pair.pages(), Board(ModelId::Heron).get());
  EXPECT_EQ(report[13], 0x0A);  // button 26 gets no code although its pair box is checked
  EXPECT_EQ(report[1], 0x11);   // the other buttons are plain
}

TEST(CollectConfigReportsTest, PloverAnalogBoxOfButton7IsStillWritten) {
  PageSet set;
  set.buttonSetup.setChecked(bs::AnalogBox(6), true);
  const auto report = BuildButtonTypeReport(set.pages(), Board(ModelId::Plover).get());
  EXPECT_EQ(report[4], 0x12);  // button 7 analog (low nibble), button 8 plain
}

TEST(CollectConfigReportsTest, FirstCheckedBoxDecidesTheCode) {
  struct Case {
    std::vector<int> boxes;
    int button;  // index
    std::uint8_t code;
  };
  const std::vector<Case> cases = {
      {{bs::AnalogBox(2), bs::RotaryBox(2), bs::ToggleBox(2)}, 2, 2},
      {{bs::RotaryBox(2), bs::ToggleBox(2), bs::EncoderBox(1)}, 2, 5},
      {{bs::ToggleBox(3), bs::EncoderBox(1)}, 3, 12},
      {{bs::EncoderBox(1)}, 2, 10},
      {{bs::EncoderBox(1)}, 3, 11},
      {{bs::AnalogBox(2)}, 3, 1},
      {{bs::EncoderBox(17)}, 35, 11},
      {{bs::AnalogBox(7)}, 8, 1},  // button 9 has no analog box
  };
  for (const auto& c : cases) {
    PageSet set;
    for (int id : c.boxes) set.buttonSetup.setChecked(id, true);
    const auto report = BuildButtonTypeReport(set.pages(), Board(ModelId::Osprey).get());
    EXPECT_EQ(ButtonTypeAt(board::PayloadOf(report), c.button), c.code) << "button " << c.button;
  }
}

struct TimingCase {
  int edit;
  std::string text;
  std::size_t reportByte;
  std::uint16_t expected;
};

TEST(CollectConfigReportsTest, TimingsAreClampedAndCutTo16Bits) {
  const std::vector<TimingCase> cases = {
      {adv::kFilteringEdit, "100", field::kFiltering, 100},
      {adv::kFilteringEdit, "101", field::kFiltering, 100},
      {adv::kFilteringEdit, "0", field::kFiltering, 0},
      {adv::kEncoderPressTimeEdit, "21", field::kEncoderPressTime, 21},
      {adv::kEncoderPressTimeEdit, "20", field::kEncoderPressTime, 20},
      {adv::kEncoderPressTimeEdit, "5", field::kEncoderPressTime, 20},
      {adv::kEncoderPressTimeEdit, "0", field::kEncoderPressTime, 20},
      {adv::kEncoderPressTimeEdit, "70000", field::kEncoderPressTime, 4464},
      {adv::kSwitchPressTimeEdit, "21", field::kSwitchPressTime, 21},
      {adv::kSwitchPressTimeEdit, "20", field::kSwitchPressTime, 20},
      {adv::kSwitchPressTimeEdit, "5", field::kSwitchPressTime, 20},
      {adv::kSwitchPressTimeEdit, "0", field::kSwitchPressTime, 20},
      {adv::kSwitchPressTimeEdit, "70000", field::kSwitchPressTime, 4464},
      {adv::kDebounceEdit, "70000", field::kDebounce, 4464},
      {adv::kDebounceEdit, "50", field::kDebounce, 50},
      // Text that does not convert counts as 0, then the field's clamp applies.
      {adv::kFilteringEdit, "", field::kFiltering, 0},
      {adv::kDebounceEdit, "x", field::kDebounce, 0},
      {adv::kSwitchPressTimeEdit, "", field::kSwitchPressTime, 20},
  };
  for (const auto& c : cases) {
    PageSet set;
    for (int id : {adv::kFilteringEdit, adv::kDebounceEdit, adv::kEncoderPressTimeEdit,
                   adv::kSwitchPressTimeEdit}) {
      set.advanced.setText(id, "77");
    }
    set.advanced.setText(c.edit, c.text);
    const auto report = BuildSettingsReport(set.pages(), nullptr);
    EXPECT_EQ(WordAt(report, c.reportByte), c.expected) << c.edit << " \"" << c.text << '"';
  }
}

TEST(CollectConfigReportsTest, AnUnconvertibleFieldNeverRepeatsTheFieldBefore) {
  PageSet set;
  set.advanced.setText(adv::kFilteringEdit, "55");
  set.advanced.setText(adv::kDebounceEdit, "");
  set.axisSetup.setText(ax::MinEdit(0), "1234");
  set.axisSetup.setText(ax::MaxEdit(0), "garbled");
  const auto device = Board(ModelId::Osprey);
  const auto settings = BuildSettingsReport(set.pages(), device.get());
  EXPECT_EQ(WordAt(settings, field::kDebounce), 0);
  const auto [a, b] = BuildAxisKeyReports(set.pages(), device.get());
  EXPECT_EQ(WordAt(a, field::AxisMin(0)), 1234);
  EXPECT_EQ(WordAt(a, field::AxisMax(0)), 0);
}

TEST(CollectConfigReportsTest, PinWord) {
  struct Case {
    ModelId model;
    bool require;
    std::string pin;
    std::vector<int> inverted;  // axis indexes
    std::uint32_t expected;
  };
  const std::vector<Case> cases = {
      {ModelId::Merlin, true, "123456", {}, 0x80000000u | 123456u},
      {ModelId::Merlin, false, "123456", {}, 0},
      {ModelId::Merlin, false, "123456", {0, 4}, 0},  // range layout: flags live in the axes
      {ModelId::Plover, false, "999", {0, 2}, 0x05},
      {ModelId::Plover, false, "", {4}, 0x10},  // axis 5 is bit 4
      {ModelId::Heron, true, "1", {1, 3, 4}, 0x80000001u | 0x1A},
      {ModelId::Egret, false, "", {3, 4, 5, 7}, 0x18},  // boxes Egret lacks still count; 6..8 never
      {ModelId::Keyboard, true, "", {}, 0x80000000u},
  };
  for (const auto& c : cases) {
    PageSet set;
    set.advanced.setChecked(adv::kRequirePinBox, c.require);
    set.advanced.setText(adv::kPinEdit, c.pin);
    for (int k : c.inverted) set.axisSetup.setChecked(ax::InvertedBox(k), true);
    const auto report = BuildSettingsReport(set.pages(), Board(c.model).get());
    EXPECT_EQ(LongAt(report, field::kPinWord), c.expected) << int(c.model) << " " << c.pin;
  }
  PageSet none;
  none.axisSetup.setChecked(ax::InvertedBox(0), true);
  EXPECT_EQ(LongAt(BuildSettingsReport(none.pages(), nullptr), field::kPinWord), 0u);
}

TEST(CollectConfigReportsTest, GainsOnlyForEgretAndHeron) {
  for (int model = 1; model <= 11; ++model) {
    PageSet set;
    set.axisSetup.setPosition(ax::kGainSlider1, 0);
    set.axisSetup.setPosition(ax::kGainSlider2, 200);
    const auto report = BuildSettingsReport(set.pages(), Board(static_cast<ModelId>(model)).get());
    const bool gains = model == 5 || model == 6;
    EXPECT_EQ(report[field::kGain1], gains ? 255 : 0) << model;
    EXPECT_EQ(report[field::kGain2], gains ? 55 : 0) << model;
  }
}

TEST(CollectConfigReportsTest, RangeLayoutClampsAndFlagsMinimumsOnly) {
  struct Case {
    std::string text;
    bool inverted;
    std::uint16_t minimum, maximum;
  };
  const std::vector<Case> cases = {
      {"5000", true, 0x8FFF, 0x0FFF}, {"-1", true, 0x8FFF, 0x0FFF}, {"4095", false, 4095, 4095},
      {"0", true, 0x8000, 0},         {"4096", false, 4095, 4095},
  };
  for (const auto& c : cases) {
    for (int k : {0, 3, 4, 7}) {  // report 4 and report 5, first and last axis of each
      PageSet set;
      set.axisSetup.setText(ax::MinEdit(k), c.text);
      set.axisSetup.setText(ax::MaxEdit(k), c.text);
      set.axisSetup.setChecked(ax::InvertedBox(k), c.inverted);
      const auto [a, b] = BuildAxisKeyReports(set.pages(), Board(ModelId::Kestrel).get());
      const auto& r = k < 4 ? a : b;
      EXPECT_EQ(WordAt(r, field::AxisMin(k % 4)), c.minimum) << c.text << " axis " << k + 1;
      EXPECT_EQ(WordAt(r, field::AxisMax(k % 4)), c.maximum) << c.text << " axis " << k + 1;
    }
  }
}

TEST(CollectConfigReportsTest, SignedLayoutKeepsLow16BitsOfAllEightAxes) {
  for (ModelId model : {ModelId::Plover, ModelId::Egret, ModelId::Heron}) {
    PageSet set;
    set.axisSetup.setText(ax::MinEdit(0), "-32768");
    set.axisSetup.setText(ax::MaxEdit(0), "32767");
    set.axisSetup.setText(ax::MinEdit(7), "-1");
    set.axisSetup.setText(ax::MaxEdit(7), "70000");
    set.axisSetup.setText(ax::MinEdit(4), "5");
    for (int k : {0, 4}) set.axisSetup.setChecked(ax::InvertedBox(k), true);  // no flag in words
    const auto [a, b] = BuildAxisKeyReports(set.pages(), Board(model).get());
    EXPECT_EQ(WordAt(a, field::AxisMin(0)), 0x8000);
    EXPECT_EQ(WordAt(a, field::AxisMax(0)), 0x7FFF);
    EXPECT_EQ(WordAt(b, field::AxisMin(3)), 0xFFFF);
    EXPECT_EQ(WordAt(b, field::AxisMax(3)), 4464);
    EXPECT_EQ(WordAt(b, field::AxisMin(0)), 5);
  }
}

TEST(CollectConfigReportsTest, Report5Byte1) {
  for (int model = 1; model <= 11; ++model) {
    PageSet set;
    set.keyboard.setText(kb::KeyEdit(18), "0x2C");
    const auto [a, b] = BuildAxisKeyReports(set.pages(), Board(static_cast<ModelId>(model)).get());
    const bool keys = model == 3 || model == 7 || model == 10 || model == 11;
    EXPECT_EQ(b[1], keys ? 0x2C : 4) << model;
    EXPECT_EQ(a[1], 0) << model;
  }
}

TEST(CollectConfigReportsTest, KeyCodeTexts) {
  const std::vector<std::pair<std::string, std::uint8_t>> cases = {
      {"4", 0x04}, {"0x04", 0x04}, {"04", 0x04}, {"1FF", 0xFF}, {"0xE1", 0xE1}, {"", 0}, {"q", 0},
  };
  for (const auto& [text, code] : cases) {
    PageSet set;
    set.keyboard.setText(kb::KeyEdit(0), text);
    set.keyboard.setText(kb::KeyEdit(35), text);
    const auto [a, b] = BuildAxisKeyReports(set.pages(), Board(ModelId::Keyboard).get());
    EXPECT_EQ(a[1], code) << text;
    EXPECT_EQ(b[18], code) << text;
  }
}

TEST(CollectConfigReportsTest, NoBoardBuildsTheKeyLayoutForAll36Buttons) {
  PageSet set;
  set.buttonSetup.setChecked(bs::RotaryBox(35), true);
  set.advanced.setText(adv::kDebounceEdit, "50");
  set.advanced.setChecked(adv::kRequirePinBox, true);
  set.advanced.setText(adv::kPinEdit, "4321");
  set.axisSetup.setChecked(ax::InvertedBox(4), true);
  set.axisSetup.setPosition(ax::kGainSlider1, 10);
  for (int i = 0; i < kMaxButtons; ++i)
    set.keyboard.setText(kb::KeyEdit(i), FormatKeyCode(static_cast<std::uint8_t>(4 + i)));

  const auto reports = CollectConfigReports(set.pages(), nullptr);
  for (int b = 1; b <= 17; ++b) EXPECT_EQ(reports.outButtonTypeReport[b], 0x11) << b;
  EXPECT_EQ(reports.outButtonTypeReport[18], 0x51);
  EXPECT_EQ(WordAt(reports.outSettingsReport, field::kDebounce), 50);
  EXPECT_EQ(LongAt(reports.outSettingsReport, field::kPinWord), 0x80000000u | 4321u);
  EXPECT_EQ(reports.outSettingsReport[field::kGain1], 0);
  EXPECT_EQ(reports.outSettingsReport[field::kGain2], 0);
  for (int i = 0; i < 18; ++i) {
    EXPECT_EQ(reports.outAxisKeyReportA[1 + i], 4 + i);
    EXPECT_EQ(reports.outAxisKeyReportB[1 + i], 22 + i);
  }
}

}  // namespace
}  // namespace brisa::editor
