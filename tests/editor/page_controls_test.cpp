// Which page controls selection enables for each model, counted as a user would see them.

#include "editor/page_controls.h"

#include <gtest/gtest.h>

#include "page_set.h"

namespace brisa::editor {
namespace {

namespace bs = res::button_setup;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;
using board::ModelId;

struct Counts {
  int axisRows = 0;  // analog boxes and axis rows (each counted only when all agree)
  int encoderPairs = 0;
  int switchBoxes = 0;  // rotary and toggle boxes of the same buttons
  bool keyboardPage = false;
  bool advancedEdits = false;
  bool pinEdit = false;
  bool pinBox = false;
  bool pinBoxUnchecked = false;
  bool gains = false;
  bool operator==(const Counts&) const = default;
};

void PrintTo(const Counts& c, std::ostream* os) {
  *os << "{" << c.axisRows << ", " << c.encoderPairs << ", " << c.switchBoxes << ", "
      << c.keyboardPage << ", " << c.advancedEdits << ", " << c.pinEdit << ", " << c.pinBox << ", "
      << c.pinBoxUnchecked << ", " << c.gains << "}";
}

// Counts a run of controls from the first, insisting that the enabled ones come first.
template <typename Enabled>
int LeadingRun(int count, Enabled enabled) {
  int run = 0;
  while (run < count && enabled(run)) ++run;
  for (int i = run; i < count; ++i) EXPECT_FALSE(enabled(i)) << "control " << i << " after a gap";
  return run;
}

Counts Count(testing::PageSet& set, ui::HeadlessWindow& test) {
  Counts c;
  c.axisRows = LeadingRun(ax::kAxisCount, [&](int k) {
    const bool analog = k < bs::kAnalogBoxCount && set.buttonSetup.enabled(bs::AnalogBox(k));
    const bool row = set.axisSetup.enabled(ax::InvertedBox(k)) &&
                     set.axisSetup.enabled(ax::MinEdit(k)) && set.axisSetup.enabled(ax::MaxEdit(k));
    EXPECT_EQ(analog, row) << "axis " << k;
    return analog && row;
  });
  c.encoderPairs = LeadingRun(bs::kEncoderBoxCount,
                              [&](int j) { return set.buttonSetup.enabled(bs::EncoderBox(j)); });
  c.switchBoxes = LeadingRun(bs::kRotaryBoxCount, [&](int i) {
    EXPECT_EQ(set.buttonSetup.enabled(bs::RotaryBox(i)), set.buttonSetup.enabled(bs::ToggleBox(i)));
    return set.buttonSetup.enabled(bs::RotaryBox(i));
  });
  // No lamp claims a state before the board's first input report.
  for (int i = 0; i < res::button_test::kLampCount; ++i) {
    EXPECT_EQ(test.icon(res::button_test::Lamp(i)), res::icon::kLampUnknown) << "lamp " << i;
  }
  c.keyboardPage = set.keyboard.enabled(kb::kKeycodeHelperButton);
  for (int i = 0; i < kb::kKeyEditCount; ++i) {
    EXPECT_EQ(set.keyboard.enabled(kb::KeyEdit(i)), c.keyboardPage);
  }
  c.advancedEdits = set.advanced.enabled(adv::kFilteringEdit);
  for (const int id : {adv::kDebounceEdit, adv::kEncoderPressTimeEdit, adv::kSwitchPressTimeEdit}) {
    EXPECT_EQ(set.advanced.enabled(id), c.advancedEdits);
  }
  c.pinEdit = set.advanced.enabled(adv::kPinEdit);
  c.pinBox = set.advanced.enabled(adv::kRequirePinBox);
  c.pinBoxUnchecked = !set.advanced.checked(adv::kRequirePinBox);
  c.gains = set.axisSetup.enabled(ax::kGainSlider1);
  EXPECT_EQ(set.axisSetup.enabled(ax::kGainSlider2), c.gains);
  EXPECT_EQ(test.icon(res::button_test::kHat1Picture), res::icon::HatPicture(0));
  EXPECT_EQ(test.icon(res::button_test::kHat2Picture), res::icon::HatPicture(0));
  return c;
}

TEST(PageControls, EachModelGetsExactlyItsControls) {
  // The "Require PIN" box starts checked, so each row also shows whether selection clears it.
  const struct {
    ModelId model;
    Counts counts;
  } cases[] = {
      {ModelId::Merlin, {8, 16, 32, false, true, true, true, false, false}},
      {ModelId::Osprey, {8, 18, 36, false, true, false, false, true, false}},
      {ModelId::Linnet, {0, 18, 36, false, true, false, false, true, false}},
      {ModelId::Plover, {5, 15, 30, false, true, false, false, true, false}},
      {ModelId::Egret, {3, 0, 0, false, true, false, false, true, true}},
      {ModelId::Heron, {5, 12, 25, false, true, false, false, true, true}},
      {ModelId::Keyboard, {0, 18, 36, true, true, true, true, false, false}},
      {ModelId::Sparrow, {8, 4, 8, false, true, false, false, true, false}},
      {ModelId::Kestrel, {8, 16, 32, false, true, false, false, true, false}},
      {ModelId::Finch, {0, 16, 32, false, true, false, false, true, false}},
      {ModelId::DFU, {0, 0, 0, false, false, false, true, false, false}},
  };
  for (const auto& c : cases) {
    testing::PageSet set;
    ui::HeadlessWindow test(res::GetDialogTemplate(res::dialog::kButtonTest));
    set.advanced.setChecked(adv::kRequirePinBox, true);
    const auto board = testing::Board(c.model);
    EnablePageControls(set.pages(), test, board.get());
    EXPECT_EQ(Count(set, test), c.counts) << "model " << int{board::ToNumber(c.model)};
  }
}

TEST(PageControls, WithoutAModelEveryConfigurationControlIsDisabled) {
  testing::PageSet set;
  ui::HeadlessWindow test(res::GetDialogTemplate(res::dialog::kButtonTest));
  EnablePageControls(set.pages(), test, nullptr);
  EXPECT_EQ(Count(set, test), (Counts{0, 0, 0, false, false, false, false, true, false}));
}

}  // namespace
}  // namespace brisa::editor
