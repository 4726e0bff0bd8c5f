#include <gtest/gtest.h>

#include <QLabel>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "qt/qt_shell.h"
#include "qt_process.h"
#include "resources/resource_ids.h"
#include "ui/headless_shell.h"

namespace brisa::qt {
namespace {

using testing::NoEvents;

// The same calls on a page, written down as text, so the headless window and the Qt one can be
// compared: the editor's rules are tested headless and must hold on screen alike.
std::vector<std::string> Exercise(ui::Window& page) {
  namespace adv = res::advanced;
  std::vector<std::string> seen;
  const auto note = [&](const std::string& what, const std::function<std::string()>& call) {
    try {
      seen.push_back(what + " = " + call());
    } catch (const std::out_of_range&) {
      seen.push_back(what + " out of range");
    } catch (const std::logic_error&) {
      seen.push_back(what + " refused");
    }
  };
  note("path", [&] { return page.text(adv::kFirmwarePathEdit); });
  page.setText(adv::kFirmwarePathEdit, "/tmp/image.bin");
  note("path", [&] { return page.text(adv::kFirmwarePathEdit); });
  page.appendText(adv::kLogEdit, "Erasing\r\n");
  page.appendText(adv::kLogEdit, "Done\r\n");
  note("log", [&] { return page.text(adv::kLogEdit); });
  note("upgrade enabled", [&] { return std::to_string(page.enabled(adv::kUpgradeButton)); });
  page.setEnabled(adv::kUpgradeButton, true);
  note("upgrade enabled", [&] { return std::to_string(page.enabled(adv::kUpgradeButton)); });
  page.setChecked(adv::kRequirePinBox, true);
  note("pin box", [&] { return std::to_string(page.checked(adv::kRequirePinBox)); });
  note("progress", [&] { return std::to_string(page.position(adv::kProgressBar)); });
  page.setRange(adv::kProgressBar, 0, 40);
  page.setPosition(adv::kProgressBar, 55);
  note("progress", [&] { return std::to_string(page.position(adv::kProgressBar)); });
  page.setPosition(adv::kProgressBar, -3);
  note("progress", [&] { return std::to_string(page.position(adv::kProgressBar)); });
  note("range", [&] {
    const ui::Range r = page.range(adv::kProgressBar);
    return std::to_string(r.low) + ".." + std::to_string(r.high);
  });
  // Wrong kinds, as a call meant for another page's control of the same id would be.
  note("check an edit", [&] { return std::to_string(page.checked(adv::kPinEdit)); });
  note("text of a button", [&] { return page.text(adv::kChooseButton); });
  note("icon of an edit", [&] { return std::to_string(page.icon(adv::kEncoderPressTimeEdit)); });
  note("missing control", [&] { return page.text(1011); });
  note("default button on an edit", [&] {
    page.setDefaultButton(adv::kPinEdit);
    return std::string("set");
  });
  return seen;
}

TEST(QtWindowContract, BehavesAsTheHeadlessWindow) {
  NoEvents events;
  ui::HeadlessShell headless;
  NoEvents mainEvents;
  headless.createDialog(res::dialog::kMain, mainEvents);
  ui::Window& headlessPage = headless.createDialog(
      res::dialog::kAdvanced, events, res::dialog::kMain, res::main_dialog::kTabControl);
  QtShell shell;
  shell.createDialog(res::dialog::kMain, mainEvents);
  ui::Window& qtPage = shell.createDialog(res::dialog::kAdvanced, events, res::dialog::kMain,
                                          res::main_dialog::kTabControl);
  const auto headlessSeen = Exercise(headlessPage);
  EXPECT_EQ(headlessSeen.at(2), "log = Erasing\r\nDone\r\n");
  EXPECT_EQ(Exercise(qtPage), headlessSeen);
}

TEST(QtWindowContract, CombosAndPicturesBehaveAsHeadless) {
  NoEvents events;
  ui::HeadlessShell headless;
  QtShell shell;
  ui::Window* windows[] = {&headless.createDialog(res::dialog::kMain, events),
                           &shell.createDialog(res::dialog::kMain, events)};
  for (ui::Window* w : windows) {
    const int combo = res::main_dialog::kDeviceCombo;
    EXPECT_EQ(w->addItem(combo, "Board A"), 0);
    EXPECT_EQ(w->addItem(combo, "Board B"), 1);
    EXPECT_EQ(w->selection(combo), ui::kNoSelection);  // adding selects nothing
    EXPECT_EQ(w->text(combo), "");
    w->setSelection(combo, 1);
    EXPECT_EQ(w->text(combo), "Board B");
    w->setSelection(combo, 7);
    EXPECT_EQ(w->selection(combo), ui::kNoSelection);
    EXPECT_THROW(w->itemText(combo, 2), std::out_of_range);
    w->clearItems(combo);
    EXPECT_EQ(w->itemCount(combo), 0);
  }
  // A picture takes its icon's size from its top-left corner.
  NoEvents pageEvents;
  shell.createDialog(res::dialog::kButtonTest, pageEvents, res::dialog::kMain,
                     res::main_dialog::kTabControl);
  QtWindow& test = shell.window(res::dialog::kButtonTest);
  test.setIcon(res::button_test::kHat1Picture, res::icon::kHatCentred);
  EXPECT_EQ(test.icon(res::button_test::kHat1Picture), res::icon::kHatCentred);
  auto* hat = static_cast<QLabel*>(test.widget(res::button_test::kHat1Picture));
  EXPECT_EQ(hat->pixmap().size(), QSize(72, 72));
  EXPECT_GE(hat->width(), 72);
}

}  // namespace
}  // namespace brisa::qt
