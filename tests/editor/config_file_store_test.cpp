#include "editor/config_file_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>

namespace brisa::editor {
namespace {

namespace fs = std::filesystem;

class ConfigFileStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() / ("brisa-store-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  static std::vector<std::uint8_t> Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Put(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  std::size_t EntriesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  fs::path dir_;
};

TEST_F(ConfigFileStoreTest, SaveReplacesLongerFileWhole) {
  const fs::path target = dir_ / "pad.bin";
  Put(target, std::vector<std::uint8_t>(200, 0xAA));
  AtomicFileWriter writer(target);
  ASSERT_TRUE(writer.Open());
  const std::vector<std::uint8_t> bytes(82, 0x01);
  ASSERT_TRUE(writer.Commit(bytes));
  EXPECT_EQ(Contents(target), bytes);
  EXPECT_EQ(EntriesInDir(), 1u) << "no temporary file is left behind";
}

TEST_F(ConfigFileStoreTest, FolderThatCannotBeWrittenRefusesBeforeTouchingTarget) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  const fs::path target = dir_ / "pad.bin";
  Put(target, {1, 2, 3});
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  AtomicFileWriter writer(target);
  EXPECT_FALSE(writer.Open());
  EXPECT_EQ(Contents(target), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(ConfigFileStoreTest, FolderThatRefusesNewFilesEvenToRoot) {
  AtomicFileWriter writer("/proc/brisa-config.bin");
  EXPECT_FALSE(writer.Open());
}

TEST_F(ConfigFileStoreTest, MissingFolderCannotBeCreated) {
  AtomicFileWriter writer(dir_ / "no-such-folder" / "pad.bin");
  EXPECT_FALSE(writer.Open());
}

TEST_F(ConfigFileStoreTest, FailedRenameKeepsOldFileAndLeavesNoTemporary) {
  // The target became a folder after the save began: the new file cannot be moved there.
  const fs::path target = dir_ / "taken";
  Put(target, {1});
  AtomicFileWriter writer(target);
  ASSERT_TRUE(writer.Open());
  fs::remove(target);
  fs::create_directory(target);
  Put(target / "inside", {9});
  EXPECT_FALSE(writer.Commit(std::vector<std::uint8_t>(82, 1)));
  EXPECT_TRUE(fs::is_directory(target));
  EXPECT_EQ(Contents(target / "inside"), (std::vector<std::uint8_t>{9}));
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(ConfigFileStoreTest, WhatIsNoRegularFileIsRefusedBeforeAnythingIsWritten) {
  fs::create_directory(dir_ / "folder.bin");
  ASSERT_EQ(::mkfifo((dir_ / "pipe.bin").c_str(), 0600), 0);
  fs::create_symlink("loop-b.bin", dir_ / "loop-a.bin");
  fs::create_symlink("loop-a.bin", dir_ / "loop-b.bin");
  for (const char* name : {"folder.bin", "pipe.bin", "loop-a.bin"}) {
    AtomicFileWriter writer(dir_ / name);
    EXPECT_FALSE(writer.Open()) << name;
  }
  EXPECT_EQ(EntriesInDir(), 4u);
  EXPECT_TRUE(fs::is_symlink(dir_ / "loop-a.bin"));
}

// A save killed before it is done, here between taking the file and writing it, leaves the
// old file and nothing beside it.
TEST_F(ConfigFileStoreTest, AKilledSaveLeavesTheOldFileAndNoTemporary) {
  const fs::path target = dir_ / "pad.bin";
  Put(target, {5});
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    AtomicFileWriter writer(target);
    const char opened = writer.Open() ? 'y' : 'n';
    if (::write(ready[1], &opened, 1) != 1) ::_exit(1);
    for (;;) ::pause();
  }
  ::close(ready[1]);
  char opened = 0;
  const ssize_t got = ::read(ready[0], &opened, 1);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(ready[0]);
  ASSERT_EQ(got, 1);
  EXPECT_EQ(opened, 'y');
  EXPECT_EQ(Contents(target), (std::vector<std::uint8_t>{5}));
  EXPECT_EQ(EntriesInDir(), 1u) << "no temporary file is left behind";

  // Killed in the instant between naming its file and renaming it, the writer leaves the name;
  // the next save removes it, and no one else's.
  const fs::path left = dir_ / (".pad.bin." + std::to_string(child) + ".7.tmp");
  const fs::path live = dir_ / (".pad.bin." + std::to_string(::getpid()) + ".7.tmp");
  const fs::path other = dir_ / (".pad.bin." + std::to_string(child) + ".notes.tmp");
  for (const fs::path& p : {left, live, other}) Put(p, {6});
  AtomicFileWriter writer(target);
  ASSERT_TRUE(writer.Open());
  ASSERT_TRUE(writer.Commit(std::vector<std::uint8_t>{8}));
  EXPECT_FALSE(fs::exists(left));
  EXPECT_TRUE(fs::exists(live));
  EXPECT_TRUE(fs::exists(other));
  EXPECT_EQ(EntriesInDir(), 3u);
}

// Where the file system has no unnamed files the new contents take a hidden name beside the
// target, which a finished or abandoned save removes.
TEST_F(ConfigFileStoreTest, TheHiddenFileOfAFileSystemWithoutUnnamedFilesGoesAway) {
  const fs::path target = dir_ / "pad.bin";
  Put(target, std::vector<std::uint8_t>(200, 0xAA));
  {
    platform::FileReplacement abandoned(target, false);
    ASSERT_TRUE(abandoned.begin());
    EXPECT_EQ(EntriesInDir(), 2u);
  }
  EXPECT_EQ(EntriesInDir(), 1u);
  platform::FileReplacement replacement(target, false);
  ASSERT_TRUE(replacement.begin());
  ASSERT_TRUE(replacement.commit(std::vector<std::uint8_t>{3, 4}));
  EXPECT_EQ(Contents(target), (std::vector<std::uint8_t>{3, 4}));
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(ConfigFileStoreTest, AbandonedSaveLeavesNoTemporary) {
  const fs::path target = dir_ / "pad.bin";
  Put(target, {5});
  {
    AtomicFileWriter writer(target);
    ASSERT_TRUE(writer.Open());
  }
  EXPECT_EQ(Contents(target), (std::vector<std::uint8_t>{5}));
  EXPECT_EQ(EntriesInDir(), 1u);
}

// A save through a link replaces what it points to and leaves the link, also where nothing is
// there yet.
TEST_F(ConfigFileStoreTest, SaveThroughLinkReplacesLinkedFile) {
  const struct {
    const char* what;
    bool realExists;
    bool absolute;
    bool chained;  // through a second link
  } cases[] = {
      {"absolute link", true, true, false},
      {"relative link", true, false, false},
      {"chain of links", true, false, true},
      {"link to a missing file", false, true, false},
      {"relative link to a missing file", false, false, true},
  };
  for (const auto& c : cases) {
    const fs::path real = dir_ / "real.bin";
    const fs::path link = dir_ / "link.bin";
    const fs::path middle = dir_ / "middle.bin";
    for (const fs::path& p : {real, link, middle}) fs::remove(p);
    if (c.realExists) Put(real, {1});
    const fs::path pointee = c.absolute ? real : fs::path("real.bin");
    if (c.chained) {
      fs::create_symlink(pointee, middle);
      fs::create_symlink("middle.bin", link);
    } else {
      fs::create_symlink(pointee, link);
    }
    AtomicFileWriter writer(link);
    ASSERT_TRUE(writer.Open()) << c.what;
    ASSERT_TRUE(writer.Commit(std::vector<std::uint8_t>{7, 7})) << c.what;
    EXPECT_TRUE(fs::is_symlink(link)) << c.what;
    EXPECT_EQ(Contents(real), (std::vector<std::uint8_t>{7, 7})) << c.what;
    EXPECT_EQ(EntriesInDir(), c.chained ? 3u : 2u) << c.what;
  }
}

TEST_F(ConfigFileStoreTest, SaveKeepsPermissionsOfReplacedFile) {
  const fs::path target = dir_ / "pad.bin";
  Put(target, {1});
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  AtomicFileWriter writer(target);
  ASSERT_TRUE(writer.Open());
  ASSERT_TRUE(writer.Commit(std::vector<std::uint8_t>{2}));
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ConfigFileStoreTest, AReadOnlyFileIsNotReplaced) {
  // Writing over the file in place would fail; renaming over it must not succeed instead.
  const fs::path target = dir_ / "kept.bin";
  Put(target, {1, 2, 3});
  fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  AtomicFileWriter writer(target);
  EXPECT_FALSE(writer.Open());
  EXPECT_FALSE(writer.Commit(std::vector<std::uint8_t>{7, 7}));
  EXPECT_EQ(Contents(target), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(EntriesInDir(), 1u);
}

TEST_F(ConfigFileStoreTest, ReadHeadStopsAtLimit) {
  const fs::path path = dir_ / "long.bin";
  std::vector<std::uint8_t> bytes(100);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  Put(path, bytes);
  auto head = ReadFileHead(path, 82);
  ASSERT_TRUE(head.has_value());
  EXPECT_EQ(*head, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 82));
  Put(path, {1, 2});
  EXPECT_EQ(ReadFileHead(path, 82), (std::vector<std::uint8_t>{1, 2}));
}

TEST_F(ConfigFileStoreTest, ReadRefusesWhatIsNoRegularFile) {
  EXPECT_FALSE(ReadFileHead(dir_ / "missing.bin", 82).has_value());
  EXPECT_FALSE(ReadFileHead(dir_, 82).has_value());
  const fs::path fifo = dir_ / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ReadFileHead(fifo, 82).has_value()) << "a pipe must not block the open";
}

}  // namespace
}  // namespace brisa::editor
