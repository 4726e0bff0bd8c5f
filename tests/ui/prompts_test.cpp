#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "ui/file_filter.h"
#include "ui/headless_prompts.h"
#include "ui/ui_thread.h"

namespace brisa::ui {
namespace {

const FileDialogSpec kSaveAs{"Save configuration as", "bin", "",
                             "BIN Files (*.bin)|*.bin|All Files (*.*)|*.*||", true};

TEST(HeadlessPromptsTest, RecordsMessagesWithTheirExactText) {
  HeadlessPrompts prompts;
  prompts.messageBox("Configuration Saved to Device");
  prompts.messageBox("Error occured when creating Read thread (5)\n");
  EXPECT_EQ(prompts.messages(),
            (std::vector<std::string>{"Configuration Saved to Device",
                                      "Error occured when creating Read thread (5)\n"}));
}

TEST(HeadlessPromptsTest, FileDialogsFollowTheScriptThenCancel) {
  HeadlessPrompts prompts;
  prompts.answerWithPath("/tmp/a.bin");
  prompts.answerWithCancel();
  EXPECT_EQ(prompts.saveFile(kSaveAs), std::optional<std::string>("/tmp/a.bin"));
  EXPECT_EQ(prompts.openFile(kSaveAs), std::nullopt);
  EXPECT_EQ(prompts.openFile(kSaveAs), std::nullopt);  // nothing scripted: cancelled
  EXPECT_EQ(prompts.unusedAnswers(), 0u);
  const auto asked = prompts.fileDialogs();
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0], (AskedFileDialog{FileDialogKind::Save, kSaveAs}));
  EXPECT_EQ(asked[1].kind, FileDialogKind::Open);
  EXPECT_TRUE(prompts.messages().empty());
}

TEST(HeadlessPromptsTest, MessagesFromSeveralThreadsAreAllKept) {
  HeadlessPrompts prompts;
  auto post = [&] {
    for (int i = 0; i < 500; ++i) prompts.messageBox("m");
  };
  std::thread a(post), b(post);
  a.join();
  b.join();
  EXPECT_EQ(prompts.messages().size(), 1000u);
}

struct FilterCase {
  std::string filter;
  std::vector<FileFilterEntry> entries;
};

TEST(FileFilterTest, SplitsTextAndPatternPairs) {
  const std::vector<FilterCase> cases = {
      {"BIN Files (*.bin)|*.bin|All Files (*.*)|*.*||",
       {{"BIN Files (*.bin)", "*.bin"}, {"All Files (*.*)", "*.*"}}},
      {"Binary firmware (*.bin)|*.bin|", {{"Binary firmware (*.bin)", "*.bin"}}},
      {"Images|*.a;*.b", {{"Images", "*.a;*.b"}}},
      {"", {}},
      {"||", {}},
      {"Text only|", {}},
      {"A|*.a||B|*.b||", {{"A", "*.a"}}},  // the empty text ends the list
  };
  for (const auto& c : cases) EXPECT_EQ(ParseFileFilter(c.filter), c.entries) << c.filter;
}

TEST(InlineUiThreadTest, RunsOneCallerAtATimeAndAllowsNesting) {
  InlineUiThread uiThread;
  int counter = 0;  // deliberately not atomic: invoke must serialise
  auto work = [&] {
    for (int i = 0; i < 5000; ++i) uiThread.invoke([&] { ++counter; });
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 10000);
  bool inner = false;
  uiThread.invoke([&] { uiThread.invoke([&] { inner = true; }); });
  EXPECT_TRUE(inner);
}

}  // namespace
}  // namespace brisa::ui
