#include "ui/headless_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace brisa::ui {
namespace {

using res::ControlKind;
namespace style = res::style;

// A small page in the manner of the real ones: ids that other pages reuse for other kinds.
res::DialogTemplate SamplePage() {
  res::DialogTemplate page;
  page.id = 901;
  page.caption = "Sample";
  page.controls = {
      {ControlKind::GroupBox, res::kNoId, "Group", 0, {}},
      {ControlKind::Label, 7, "Label text", 0, {}},
      {ControlKind::Edit, 1150, "", style::kDigitsOnly | style::kTabStop, {}},
      {ControlKind::CheckBox, 1228, "Require PIN", style::kAutoCheck, {}},
      {ControlKind::PushButton, 1225, "Upgrade", style::kDisabled, {}},
      {ControlKind::ProgressBar, 1224, "", 0, {}},
      {ControlKind::Slider, 1236, "", 0, {}},
      {ControlKind::Picture, 1081, "", 0, {}},
      {ControlKind::ComboBox, 1102, "", style::kDropDownList, {}},
      {ControlKind::Edit, 1101, "", style::kMultiline | style::kReadOnly, {}},
  };
  return page;
}

TEST(HeadlessWindowTest, StartsFromTheTemplate) {
  HeadlessWindow window(SamplePage());
  EXPECT_EQ(window.dialogId(), 901);
  EXPECT_EQ(window.caption(), "Sample");
  EXPECT_EQ(window.text(7), "Label text");
  EXPECT_EQ(window.text(1150), "");
  EXPECT_FALSE(window.checked(1228));
  EXPECT_FALSE(window.enabled(1225));
  EXPECT_TRUE(window.enabled(1150));
  EXPECT_EQ(window.position(1224), 0);
  EXPECT_EQ(window.icon(1081), kNoIcon);
  EXPECT_EQ(window.selection(1102), kNoSelection);
  EXPECT_EQ(window.focusedId(), kNoFocus);
  EXPECT_EQ(window.controlIds(),
            (std::vector<int>{7, 1150, 1228, 1225, 1224, 1236, 1081, 1102, 1101}));
  EXPECT_TRUE(window.writtenIds().empty());
}

TEST(HeadlessWindowTest, AnIdTheTemplateLacksIsAProgrammingError) {
  HeadlessWindow window(SamplePage());
  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"text", [&] { window.text(1010); }},
      {"setText", [&] { window.setText(1010, "1"); }},
      {"appendText", [&] { window.appendText(1010, "1"); }},
      {"checked", [&] { window.checked(1011); }},
      {"setChecked", [&] { window.setChecked(1011, true); }},
      {"enabled", [&] { window.enabled(-1); }},
      {"setEnabled", [&] { window.setEnabled(0, true); }},
      {"range", [&] { window.range(1140); }},
      {"setRange", [&] { window.setRange(1140, 0, 1); }},
      {"position", [&] { window.position(1237); }},
      {"setPosition", [&] { window.setPosition(1237, 1); }},
      {"icon", [&] { window.icon(1082); }},
      {"setIcon", [&] { window.setIcon(1082, 132); }},
      {"clearItems", [&] { window.clearItems(1103); }},
      {"addItem", [&] { window.addItem(1103, "x"); }},
      {"itemCount", [&] { window.itemCount(1103); }},
      {"itemText", [&] { window.itemText(1103, 0); }},
      {"selection", [&] { window.selection(1103); }},
      {"setSelection", [&] { window.setSelection(1103, 0); }},
      {"setFocus", [&] { window.setFocus(1104); }},
      {"setDefaultButton", [&] { window.setDefaultButton(1148); }},
      {"positionHistory", [&] { window.positionHistory(1141); }},
  };
  for (const auto& [name, call] : calls) {
    EXPECT_THROW(call(), std::logic_error) << name;
  }
  EXPECT_FALSE(window.hasControl(1010));
  EXPECT_TRUE(window.writtenIds().empty());
}

TEST(HeadlessWindowTest, AnOperationTheControlKindLacksIsAProgrammingError) {
  // 1150 is a check box on one page and an edit on another: checking the wrong page's 1150
  // must not pass silently.
  HeadlessWindow window(SamplePage());
  const std::vector<std::pair<const char*, std::function<void()>>> calls = {
      {"check an edit", [&] { window.setChecked(1150, true); }},
      {"read the check of an edit", [&] { window.checked(1150); }},
      {"position of a check box", [&] { window.setPosition(1228, 1); }},
      {"text of a progress bar", [&] { window.text(1224); }},
      {"set text of a combo box", [&] { window.setText(1102, "x"); }},
      {"text of a check box", [&] { window.text(1228); }},
      {"rename a push button", [&] { window.setText(1225, "x"); }},
      {"append to a label", [&] { window.appendText(7, "x"); }},
      {"icon of an edit", [&] { window.setIcon(1150, 129); }},
      {"items of an edit", [&] { window.addItem(1150, "x"); }},
      {"default button on a check box", [&] { window.setDefaultButton(1228); }},
  };
  for (const auto& [name, call] : calls) {
    EXPECT_THROW(call(), std::logic_error) << name;
  }
}

TEST(HeadlessWindowTest, ARepeatedIdInATemplateIsRefused) {
  res::DialogTemplate page = SamplePage();
  page.controls.push_back({ControlKind::CheckBox, 1228, "again", 0, {}});
  EXPECT_THROW(HeadlessWindow{page}, std::logic_error);
}

TEST(HeadlessWindowTest, PositionsStayInsideTheRange) {
  HeadlessWindow window(SamplePage());
  window.setRange(1224, 0, 4096);
  window.setPosition(1224, 4095);
  window.setPosition(1224, 5000);
  window.setPosition(1224, -1);
  EXPECT_EQ(window.range(1224), (Range{0, 4096}));
  EXPECT_EQ(window.position(1224), 0);
  EXPECT_EQ(window.positionHistory(1224), (std::vector<int>{4095, 4096, 0}));

  window.setRange(1236, 0, 255);
  window.setPosition(1236, 200);
  window.setRange(1236, 0, 100);  // a narrower range pulls the thumb in
  EXPECT_EQ(window.position(1236), 100);
}

TEST(HeadlessWindowTest, ComboBoxKeepsItemsInOrderAndOneSelection) {
  HeadlessWindow window(SamplePage());
  EXPECT_EQ(window.addItem(1102, "Board B"), 0);
  EXPECT_EQ(window.addItem(1102, "Board A"), 1);
  EXPECT_EQ(window.itemCount(1102), 2);
  EXPECT_EQ(window.itemText(1102, 1), "Board A");
  EXPECT_THROW(window.itemText(1102, 2), std::out_of_range);
  window.setSelection(1102, 1);
  EXPECT_EQ(window.selection(1102), 1);
  EXPECT_EQ(window.text(1102), "Board A");
  window.setSelection(1102, 2);
  EXPECT_EQ(window.selection(1102), kNoSelection);
  window.setSelection(1102, 0);
  window.clearItems(1102);
  EXPECT_EQ(window.itemCount(1102), 0);
  EXPECT_EQ(window.selection(1102), kNoSelection);
  EXPECT_EQ(window.text(1102), "");
}

TEST(HeadlessWindowTest, RecordsWhichControlsWereWritten) {
  HeadlessWindow window(SamplePage());
  window.setText(1150, "000000");
  window.setEnabled(1150, false);
  window.setChecked(1228, false);  // writing the same state still counts
  window.text(7);
  EXPECT_EQ(window.writtenIds(), (std::set<int>{1150, 1228}));
  window.forgetWrites();
  EXPECT_TRUE(window.writtenIds().empty());
}

TEST(HeadlessWindowTest, FocusAndDefaultButton) {
  HeadlessWindow window(SamplePage());
  window.setFocus(1150);
  EXPECT_EQ(window.focusedId(), 1150);
  window.setDefaultButton(1225);
  EXPECT_EQ(window.defaultButton(), 1225);
}

TEST(HeadlessWindowTest, AWorkerAppendsToTheLogWhileTheUiReads) {
  HeadlessWindow window(SamplePage());
  window.setRange(1224, 0, 1000);
  constexpr int kLines = 2000;
  std::thread worker([&] {
    for (int i = 0; i < kLines; ++i) {
      window.appendText(1101, "line\r\n");
      window.setPosition(1224, i);
    }
  });
  std::size_t lastLength = 0;
  for (int i = 0; i < kLines; ++i) {
    const std::string log = window.text(1101);
    // The reader only ever sees whole appends, never a torn one, and the log only grows.
    ASSERT_EQ(log.size() % 6, 0u);
    ASSERT_GE(log.size(), lastLength);
    lastLength = log.size();
    window.position(1224);
  }
  worker.join();
  EXPECT_EQ(window.text(1101).size(), 6u * kLines);
  EXPECT_EQ(window.position(1224), 1000);
}

}  // namespace
}  // namespace brisa::ui
