#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "main_dialog_fixture.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

namespace adv = res::advanced;
namespace ax = res::axis_setup;
using testing::HeadlessProcess;

class PagesTest : public ::testing::Test, protected HeadlessProcess {
 protected:
  void SetUp() override { dialog.Create(); }

  void show(int page) { shell.clickTab(res::dialog::kMain, res::main_dialog::kTabControl, page); }
  ui::HeadlessWindow& advanced() { return shell.window(res::dialog::kAdvanced); }

  CBrisaDlg dialog{context, environment};
};

TEST_F(PagesTest, ANewAxisSetupPageHasItsRangesAndEmptyEdits) {
  ui::HeadlessWindow& page = shell.window(res::dialog::kAxisSetup);
  for (int k = 0; k < ax::kAxisCount; ++k) {
    EXPECT_EQ(page.range(ax::AxisBar(k)), (ui::Range{0, 4096})) << k;
    EXPECT_EQ(page.position(ax::AxisBar(k)), 0) << k;
    for (int edit : {ax::MinEdit(k), ax::MaxEdit(k), ax::ValueEdit(k)}) {
      EXPECT_EQ(page.text(edit), "") << edit;
    }
  }
  for (int slider : {ax::kGainSlider1, ax::kGainSlider2}) {
    EXPECT_EQ(page.range(slider), (ui::Range{0, 255})) << slider;
    EXPECT_EQ(page.position(slider), 0) << slider;
  }
}

TEST_F(PagesTest, ChooseTakesTheImageAndEnablesUpgradeOnlyForABootloader) {
  const struct {
    const char* what;
    std::optional<board::ModelId> selected;
    std::optional<std::string> chosen;  // nothing: cancelled
    std::string path;
    bool upgrade;
  } cases[] = {
      {"HID board", board::ModelId::Osprey, "/home/u/fw.bin", "/home/u/fw.bin", false},
      // Whether its DFU interface was found does not matter here.
      {"bootloader", board::ModelId::DFU, "/home/u/fw.bin", "/home/u/fw.bin", true},
      {"no board", std::nullopt, "/home/u/fw.bin", "/home/u/fw.bin", false},
      {"cancelled", board::ModelId::DFU, std::nullopt, "/old/image.bin", false},
  };
  show(3);
  for (const auto& c : cases) {
    advanced().setText(adv::kFirmwarePathEdit, "/old/image.bin");
    advanced().setEnabled(adv::kUpgradeButton, false);
    context.board.pDevice = c.selected ? board::CreateDevice(*c.selected, false) : nullptr;
    c.chosen ? prompts.answerWithPath(*c.chosen) : prompts.answerWithCancel();
    shell.click(res::dialog::kAdvanced, adv::kChooseButton);
    EXPECT_EQ(advanced().text(adv::kFirmwarePathEdit), c.path) << c.what;
    EXPECT_EQ(advanced().enabled(adv::kUpgradeButton), c.upgrade) << c.what;
    const ui::AskedFileDialog asked = prompts.fileDialogs().back();
    EXPECT_EQ(asked.kind, ui::FileDialogKind::Open);
    EXPECT_EQ(asked.spec, (ui::FileDialogSpec{"", "bin", "/old/image.bin",
                                              "Binary firmware (*.bin)|*.bin|", false}));
  }
}

TEST_F(PagesTest, RequirePinEnablesThePinEditAndKeepsItsText) {
  show(3);
  advanced().setText(adv::kPinEdit, "123456");
  advanced().setEnabled(adv::kPinEdit, false);
  for (const bool expected : {true, false, true}) {
    shell.click(res::dialog::kAdvanced, adv::kRequirePinBox);
    EXPECT_EQ(advanced().enabled(adv::kPinEdit), expected);
    EXPECT_EQ(advanced().text(adv::kPinEdit), "123456");
  }
}

TEST_F(PagesTest, UpgradeAndRebootOnlyRaiseTheirRequests) {
  show(3);
  EXPECT_FALSE(advanced().enabled(adv::kUpgradeButton));
  EXPECT_FALSE(advanced().enabled(adv::kRebootButton));
  for (int id : {adv::kUpgradeButton, adv::kRebootButton}) advanced().setEnabled(id, true);
  shell.click(res::dialog::kAdvanced, adv::kRebootButton);
  EXPECT_EQ(context.board.rebootRequest, 1u);
  EXPECT_EQ(context.dfu.upgradeRequest, 0u);
  shell.click(res::dialog::kAdvanced, adv::kUpgradeButton);
  EXPECT_EQ(context.dfu.upgradeRequest, 1u);
  for (int id : {adv::kUpgradeButton, adv::kRebootButton}) EXPECT_TRUE(advanced().enabled(id));
  EXPECT_TRUE(prompts.messages().empty());
}

}  // namespace
}  // namespace brisa::editor
