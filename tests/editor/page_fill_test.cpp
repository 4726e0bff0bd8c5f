#include "editor/page_fill.h"

#include <gtest/gtest.h>

#include "editor/config_file.h"
#include "editor/config_reports.h"
#include "editor/report_fields.h"
#include "page_set.h"

namespace brisa::editor {
namespace {

using board::ConfigRecord;
using board::ModelId;
using testing::Board;
using testing::PageSet;
namespace bs = res::button_setup;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;

void SetWord(board::ConfigBlock& block, std::size_t reportByte, std::uint16_t value) {
  block[reportByte - 1] = static_cast<std::uint8_t>(value & 0xFF);
  block[reportByte] = static_cast<std::uint8_t>(value >> 8);
}
void SetLong(board::ConfigBlock& block, std::size_t reportByte, std::uint32_t value) {
  SetWord(block, reportByte, static_cast<std::uint16_t>(value & 0xFFFF));
  SetWord(block, reportByte + 2, static_cast<std::uint16_t>(value >> 16));
}
void SetButton(board::ConfigRecord& record, int index, std::uint8_t code) {
  board::FeatureReport r = board::EmptyReport(board::ButtonTypeReport);
  std::copy(record.buttonTypes.begin(), record.buttonTypes.end(), r.begin() + 1);
  PutButtonType(r, index, code);
  record.buttonTypes = board::PayloadOf(r);
}

void FillFromBoard(PageSet& set, const ConfigRecord& record, ModelId model) {
  FillConfigPages(set.pages(), record, ReadFillLayout(*Board(model)));
}

TEST(PageFillTest, EgretTouchesNoButtonBox) {
  PageSet set;
  ConfigRecord record;
  record.buttonTypes.fill(0xCC);
  FillFromBoard(set, record, ModelId::Egret);
  EXPECT_TRUE(set.buttonSetup.writtenIds().empty());
}

TEST(PageFillTest, ButtonTypeCodesShowAsBoxes) {
  // Code -> which of analog, rotary, toggle, encoder is checked.
  const std::vector<std::pair<std::uint8_t, std::array<bool, 4>>> cases = {
      {0, {false, false, false, false}},  {1, {false, false, false, false}},
      {2, {true, false, false, false}},   {3, {true, false, false, false}},
      {4, {true, false, false, false}},   {5, {false, true, false, false}},
      {6, {false, false, false, true}},   {9, {false, false, false, true}},
      {10, {false, false, false, true}},  {11, {false, false, false, true}},
      {12, {false, false, true, false}},  {13, {false, false, false, false}},
      {15, {false, false, false, false}},
  };
  for (const auto& [code, boxes] : cases) {
    PageSet set;
    ConfigRecord record;
    SetButton(record, 2, code);
    SetButton(record, 3, code);
    FillFromBoard(set, record, ModelId::Osprey);
    EXPECT_EQ(set.buttonSetup.checked(bs::AnalogBox(3)), boxes[0]) << int(code);
    EXPECT_EQ(set.buttonSetup.checked(bs::RotaryBox(3)), boxes[1]) << int(code);
    EXPECT_EQ(set.buttonSetup.checked(bs::ToggleBox(3)), boxes[2]) << int(code);
    EXPECT_EQ(set.buttonSetup.checked(bs::EncoderBox(1)), boxes[3]) << int(code);
  }
}

TEST(PageFillTest, SecondButtonOfAPairDecidesItsBox) {
  PageSet set;
  ConfigRecord record;
  SetButton(record, 0, 10);  // pair 1-2: first encoder, second plain
  SetButton(record, 3, 11);  // pair 3-4: first plain, second encoder
  FillFromBoard(set, record, ModelId::Osprey);
  EXPECT_FALSE(set.buttonSetup.checked(bs::EncoderBox(0)));
  EXPECT_TRUE(set.buttonSetup.checked(bs::EncoderBox(1)));
}

TEST(PageFillTest, HeronLastPairIsDecidedByButton25Alone) {
  for (const auto& [code25, code26, checked] :
       {std::tuple{10, 1, true}, std::tuple{1, 10, false}}) {
    PageSet set;
    ConfigRecord record;
    SetButton(record, 24, static_cast<std::uint8_t>(code25));
    SetButton(record, 25, static_cast<std::uint8_t>(code26));
    set.buttonSetup.setChecked(bs::RotaryBox(25), true);
    FillFromBoard(set, record, ModelId::Heron);
    EXPECT_EQ(set.buttonSetup.checked(bs::EncoderBox(12)), checked);
    EXPECT_TRUE(set.buttonSetup.checked(bs::RotaryBox(25)));  // button 26 is not Heron's
  }
}

TEST(PageFillTest, PloverNeverTouchesTheAnalogBoxOfButton7) {
  PageSet set;
  ConfigRecord record;
  SetButton(record, 6, 2);
  SetButton(record, 4, 2);
  FillFromBoard(set, record, ModelId::Plover);
  const auto written = set.buttonSetup.writtenIds();
  EXPECT_EQ(written.count(bs::AnalogBox(6)), 0u);
  EXPECT_EQ(written.count(bs::AnalogBox(5)), 0u);
  EXPECT_TRUE(set.buttonSetup.checked(bs::AnalogBox(4)));
  EXPECT_FALSE(set.buttonSetup.checked(bs::AnalogBox(6)));
}

TEST(PageFillTest, TimingsShowTheirWords) {
  PageSet set;
  ConfigRecord record;
  SetWord(record.settings, field::kFiltering, 100);
  SetWord(record.settings, field::kDebounce, 65535);
  SetWord(record.settings, field::kEncoderPressTime, 20);
  SetWord(record.settings, field::kSwitchPressTime, 4464);
  FillFromBoard(set, record, ModelId::Linnet);
  EXPECT_EQ(set.advanced.text(adv::kFilteringEdit), "100");
  EXPECT_EQ(set.advanced.text(adv::kDebounceEdit), "65535");
  EXPECT_EQ(set.advanced.text(adv::kEncoderPressTimeEdit), "20");
  EXPECT_EQ(set.advanced.text(adv::kSwitchPressTimeEdit), "4464");
}

TEST(PageFillTest, RangeLayoutMasksAndFlags) {
  PageSet set;
  ConfigRecord record;
  SetWord(record.axisKeyA, field::AxisMin(0), 0x8FFF);
  SetWord(record.axisKeyA, field::AxisMax(0), 0x9000);
  SetWord(record.axisKeyB, field::AxisMin(3), 0x0123);
  SetWord(record.axisKeyB, field::AxisMax(3), 0xFFFF);
  FillFromBoard(set, record, ModelId::Sparrow);
  EXPECT_EQ(set.axisSetup.text(ax::MinEdit(0)), "4095");
  EXPECT_TRUE(set.axisSetup.checked(ax::InvertedBox(0)));
  EXPECT_EQ(set.axisSetup.text(ax::MaxEdit(0)), "0");
  EXPECT_EQ(set.axisSetup.text(ax::MinEdit(7)), "291");
  EXPECT_FALSE(set.axisSetup.checked(ax::InvertedBox(7)));
  EXPECT_EQ(set.axisSetup.text(ax::MaxEdit(7)), "4095");
}

TEST(PageFillTest, SignedValuesComeBackAsTyped) {
  struct Case {
    ModelId model;
    std::string typed, shown;
  };
  const std::vector<Case> cases = {
      {ModelId::Plover, "-32768", "-32768"}, {ModelId::Heron, "-32768", "-32768"},
      {ModelId::Egret, "-32768", "0"},       {ModelId::Egret, "-1", "4095"},
      {ModelId::Plover, "-1", "-1"},         {ModelId::Heron, "32767", "32767"},
  };
  for (const auto& c : cases) {
    PageSet typedPages;
    typedPages.axisSetup.setText(ax::MinEdit(0), c.typed);
    const auto device = Board(c.model);
    const auto reports = CollectConfigReports(typedPages.pages(), device.get());
    if (c.typed == "-32768") {
      EXPECT_EQ(reports.outAxisKeyReportA[2], 0x00);
      EXPECT_EQ(reports.outAxisKeyReportA[3], 0x80);
    }
    PageSet shown;
    FillConfigPages(shown.pages(), board::RecordFromReports(reports), ReadFillLayout(*device));
    EXPECT_EQ(shown.axisSetup.text(ax::MinEdit(0)), c.shown) << int(c.model) << " " << c.typed;
  }
}

TEST(PageFillTest, Axis5InversionIsBit4BothWays) {
  for (ModelId model : {ModelId::Plover, ModelId::Heron}) {
    PageSet set;
    ConfigRecord record;
    SetLong(record.settings, field::kPinWord, 0x20);  // bit 5 means nothing
    FillFromBoard(set, record, model);
    EXPECT_FALSE(set.axisSetup.checked(ax::InvertedBox(4)));
    SetLong(record.settings, field::kPinWord, 0x10);
    FillFromBoard(set, record, model);
    EXPECT_TRUE(set.axisSetup.checked(ax::InvertedBox(4)));
    const auto reports = CollectConfigReports(set.pages(), Board(model).get());
    EXPECT_EQ(reports.outSettingsReport[9], 0x10);
  }
}

TEST(PageFillTest, SignedLayoutsShowInversionFromThePinWord) {
  PageSet set;
  ConfigRecord record;
  SetLong(record.settings, field::kPinWord, 0xFFFFF005);  // model key above, bits 0 and 2
  FillFromBoard(set, record, ModelId::Egret);
  EXPECT_TRUE(set.axisSetup.checked(ax::InvertedBox(0)));
  EXPECT_FALSE(set.axisSetup.checked(ax::InvertedBox(1)));
  EXPECT_TRUE(set.axisSetup.checked(ax::InvertedBox(2)));
  EXPECT_EQ(set.axisSetup.writtenIds().count(ax::InvertedBox(3)), 0u);
  EXPECT_EQ(set.advanced.writtenIds().count(adv::kRequirePinBox), 0u);
}

TEST(PageFillTest, PinShownOnlyWhereTheBoardPairsOverBluetooth) {
  PageSet set;
  ConfigRecord record;
  SetLong(record.settings, field::kPinWord, 0x80000000u | 1234u);
  FillFromBoard(set, record, ModelId::Merlin);
  EXPECT_TRUE(set.advanced.checked(adv::kRequirePinBox));
  EXPECT_TRUE(set.advanced.enabled(adv::kPinEdit));
  EXPECT_EQ(set.advanced.text(adv::kPinEdit), "001234");

  SetLong(record.settings, field::kPinWord, 0x7FFFFFFFu);  // no bit 31: the number is hidden
  FillFromBoard(set, record, ModelId::Keyboard);
  EXPECT_FALSE(set.advanced.checked(adv::kRequirePinBox));
  EXPECT_FALSE(set.advanced.enabled(adv::kPinEdit));
  EXPECT_EQ(set.advanced.text(adv::kPinEdit), "000000");

  // A cleared box sends a PIN word of 0 whatever the edit holds.
  set.advanced.setText(adv::kPinEdit, "987654");
  const auto reports = CollectConfigReports(set.pages(), Board(ModelId::Keyboard).get());
  for (int b = 9; b <= 12; ++b) EXPECT_EQ(reports.outSettingsReport[b], 0) << b;
}

TEST(PageFillTest, KeyCodesShowAsHexText) {
  PageSet set;
  ConfigRecord record;
  record.axisKeyA[0] = 0x04;
  record.axisKeyA[17] = 0xE1;
  record.axisKeyB[0] = 0x2C;
  FillFromBoard(set, record, ModelId::Keyboard);
  EXPECT_EQ(set.keyboard.text(kb::KeyEdit(0)), "0x04");
  EXPECT_EQ(set.keyboard.text(kb::KeyEdit(1)), "0x00");
  EXPECT_EQ(set.keyboard.text(kb::KeyEdit(17)), "0xE1");
  EXPECT_EQ(set.keyboard.text(kb::KeyEdit(18)), "0x2C");
  EXPECT_TRUE(set.axisSetup.writtenIds().empty());
}

TEST(PageFillTest, LinnetAndFinchKeyCodesPassThroughDisabledEdits) {
  for (ModelId model : {ModelId::Linnet, ModelId::Finch}) {
    PageSet set;
    for (int i = 0; i < kMaxButtons; ++i) set.keyboard.setEnabled(kb::KeyEdit(i), false);
    ConfigRecord record;
    for (std::size_t i = 0; i < 18; ++i) {
      record.axisKeyA[i] = static_cast<std::uint8_t>(0x04 + i);
      record.axisKeyB[i] = static_cast<std::uint8_t>(0xE0 + i);
    }
    FillFromBoard(set, record, model);
    EXPECT_EQ(set.keyboard.text(kb::KeyEdit(35)), "0xF1");
    const auto reports = CollectConfigReports(set.pages(), Board(model).get());
    EXPECT_EQ(board::PayloadOf(reports.outAxisKeyReportA), record.axisKeyA);
    EXPECT_EQ(board::PayloadOf(reports.outAxisKeyReportB), record.axisKeyB);
  }
}

TEST(PageFillTest, NoBoardFileShowsButtonsAndTimingsOnly) {
  // Saved without a board...
  PageSet saved;
  saved.buttonSetup.setChecked(bs::AnalogBox(7), true);
  saved.buttonSetup.setChecked(bs::ToggleBox(35), true);
  saved.advanced.setText(adv::kFilteringEdit, "7");
  const auto record = board::RecordFromReports(CollectConfigReports(saved.pages(), nullptr));

  // ...and opened with none connected.
  PageSet opened;
  FillConfigPages(opened.pages(), record, FileFillLayout(kNoBoardModelId, nullptr));
  EXPECT_TRUE(opened.buttonSetup.checked(bs::AnalogBox(7)));
  EXPECT_TRUE(opened.buttonSetup.checked(bs::ToggleBox(35)));
  EXPECT_EQ(opened.buttonSetup.writtenIds().size(), 8u + 18u + 36u + 36u);
  EXPECT_EQ(opened.advanced.text(adv::kFilteringEdit), "7");
  EXPECT_EQ(opened.advanced.writtenIds(),
            (std::set<int>{adv::kFilteringEdit, adv::kDebounceEdit, adv::kEncoderPressTimeEdit,
                           adv::kSwitchPressTimeEdit}));
  EXPECT_TRUE(opened.axisSetup.writtenIds().empty());
  EXPECT_TRUE(opened.keyboard.writtenIds().empty());
}

TEST(PageFillTest, FileButtonsFollowTheBoardConnectedNow) {
  ConfigRecord record;
  record.buttonTypes.fill(0x22);
  {
    PageSet set;  // a model-2 file opened with Finch (32 buttons, no axes) connected
    FillConfigPages(set.pages(), record, FileFillLayout(2, Board(ModelId::Finch).get()));
    const auto written = set.buttonSetup.writtenIds();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(written.count(bs::AnalogBox(i)), 0u) << i;
    EXPECT_EQ(written.count(bs::RotaryBox(31)), 1u);
    EXPECT_EQ(written.count(bs::RotaryBox(32)), 0u);
    EXPECT_EQ(set.advanced.writtenIds().count(adv::kRequirePinBox), 0u);
    EXPECT_EQ(set.axisSetup.writtenIds().count(ax::MinEdit(7)), 1u);
  }
  {
    PageSet set;  // Sparrow: 8 buttons
    FillConfigPages(set.pages(), record, FileFillLayout(8, Board(ModelId::Sparrow).get()));
    const auto written = set.buttonSetup.writtenIds();
    EXPECT_EQ(written.count(bs::RotaryBox(7)), 1u);
    EXPECT_EQ(written.count(bs::ToggleBox(8)), 0u);
    EXPECT_EQ(written.count(bs::EncoderBox(4)), 0u);
  }
}

TEST(PageFillTest, OpenedFileIsShownByTheModelIdInItsBytes) {
  // A Kestrel configuration, saved, then opened with Osprey connected.
  ConfigRecord record;
  SetWord(record.axisKeyA, field::AxisMin(0), 0x8123);
  record.axisKeyB[0] = field::kAxisReportMarker;
  ConfigFileBytes bytes = EncodeConfigFile(record, 9);
  auto open = [&](PageSet& set, std::uint32_t expectedId) {
    const DecodedConfigFile decoded = DecodeConfigFile(bytes);
    EXPECT_EQ(decoded.status, ConfigFileStatus::Ok);
    EXPECT_EQ(decoded.file.modelId, expectedId);
    FillConfigPages(set.pages(), decoded.file.record,
                    FileFillLayout(decoded.file.modelId, Board(ModelId::Osprey).get()));
  };
  {
    PageSet set;
    open(set, 9);
    EXPECT_EQ(set.axisSetup.text(ax::MinEdit(0)), "291");
    EXPECT_TRUE(set.axisSetup.checked(ax::InvertedBox(0)));
    EXPECT_TRUE(set.keyboard.writtenIds().empty());
  }
  // Only the model id changed: the check byte does not cover it, so the same blocks are shown
  // with the key layout of model 3.
  bytes[78] = 3;
  {
    PageSet set;
    open(set, 3);
    EXPECT_EQ(set.keyboard.text(kb::KeyEdit(1)), "0x23");
    EXPECT_EQ(set.keyboard.text(kb::KeyEdit(2)), "0x81");
    EXPECT_EQ(set.keyboard.text(kb::KeyEdit(18)), "0x04");
    EXPECT_TRUE(set.axisSetup.writtenIds().empty());
  }
  // Saved without a board: nothing of reports 4 and 5 is shown.
  bytes = EncodeConfigFile(record, kNoBoardModelId);
  {
    PageSet set;
    open(set, kNoBoardModelId);
    EXPECT_TRUE(set.axisSetup.writtenIds().empty());
    EXPECT_TRUE(set.keyboard.writtenIds().empty());
  }
}

// Which groups of controls a fill writes.
struct Shown {
  bool pin = false;
  int axes = 0;  // axis rows written, from axis 1
  bool gains = false;
  bool keys = false;
  // Some control was written that none of the above accounts for.
  bool stray = false;
  bool operator==(const Shown&) const = default;
};

Shown Observe(PageSet& set) {
  Shown shown;
  const auto advanced = set.advanced.writtenIds();
  shown.pin = advanced.count(adv::kRequirePinBox) != 0;
  const auto axis = set.axisSetup.writtenIds();
  while (shown.axes < 8 && axis.count(ax::MinEdit(shown.axes)) != 0) ++shown.axes;
  shown.gains = axis.count(ax::kGainSlider1) != 0;
  shown.keys = !set.keyboard.writtenIds().empty();

  std::set<int> expected = {adv::kFilteringEdit, adv::kDebounceEdit, adv::kEncoderPressTimeEdit,
                            adv::kSwitchPressTimeEdit};
  if (shown.pin) expected.insert({adv::kRequirePinBox, adv::kPinEdit});
  shown.stray = advanced != expected;
  expected.clear();
  for (int k = 0; k < shown.axes; ++k) {
    expected.insert({ax::MinEdit(k), ax::MaxEdit(k), ax::InvertedBox(k)});
  }
  if (shown.gains) expected.insert({ax::kGainSlider1, ax::kGainSlider2});
  shown.stray = shown.stray || axis != expected;
  shown.stray = shown.stray || (shown.keys && set.keyboard.writtenIds().size() != 36);
  return shown;
}

TEST(PageFillTest, FileModelIdChoosesWhatIsShown) {
  const std::vector<std::pair<std::uint32_t, Shown>> cases = {
      {0, {true, 0, false, true}},          {1, {true, 8, false, false}},
      {2, {false, 8, false, false}},        {3, {false, 0, false, true}},
      {4, {false, 5, false, false}},        {5, {false, 3, true, false}},
      {6, {false, 5, true, false}},         {7, {true, 0, false, true}},
      {8, {false, 8, false, false}},        {9, {false, 8, false, false}},
      {10, {false, 0, false, true}},        {11, {true, 0, false, true}},
      {12, {true, 0, false, true}},         {0x100, {true, 0, false, true}},
      {0xFFFFFFFE, {true, 0, false, true}}, {kNoBoardModelId, {false, 0, false, false}},
  };
  for (const auto& [id, expected] : cases) {
    for (ModelId connected : {ModelId::Osprey, ModelId::Egret}) {
      PageSet set;
      FillConfigPages(set.pages(), ConfigRecord{}, FileFillLayout(id, Board(connected).get()));
      EXPECT_EQ(Observe(set), expected) << "model id " << id;
    }
    PageSet none;
    FillConfigPages(none.pages(), ConfigRecord{}, FileFillLayout(id, nullptr));
    EXPECT_EQ(Observe(none), expected) << "model id " << id << " without a board";
  }
}

TEST(PageFillTest, BoardModelChoosesWhatIsShown) {
  const std::vector<std::pair<ModelId, Shown>> cases = {
      {ModelId::Merlin, {true, 8, false, false}},   {ModelId::Osprey, {false, 8, false, false}},
      {ModelId::Linnet, {false, 0, false, true}},   {ModelId::Plover, {false, 5, false, false}},
      {ModelId::Egret, {false, 3, true, false}},    {ModelId::Heron, {false, 5, true, false}},
      {ModelId::Keyboard, {true, 0, false, true}},  {ModelId::Sparrow, {false, 8, false, false}},
      {ModelId::Kestrel, {false, 8, false, false}}, {ModelId::Finch, {false, 0, false, true}},
  };
  for (const auto& [model, expected] : cases) {
    PageSet set;
    FillFromBoard(set, ConfigRecord{}, model);
    EXPECT_EQ(Observe(set), expected) << "model " << int(model);
  }
}

}  // namespace
}  // namespace brisa::editor
