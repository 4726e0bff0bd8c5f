#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "editor/report_fields.h"
#include "main_dialog_fixture.h"
#include "platform/sim/virtual_clock.h"
#include "resources/accelerator_table.h"
#include "resources/resource_ids.h"

namespace brisa::editor {
namespace {

using board::ModelId;
using board::WriteOutcome;
using testing::HeadlessProcess;
namespace ids = res::main_dialog;
namespace bs = res::button_setup;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;

const char* const kSaved = "Configuration Saved to Device";
const char* const kRefused = "The device refused the configuration; it may be saved only in part";

class CommandsTest : public ::testing::Test, protected HeadlessProcess {
 protected:
  void SetUp() override {
    environment.clock = &clock;
    shell.loadAccelerators(res::kMainAccelerators);
    shell.setMainDialog(res::dialog::kMain);
    dialog.Create();
  }

  void select(ModelId model) { context.board.pDevice = board::CreateDevice(model, false); }
  void press(int button) {
    shell.window(res::dialog::kMain).setEnabled(button, true);
    shell.click(res::dialog::kMain, button);
  }
  ui::HeadlessWindow& page(int dialogId) { return shell.window(dialogId); }

  platform::sim::VirtualClock clock;
  CBrisaDlg dialog{context, environment};
};

// A message box keeps the timer ticking while it is up, as a modal box's own loop does.
class TickingPrompts final : public ui::Prompts {
 public:
  explicit TickingPrompts(ui::HeadlessShell& shell) : m_shell(shell) {}
  void messageBox(const std::string& text) override {
    messages.push_back(text);
    m_shell.tick(2);
  }
  std::optional<std::string> openFile(const ui::FileDialogSpec&) override { return {}; }
  std::optional<std::string> saveFile(const ui::FileDialogSpec&) override { return {}; }
  std::vector<std::string> messages;

 private:
  ui::HeadlessShell& m_shell;
};

TEST(UpdateCommand, SaysHowTheWriteEndedWhenItEnds) {
  const struct {
    const char* what;
    std::optional<int> clearedAtTick;  // when the write worker clears the request
    WriteOutcome outcome;
    std::vector<std::string> messages;  // all shown once the timer has ticked on
  } cases[] = {
      {"accepted at once", 0, WriteOutcome::Accepted, {kSaved}},
      {"refused at once", 0, WriteOutcome::Refused, {kRefused}},
      {"accepted late", 40, WriteOutcome::Accepted, {kSaved}},
      {"refused late, the usual case", 40, WriteOutcome::Refused, {kRefused}},
      {"the board went away", 12, WriteOutcome::Dropped, {}},
      {"never served", std::nullopt, WriteOutcome::None, {}},
  };
  for (const auto& c : cases) {
    HeadlessProcess process;
    platform::sim::VirtualClock clock;
    TickingPrompts prompts(process.shell);
    Environment environment{process.shell, prompts, process.launcher, {}};
    environment.clock = &clock;
    CBrisaDlg dialog(process.context, environment);
    dialog.Create();
    process.putNumbersInTheEdits();
    board::BoardState& board = process.context.board;
    board.pDevice = board::CreateDevice(ModelId::Osprey, false);
    board.writeOutcome = WriteOutcome::Accepted;  // from an earlier write
    process.shell.window(res::dialog::kMain).setEnabled(ids::kUpdateButton, true);
    process.shell.click(res::dialog::kMain, ids::kUpdateButton);
    // The window waits for no board: Update returns with the reports built and nothing said.
    EXPECT_EQ(board.outReports.outButtonTypeReport[1], 0x11) << c.what;
    EXPECT_EQ(board.writeRequest, 1u) << c.what;
    EXPECT_TRUE(prompts.messages.empty()) << c.what;
    EXPECT_EQ(clock.sleptMs(), 0u) << c.what;
    for (int tick = 0; tick <= 50; ++tick) {
      if (c.clearedAtTick == tick) {
        board.writeOutcome = c.outcome;
        board.writeRequest = 0;
      }
      process.shell.tick();
    }
    EXPECT_EQ(prompts.messages, c.messages) << c.what;
  }
}

TEST_F(CommandsTest, UpdateWhileDisabledBuildsAndRaisesNothing) {
  select(ModelId::Osprey);
  const board::OutgoingReports before = context.board.outReports;
  EXPECT_EQ(shell.pressKey('U', res::modifier::kCtrl), ids::kUpdateButton);
  EXPECT_EQ(context.board.outReports.outButtonTypeReport, before.outButtonTypeReport);
  EXPECT_EQ(context.board.writeRequest, 0u);
  EXPECT_EQ(clock.sleptMs(), 0u);
  EXPECT_TRUE(prompts.messages().empty());
}

// A text that gives no number stops Update and Save before anything is built, sent or stored;
// only the edits whose numbers this board's reports carry count. The edit named is shown, on
// its own page, with the focus.
TEST_F(CommandsTest, ATextThatHoldsNoNumberRefusesUpdateAndSave) {
  const char* const kAxis1Min = "Axis Setup: \"Axis 1 minimum value\" does not hold a number";
  const char* const kPinTooLarge =
      "Advanced: \"PIN value (6 digit recommended)\" is not a PIN the device can keep (0 to "
      "2147483647)";
  const struct {
    const char* what;
    ModelId model;
    int page;
    int id;
    const char* text;
    const char* refusal;  // nullptr: Update and Save go ahead
  } cases[] = {
      {"range layout, letters", ModelId::Merlin, res::dialog::kAxisSetup, ax::MinEdit(0), "abc",
       kAxis1Min},
      {"range layout, empty", ModelId::Osprey, res::dialog::kAxisSetup, ax::MaxEdit(7), "",
       "Axis Setup: \"Maximum value\" of axis 8 does not hold a number"},
      {"signed layout, a sign alone", ModelId::Plover, res::dialog::kAxisSetup, ax::MinEdit(4),
       " -", "Axis Setup: \"Axis 5 minimum value\" does not hold a number"},
      {"signed layout, an axis the board lacks", ModelId::Plover, res::dialog::kAxisSetup,
       ax::MinEdit(5), "abc", nullptr},
      {"Egret's fourth axis", ModelId::Egret, res::dialog::kAxisSetup, ax::MaxEdit(3), "", nullptr},
      {"digits then letters convert", ModelId::Merlin, res::dialog::kAxisSetup, ax::MinEdit(0),
       "12abc", nullptr},
      {"key layout, an axis", ModelId::Keyboard, res::dialog::kAxisSetup, ax::MinEdit(0), "abc",
       nullptr},
      {"key layout, a key code", ModelId::Keyboard, res::dialog::kKeyboard, kb::KeyEdit(35), "zz",
       "Keyboard: the key code of button 36 does not hold a hexadecimal number"},
      {"Finch's last button", ModelId::Finch, res::dialog::kKeyboard, kb::KeyEdit(31), "",
       "Keyboard: the key code of button 32 does not hold a hexadecimal number"},
      {"a button Finch lacks", ModelId::Finch, res::dialog::kKeyboard, kb::KeyEdit(32), "",
       nullptr},
      {"axis layout, a key code", ModelId::Merlin, res::dialog::kKeyboard, kb::KeyEdit(0), "zz",
       nullptr},
      {"an empty timing", ModelId::Osprey, res::dialog::kAdvanced, adv::kSwitchPressTimeEdit, "",
       "Advanced: \"Rotary/toggle sw press time (20..)\" does not hold a number"},
      {"an empty PIN, required", ModelId::Merlin, res::dialog::kAdvanced, adv::kPinEdit, "",
       "Advanced: \"PIN value (6 digit recommended)\" does not hold a number"},
      {"a PIN above 31 bits", ModelId::Merlin, res::dialog::kAdvanced, adv::kPinEdit, "3000000000",
       kPinTooLarge},
      {"a 20-digit PIN", ModelId::Keyboard, res::dialog::kAdvanced, adv::kPinEdit,
       "12345678901234567890", kPinTooLarge},
      {"the largest PIN", ModelId::Merlin, res::dialog::kAdvanced, adv::kPinEdit, "2147483647",
       nullptr},
  };
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("brisa-refused-" + std::to_string(::getpid()) + ".bin");
  for (const auto& c : cases) {
    select(c.model);
    putNumbersInTheEdits();
    page(res::dialog::kAdvanced).setChecked(adv::kRequirePinBox, c.id == adv::kPinEdit);
    page(c.page).setText(c.id, c.text);
    board::BoardState& board = context.board;
    board.outReports = {};
    board.configRecord = {};
    const std::size_t shown = prompts.messages().size();
    const std::uint64_t slept = clock.sleptMs();
    // The edit named lies on a page not shown.
    const auto showButtonTest = [&] {
      shell.clickTab(res::dialog::kMain, ids::kTabControl, kPageButtonTest);
    };
    const auto expectTheEditShownWithTheFocus = [&](const char* command) {
      if (c.refusal == nullptr) return;
      const int tab = shell.focusedTabItem(res::dialog::kMain, ids::kTabControl);
      EXPECT_EQ(dialog.m_tabCtrl.page(tab).templateId(), c.page) << c.what << ": " << command;
      EXPECT_TRUE(shell.dialogVisible(c.page)) << c.what << ": " << command;
      EXPECT_FALSE(shell.dialogVisible(res::dialog::kButtonTest)) << c.what << ": " << command;
      EXPECT_EQ(page(c.page).focusedId(), c.id) << c.what << ": " << command;
    };
    showButtonTest();
    press(ids::kUpdateButton);
    expectTheEditShownWithTheFocus("Update");
    showButtonTest();
    prompts.answerWithPath(file.string());
    shell.pressKey('S', res::modifier::kCtrl);
    expectTheEditShownWithTheFocus("Save");
    if (c.refusal == nullptr) {
      EXPECT_EQ(prompts.messages().size(), shown) << c.what;
      EXPECT_EQ(board.writeRequest, 1u) << c.what;
      EXPECT_TRUE(std::filesystem::exists(file)) << c.what;
    } else {
      std::vector<std::string> said = prompts.messages();
      said.erase(said.begin(), said.begin() + static_cast<std::ptrdiff_t>(shown));
      EXPECT_EQ(said, std::vector<std::string>(2, c.refusal)) << c.what << ": Update, then Save";
      EXPECT_EQ(board.writeRequest, 0u) << c.what;
      EXPECT_EQ(clock.sleptMs(), slept) << c.what << ": Update waited for no write";
      EXPECT_EQ(board::RecordFromReports(board.outReports),
                board::RecordFromReports(board::OutgoingReports{}))
          << c.what;
      EXPECT_EQ(board.configRecord, board::ConfigRecord{}) << c.what;
      EXPECT_FALSE(std::filesystem::exists(file)) << c.what;
    }
    board.writeRequest = 0;
    std::filesystem::remove(file);
  }
}

// Every control Set defaults may touch, given a value it never writes.
void FillWithOtherValues(ui::HeadlessWindow& buttons, ui::HeadlessWindow& axes,
                         ui::HeadlessWindow& advanced, ui::HeadlessWindow& keys) {
  for (int id : buttons.controlIds()) buttons.setChecked(id, true);
  for (int k = 0; k < ax::kAxisCount; ++k) {
    axes.setChecked(ax::InvertedBox(k), true);
    axes.setText(ax::MinEdit(k), "7");
    axes.setText(ax::MaxEdit(k), "9");
  }
  axes.setPosition(ax::kGainSlider1, 100);
  axes.setPosition(ax::kGainSlider2, 200);
  for (int id : {adv::kFilteringEdit, adv::kDebounceEdit, adv::kEncoderPressTimeEdit,
                 adv::kSwitchPressTimeEdit}) {
    advanced.setText(id, "3");
  }
  advanced.setChecked(adv::kRequirePinBox, true);
  advanced.setEnabled(adv::kPinEdit, true);
  advanced.setText(adv::kPinEdit, "4321");
  for (int i = 0; i < kb::kKeyEditCount; ++i) keys.setText(kb::KeyEdit(i), "0xFF");
}

TEST_F(CommandsTest, SetDefaultsGivesEachModelItsDefaults) {
  struct Axes {
    int count;  // axes whose controls get defaults; the rest keep their values
    const char* min;
    const char* max;
  };
  const Axes kRange{8, "0", "4095"}, kSigned{5, "-32768", "32767"}, kNone{0, "", ""};
  const struct {
    ModelId model;
    Axes axes;
    const char* debounce;
    const char* encoder;
    const char* sw;
  } cases[] = {
      {ModelId::Merlin, kRange, "50", "40", "75"},    {ModelId::Osprey, kRange, "50", "40", "75"},
      {ModelId::Linnet, kNone, "50", "40", "75"},     {ModelId::Plover, kSigned, "50", "40", "75"},
      {ModelId::Egret, kNone, "50", "40", "75"},      {ModelId::Heron, kSigned, "50", "40", "75"},
      {ModelId::Keyboard, kNone, "20", "100", "100"}, {ModelId::Sparrow, kNone, "50", "40", "75"},
      {ModelId::Kestrel, kNone, "50", "40", "75"},    {ModelId::Finch, kNone, "50", "40", "75"},
      {ModelId::DFU, kNone, "20", "100", "100"},
  };
  ui::HeadlessWindow& buttons = page(res::dialog::kButtonSetup);
  ui::HeadlessWindow& axes = page(res::dialog::kAxisSetup);
  ui::HeadlessWindow& advanced = page(res::dialog::kAdvanced);
  ui::HeadlessWindow& keys = page(res::dialog::kKeyboard);
  for (const auto& c : cases) {
    const int model = board::ToNumber(c.model);
    select(c.model);
    FillWithOtherValues(buttons, axes, advanced, keys);
    press(ids::kSetDefaultsButton);
    // Every box of all 36 buttons, whatever the model's button count.
    for (int id : buttons.controlIds()) EXPECT_FALSE(buttons.checked(id)) << model << " " << id;
    for (int i = 0; i < kb::kKeyEditCount; ++i) {
      EXPECT_EQ(keys.text(kb::KeyEdit(i)), FormatKeyCode(static_cast<std::uint8_t>(4 + i)))
          << model;
    }
    for (int k = 0; k < ax::kAxisCount; ++k) {
      const bool set = k < c.axes.count;
      EXPECT_EQ(axes.checked(ax::InvertedBox(k)), !set) << model << " axis " << k;
      EXPECT_EQ(axes.text(ax::MinEdit(k)), set ? c.axes.min : "7") << model << " axis " << k;
      EXPECT_EQ(axes.text(ax::MaxEdit(k)), set ? c.axes.max : "9") << model << " axis " << k;
    }
    EXPECT_EQ(axes.position(ax::kGainSlider1), 100) << model;
    EXPECT_EQ(axes.position(ax::kGainSlider2), 200) << model;
    EXPECT_EQ(advanced.text(adv::kFilteringEdit), "0") << model;
    EXPECT_EQ(advanced.text(adv::kDebounceEdit), c.debounce) << model;
    EXPECT_EQ(advanced.text(adv::kEncoderPressTimeEdit), c.encoder) << model;
    EXPECT_EQ(advanced.text(adv::kSwitchPressTimeEdit), c.sw) << model;
    EXPECT_FALSE(advanced.checked(adv::kRequirePinBox)) << model;
    EXPECT_FALSE(advanced.enabled(adv::kPinEdit)) << model;
    EXPECT_EQ(advanced.text(adv::kPinEdit), "000000") << model;
  }
  // Only the pages change.
  EXPECT_EQ(context.board.configRecord, board::ConfigRecord{});
  EXPECT_EQ(context.board.writeRequest, 0u);
}

TEST_F(CommandsTest, SetDefaultsWithoutABoardDoesNothing) {
  FillWithOtherValues(page(res::dialog::kButtonSetup), page(res::dialog::kAxisSetup),
                      page(res::dialog::kAdvanced), page(res::dialog::kKeyboard));
  for (int id : {res::dialog::kButtonSetup, res::dialog::kAxisSetup, res::dialog::kAdvanced,
                 res::dialog::kKeyboard}) {
    page(id).forgetWrites();
  }
  press(ids::kSetDefaultsButton);
  for (int id : {res::dialog::kButtonSetup, res::dialog::kAxisSetup, res::dialog::kAdvanced,
                 res::dialog::kKeyboard}) {
    EXPECT_TRUE(page(id).writtenIds().empty()) << id;
  }
}

board::FeatureReport Report(std::vector<std::uint8_t> bytes) {
  board::FeatureReport report{};
  std::copy(bytes.begin(), bytes.end(), report.begin());
  return report;
}

TEST_F(CommandsTest, DefaultsFollowedByUpdateSendTheModelsDefaultReports) {
  const struct {
    ModelId model;
    board::OutgoingReports sent;
  } cases[] = {
      {ModelId::Merlin,
       {Report({2, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                0x11, 0x11, 0x11}),
        Report({3, 0, 0, 50, 0, 40, 0, 75, 0, 0, 0, 0, 0, 0, 0}),
        Report({4, 0, 0, 0, 0xFF, 0x0F, 0, 0, 0xFF, 0x0F, 0, 0, 0xFF, 0x0F, 0, 0, 0xFF, 0x0F}),
        Report({5, 4, 0, 0, 0xFF, 0x0F, 0, 0, 0xFF, 0x0F, 0, 0, 0xFF, 0x0F, 0, 0, 0xFF, 0x0F})}},
      // Axes 6..8 keep what their edits hold: 300 and -2 here.
      {ModelId::Plover,
       {Report({2, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                0x11, 0x11}),
        Report({3, 0, 0, 50, 0, 40, 0, 75, 0, 0, 0, 0, 0, 0, 0}),
        Report({4, 0, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x80, 0xFF, 0x7F, 0x00,
                0x80, 0xFF, 0x7F}),
        Report({5, 4, 0x00, 0x80, 0xFF, 0x7F, 0x2C, 0x01, 0xFE, 0xFF, 0x2C, 0x01, 0xFE, 0xFF, 0x2C,
                0x01, 0xFE, 0xFF})}},
  };
  ui::HeadlessWindow& axes = page(res::dialog::kAxisSetup);
  for (const auto& c : cases) {
    select(c.model);
    FillWithOtherValues(page(res::dialog::kButtonSetup), axes, page(res::dialog::kAdvanced),
                        page(res::dialog::kKeyboard));
    for (int k = 5; k < 8; ++k) {
      axes.setText(ax::MinEdit(k), "300");
      axes.setText(ax::MaxEdit(k), "-2");
    }
    press(ids::kSetDefaultsButton);
    press(ids::kUpdateButton);
    const board::OutgoingReports& sent = context.board.outReports;
    const int model = board::ToNumber(c.model);
    EXPECT_EQ(sent.outButtonTypeReport, c.sent.outButtonTypeReport) << model;
    EXPECT_EQ(sent.outSettingsReport, c.sent.outSettingsReport) << model;
    EXPECT_EQ(sent.outAxisKeyReportA, c.sent.outAxisKeyReportA) << model;
    EXPECT_EQ(sent.outAxisKeyReportB, c.sent.outAxisKeyReportB) << model;
    EXPECT_EQ(context.board.writeRequest, 1u);
    context.board.writeRequest = 0;
  }
}

}  // namespace
}  // namespace brisa::editor
