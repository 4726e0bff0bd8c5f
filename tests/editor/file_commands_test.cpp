#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "editor/config_file.h"
#include "file_store_fixture.h"
#include "main_dialog_fixture.h"
#include "resources/accelerator_table.h"
#include "resources/resource_ids.h"
#include "support/ordinary_user.h"

namespace brisa::editor {
namespace {

namespace fs = std::filesystem;
namespace cmd = res::command;
namespace bs = res::button_setup;
namespace ax = res::axis_setup;
namespace adv = res::advanced;
namespace kb = res::keyboard;
using board::ModelId;
using testing::Contents;
using testing::FreshTestFolder;
using testing::HeadlessProcess;
using testing::Put;

const char* const kFilter = "BIN Files (*.bin)|*.bin|All Files (*.*)|*.*||";
const char* const kCorrupt = "The file is corrupted or invalid version";
const char* const kMissing = "The file does not exist or incorrect";
const char* const kCannotSave = "Cannot save the configuration";

// A configuration every field of which shows on the pages of a model-2 board.
board::ConfigRecord SampleRecord() {
  board::ConfigRecord record;
  record.buttonTypes.fill(0x51);  // rotary switch, plain
  record.settings = {10, 0, 50, 0, 40, 0, 75, 0, 0x40, 0xE2, 0x01, 0x80};
  for (std::size_t i = 0; i < 19; ++i) {
    record.axisKeyA[i] = static_cast<std::uint8_t>(0x20 + i);
    record.axisKeyB[i] = static_cast<std::uint8_t>(0x40 + i);
  }
  return record;
}

std::vector<std::uint8_t> FileBytes(const board::ConfigRecord& record, std::uint32_t modelId) {
  const ConfigFileBytes bytes = EncodeConfigFile(record, modelId);
  return {bytes.begin(), bytes.end()};
}

class FileCommandsTest : public ::testing::Test, protected HeadlessProcess {
 protected:
  void SetUp() override {
    dir = FreshTestFolder("files");
    shell.loadAccelerators(res::kMainAccelerators);
    shell.setMainDialog(res::dialog::kMain);
    dialog.Create();
    // A configuration has been shown: the file commands are enabled.
    shell.window(res::dialog::kMain).setEnabled(res::main_dialog::kUpdateButton, true);
    putNumbersInTheEdits();
  }
  void TearDown() override { fs::remove_all(dir); }

  void select(std::optional<ModelId> model) {
    context.board.pDevice = model ? board::CreateDevice(*model, false) : nullptr;
  }
  ui::HeadlessWindow& page(int dialogId) { return shell.window(dialogId); }
  void forgetWrites() {
    for (int id : kConfigPages) page(id).forgetWrites();
  }
  std::set<int> written(int dialogId) { return page(dialogId).writtenIds(); }
  void saveAs(const fs::path& path) {
    prompts.answerWithPath(path.string());
    ASSERT_EQ(shell.pressKey('S', res::modifier::kCtrl), cmd::ID_FILE_SAVE_AS);
  }
  void open(const fs::path& path) {
    prompts.answerWithPath(path.string());
    ASSERT_EQ(shell.pressKey('O', res::modifier::kCtrl), cmd::ID_FILE_OPEN);
  }

  static constexpr int kConfigPages[] = {res::dialog::kButtonSetup, res::dialog::kAxisSetup,
                                         res::dialog::kAdvanced, res::dialog::kKeyboard};
  fs::path dir;
  CBrisaDlg dialog{context, environment};
};

TEST_F(FileCommandsTest, SaveAsWritesThePagesWithTheConnectedBoardsModel) {
  const struct {
    std::optional<ModelId> board;
    std::vector<std::uint8_t> modelBytes;
  } cases[] = {
      {ModelId::Osprey, {0x02, 0x00, 0x00, 0x00}},
      {std::nullopt, {0xFF, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    select(c.board);
    page(res::dialog::kAdvanced).setText(adv::kDebounceEdit, "33");
    page(res::dialog::kButtonSetup).setChecked(bs::ToggleBox(0), true);
    saveAs(dir / "pad.bin");
    const board::ConfigRecord expected = board::RecordFromReports(dialog.CollectConfigReports());
    const std::vector<std::uint8_t> bytes = Contents(dir / "pad.bin");
    ASSERT_EQ(bytes.size(), 82u);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[22], 33) << "debounce, report 3 byte 3";
    EXPECT_EQ(bytes[1] & 0x0F, 12) << "button 1 a toggle switch";
    EXPECT_EQ(bytes[77], ConfigCheckByte(expected));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 78, bytes.end()), c.modelBytes);
    EXPECT_EQ(context.board.configRecord, expected);
    EXPECT_EQ(context.board.outReports.outSettingsReport[3], 33);
  }
  EXPECT_EQ(prompts.fileDialogs().back(),
            (ui::AskedFileDialog{ui::FileDialogKind::Save,
                                 {"Save configuration as", "bin", "", kFilter, true}}));
  EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(FileCommandsTest, SaveAsNamesTheFileBeforeItSaves) {
  const struct {
    std::string chosen;
    std::string stored;
  } cases[] = {
      {(dir / "typed").string(), (dir / "typed.bin").string()},
      {(dir / "kept.cfg").string(), (dir / "kept.cfg").string()},
      {(dir / "pad.bin").string(), (dir / "pad.bin").string()},
      // As long a name as the file system takes.
      {(dir / (std::string(251, 'n') + ".bin")).string(),
       (dir / (std::string(251, 'n') + ".bin")).string()},
  };
  select(ModelId::Merlin);
  for (const auto& c : cases) {
    saveAs(c.chosen);
    EXPECT_EQ(context.strConfigFilePath, c.stored);
    EXPECT_EQ(Contents(c.stored).size(), 82u) << c.stored;
  }
  // Over a longer file: the result is 82 bytes all the same.
  Put(dir / "long.bin", std::vector<std::uint8_t>(500, 0xAA));
  saveAs(dir / "long.bin");
  EXPECT_EQ(Contents(dir / "long.bin").size(), 82u);
}

TEST_F(FileCommandsTest, ASaveThatCannotWriteSaysSoAndChangesNothing) {
  select(ModelId::Osprey);
  const board::ConfigRecord before = SampleRecord();
  context.board.configRecord = before;
  const fs::path target = dir / "missing-folder" / "pad.bin";
  saveAs(target);
  EXPECT_EQ(prompts.messages(), std::vector<std::string>{kCannotSave});
  EXPECT_EQ(context.strConfigFilePath, target.string());
  EXPECT_EQ(context.board.configRecord, before);

  // A read-only file survives a save over it.
  Put(dir / "locked.bin", {1, 2, 3});
  fs::permissions(dir / "locked.bin", fs::perms::owner_read);
  saveAs(dir / "locked.bin");
  EXPECT_EQ(prompts.messages().size(), 2u);
  EXPECT_EQ(Contents(dir / "locked.bin"), (std::vector<std::uint8_t>{1, 2, 3}));

  // A folder by the name: refused before the pages are built into the record or the reports.
  fs::create_directory(dir / "folder.bin");
  page(res::dialog::kAdvanced).setText(adv::kDebounceEdit, "61");
  saveAs(dir / "folder.bin");
  EXPECT_EQ(prompts.messages(), std::vector<std::string>(3, kCannotSave));
  EXPECT_EQ(context.board.configRecord, before);
  EXPECT_EQ(board::RecordFromReports(context.board.outReports),
            board::RecordFromReports(board::OutgoingReports{}));
  EXPECT_TRUE(fs::is_empty(dir / "folder.bin"));

  // Someone else's file in a sticky world-writable folder, such as /tmp, which an ordinary user
  // may neither write nor replace: refused before anything is built, too.
  if (!test::runAsRoot()) return;  // only root can give a file away
  const fs::path shared = dir / "shared";
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  const fs::path theirs = shared / "theirs.bin";
  Put(theirs, {1, 2, 3});
  ASSERT_EQ(::chown(theirs.c_str(), testing::kOtherUid, testing::kOtherGid), 0);
  fs::permissions(theirs, fs::perms(0644));
  const std::string seen = test::asOrdinaryUser([&] {
    saveAs(theirs);
    const bool recordKept = context.board.configRecord == before;
    const bool reportsKept = board::RecordFromReports(context.board.outReports) ==
                             board::RecordFromReports(board::OutgoingReports{});
    return std::to_string(prompts.messages().size()) + " messages, the last \"" +
           prompts.messages().back() + "\"" + (recordKept ? "; record kept" : "; record changed") +
           (reportsKept ? "; reports kept" : "; reports changed");
  });
  EXPECT_EQ(seen,
            "4 messages, the last \"Cannot save the configuration\"; record kept; reports kept");
  EXPECT_EQ(Contents(theirs), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(FileCommandsTest, ASaveDuringAPendingWriteLeavesThatWritesReports) {
  select(ModelId::Osprey);
  context.board.writeRequest = 1;
  const board::OutgoingReports pending = context.board.outReports;
  page(res::dialog::kAdvanced).setText(adv::kDebounceEdit, "77");
  saveAs(dir / "pad.bin");
  EXPECT_EQ(context.board.outReports.outSettingsReport, pending.outSettingsReport);
  EXPECT_EQ(Contents(dir / "pad.bin").at(22), 77);
}

TEST_F(FileCommandsTest, OpenRefusesWhatIsNoConfigurationFile) {
  std::vector<std::uint8_t> good = FileBytes(SampleRecord(), 2);
  std::vector<std::uint8_t> longer = good;
  longer.resize(300, 0xEE);
  std::vector<std::uint8_t> changedBlock = good;
  changedBlock[30] ^= 0x01;
  std::vector<std::uint8_t> changedModel = good;
  changedModel[78] = 9;
  const struct {
    const char* what;
    std::optional<std::vector<std::uint8_t>> bytes;  // nothing: no such file
    const char* message;                             // nullptr: opened
  } cases[] = {
      {"82 bytes", good, nullptr},
      {"longer", longer, nullptr},
      {"only the model id changed", changedModel, nullptr},
      {"81 bytes", std::vector<std::uint8_t>(good.begin(), good.begin() + 81), kCorrupt},
      {"empty", std::vector<std::uint8_t>{}, kCorrupt},
      {"a block byte changed", changedBlock, kCorrupt},
      {"missing", std::nullopt, kMissing},
  };
  select(ModelId::Osprey);
  for (const auto& c : cases) {
    const fs::path path = dir / "in.bin";
    fs::remove(path);
    if (c.bytes) Put(path, *c.bytes);
    context.board.configRecord = board::ConfigRecord{};
    const std::size_t shown = prompts.messages().size();
    forgetWrites();
    open(path);
    EXPECT_EQ(context.strConfigFilePath, path.string()) << c.what;
    if (c.message == nullptr) {
      EXPECT_EQ(prompts.messages().size(), shown) << c.what;
      EXPECT_EQ(context.board.configRecord, SampleRecord()) << c.what;
    } else {
      ASSERT_EQ(prompts.messages().size(), shown + 1) << c.what;
      EXPECT_EQ(prompts.messages().back(), c.message) << c.what;
      EXPECT_EQ(context.board.configRecord, board::ConfigRecord{}) << c.what;
      for (int id : kConfigPages) EXPECT_TRUE(written(id).empty()) << c.what;
    }
  }
  EXPECT_EQ(prompts.fileDialogs().back(),
            (ui::AskedFileDialog{ui::FileDialogKind::Open, {"Open", "bin", "", kFilter, false}}));
}

std::set<int> Ids(int first, int count) {
  std::set<int> ids;
  for (int i = 0; i < count; ++i) ids.insert(first + i);
  return ids;
}

std::set<int> Union(std::initializer_list<std::set<int>> sets) {
  std::set<int> all;
  for (const auto& s : sets) all.insert(s.begin(), s.end());
  return all;
}

TEST_F(FileCommandsTest, OpenShowsTheFileByItsModelOnTheButtonsOfTheBoardConnectedNow) {
  const std::set<int> timings = {adv::kFilteringEdit, adv::kDebounceEdit,
                                 adv::kEncoderPressTimeEdit, adv::kSwitchPressTimeEdit};
  const std::set<int> pin = {adv::kRequirePinBox, adv::kPinEdit};
  const std::set<int> rangeAxes =
      Union({Ids(ax::kMinEdit0, 8), Ids(ax::kMaxEdit0, 8), Ids(ax::kInvertedBox0, 8)});
  const std::set<int> keyCodes = Ids(kb::kKeyEdit0, 36);
  const auto buttons = [](int count, int analog) {
    return Union({Ids(bs::kAnalogBox0, analog), Ids(bs::kEncoderBox0, (count + 1) / 2),
                  Ids(bs::kRotaryBox0, count), Ids(bs::kToggleBox0, count)});
  };
  const struct {
    const char* what;
    std::uint32_t fileModel;
    std::optional<ModelId> board;
    std::set<int> buttonSetup, advanced, axisSetup, keyboard;
  } cases[] = {
      {"model 2 file, model 10 board", 2, ModelId::Finch, buttons(32, 0), timings, rangeAxes, {}},
      {"saved without a board", kNoBoardModelId, ModelId::Osprey, buttons(36, 8), timings, {}, {}},
      {"bootloader file", 11, ModelId::Osprey, buttons(36, 8), Union({timings, pin}), {}, keyCodes},
      {"no board now", 2, std::nullopt, buttons(36, 8), timings, rangeAxes, {}},
      {"an 8-button board", 9, ModelId::Sparrow, buttons(8, 8), timings, rangeAxes, {}},
  };
  for (const auto& c : cases) {
    Put(dir / "in.bin", FileBytes(SampleRecord(), c.fileModel));
    select(c.board);
    forgetWrites();
    open(dir / "in.bin");
    EXPECT_EQ(written(res::dialog::kButtonSetup), c.buttonSetup) << c.what;
    EXPECT_EQ(written(res::dialog::kAdvanced), c.advanced) << c.what;
    EXPECT_EQ(written(res::dialog::kAxisSetup), c.axisSetup) << c.what;
    EXPECT_EQ(written(res::dialog::kKeyboard), c.keyboard) << c.what;
  }
  EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(FileCommandsTest, ASavedFileOpensToTheSamePages) {
  select(ModelId::Merlin);
  page(res::dialog::kAxisSetup).setText(ax::MinEdit(2), "17");
  page(res::dialog::kAdvanced).setChecked(adv::kRequirePinBox, true);
  page(res::dialog::kAdvanced).setText(adv::kPinEdit, "246810");
  page(res::dialog::kButtonSetup).setChecked(bs::EncoderBox(3), true);
  saveAs(dir / "merlin.bin");
  const board::OutgoingReports saved = dialog.CollectConfigReports();
  page(res::dialog::kAxisSetup).setText(ax::MinEdit(2), "4000");
  page(res::dialog::kAdvanced).setChecked(adv::kRequirePinBox, false);
  page(res::dialog::kButtonSetup).setChecked(bs::EncoderBox(3), false);
  open(dir / "merlin.bin");
  const board::OutgoingReports reopened = dialog.CollectConfigReports();
  EXPECT_EQ(reopened.outButtonTypeReport, saved.outButtonTypeReport);
  EXPECT_EQ(reopened.outSettingsReport, saved.outSettingsReport);
  EXPECT_EQ(reopened.outAxisKeyReportA, saved.outAxisKeyReportA);
  EXPECT_EQ(reopened.outAxisKeyReportB, saved.outAxisKeyReportB);
  EXPECT_EQ(page(res::dialog::kAdvanced).text(adv::kPinEdit), "246810");
}

TEST_F(FileCommandsTest, TheRootFolderGetsOneSlash) {
  open("/brisa-no-such-configuration.bin");
  EXPECT_EQ(context.strConfigFilePath, "/brisa-no-such-configuration.bin");
  EXPECT_EQ(prompts.messages(), std::vector<std::string>{kMissing});
}

TEST_F(FileCommandsTest, NothingHappensWhileUpdateIsDisabledOrTheDialogIsCancelled) {
  context.board.configRecord = SampleRecord();
  prompts.answerWithCancel();
  shell.pressKey('O', res::modifier::kCtrl);
  prompts.answerWithCancel();
  shell.pressKey('S', res::modifier::kCtrl);
  EXPECT_EQ(prompts.fileDialogs().size(), 2u);
  shell.window(res::dialog::kMain).setEnabled(res::main_dialog::kUpdateButton, false);
  shell.pressKey('O', res::modifier::kCtrl);
  shell.pressKey('S', res::modifier::kCtrl);
  EXPECT_FALSE(shell.chooseMenuItem(cmd::ID_FILE_OPEN));
  EXPECT_FALSE(shell.chooseMenuItem(cmd::ID_FILE_SAVE_AS));
  EXPECT_EQ(prompts.fileDialogs().size(), 2u);
  EXPECT_TRUE(prompts.messages().empty());
  EXPECT_EQ(context.strConfigFilePath, "");
  EXPECT_EQ(context.board.configRecord, SampleRecord());
  EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
}  // namespace brisa::editor
