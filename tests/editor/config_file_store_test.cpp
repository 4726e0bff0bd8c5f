#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "file_store_fixture.h"
#include "platform/file_replacement.h"

namespace brisa::editor {
namespace {

namespace fs = std::filesystem;
using testing::ConfigFileStoreTest;
using testing::Contents;
using testing::Put;

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

  // Killed in the instant between naming its file and renaming it, a writer leaves the name; the
  // next save removes it. A live writer holds a lock on its file, also where its process id
  // means nothing here (another process namespace, another machine): the lock decides, not the
  // id.
  const auto hidden = [](pid_t pid, int number) {
    return ".pad.bin." + std::to_string(pid) + "." + std::to_string(number) + ".tmp";
  };
  const struct {
    const char* what;
    std::string name;
    bool locked;  // as its writer holds it while it lives
    bool removed;
  } leftovers[] = {
      {"a killed writer's", hidden(child, 7), false, true},
      {"a live writer's whose id is no process here", hidden(child, 8), true, false},
      {"an abandoned one whose id a live process has", hidden(::getpid(), 7), false, true},
      {"a live writer's in this process", hidden(::getpid(), 8), true, false},
      {"no hidden name", ".pad.bin." + std::to_string(child) + ".notes.tmp", false, false},
  };
  std::vector<int> held;
  for (const auto& leftover : leftovers) {
    Put(dir_ / leftover.name, {6});
    if (!leftover.locked) continue;
    held.push_back(::open((dir_ / leftover.name).c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_EQ(::flock(held.back(), LOCK_EX), 0) << leftover.what;
  }
  EXPECT_EQ(SaveOutcome(target, {8}), "saved");
  for (int fd : held) ::close(fd);
  for (const auto& leftover : leftovers) {
    EXPECT_EQ(fs::exists(dir_ / leftover.name), !leftover.removed) << leftover.what;
  }
  EXPECT_EQ(EntriesInDir(), 4u);
}

// Saves of one file from several processes at once all succeed, each replacing the file whole,
// and leave nothing beside it.
TEST_F(ConfigFileStoreTest, SavesOfOneFileAtOnceAllSucceed) {
  constexpr int kWriters = 4;
  constexpr int kSavesEach = 200;
  const fs::path target = dir_ / "pad.bin";
  Put(target, {1});
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      int failed = 0;
      const std::vector<std::uint8_t> bytes(82, static_cast<std::uint8_t>(w));
      for (int i = 0; i < kSavesEach; ++i) {
        platform::FileReplacement replacement(target, w % 2 == 0);
        if (!replacement.begin() || !replacement.commit(bytes)) ++failed;
      }
      ::_exit(failed);
    }
    writers.push_back(writer);
  }
  for (const pid_t writer : writers) {
    int status = 0;
    ::waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << WEXITSTATUS(status) << " failed saves of " << kSavesEach;
  }
  const std::vector<std::uint8_t> last = Contents(target);
  ASSERT_EQ(last.size(), 82u);
  EXPECT_EQ(last, std::vector<std::uint8_t>(82, last[0]));
  EXPECT_EQ(EntriesInDir(), 1u);
}

// Where the file system has no unnamed files the new contents take a hidden name beside the
// target, which a finished or abandoned save removes.
TEST_F(ConfigFileStoreTest, TheHiddenFileOfAFileSystemWithoutUnnamedFilesGoesAway) {
  const fs::path target = dir_ / "pad.bin";
  Put(target, std::vector<std::uint8_t>(200, 0xAA));
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
  {
    platform::FileReplacement abandoned(target, false);
    ASSERT_TRUE(abandoned.begin());
    ASSERT_EQ(EntriesInDir(), 2u);
    // No one else may read what goes in, such as a pairing PIN, while it is written.
    for (const auto& entry : fs::directory_iterator(dir_)) {
      if (entry.path() == target) continue;
      EXPECT_EQ(OwnerGroupMode(entry.path()), OwnerGroupMode(target));
      EXPECT_EQ(fs::file_size(entry.path()), 0u);
    }
  }
  EXPECT_EQ(EntriesInDir(), 1u);
  platform::FileReplacement replacement(target, false);
  ASSERT_TRUE(replacement.begin());
  ASSERT_TRUE(replacement.commit(std::vector<std::uint8_t>{3, 4}));
  EXPECT_EQ(Contents(target), (std::vector<std::uint8_t>{3, 4}));
  EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(EntriesInDir(), 1u);
}

// Every name the file system takes can be saved, however long, whatever this process's id; so can
// every path the system opens, the longest too.
TEST_F(ConfigFileStoreTest, EveryNameTheFileSystemTakesCanBeSaved) {
  std::string accented;
  while (accented.size() < 250) accented += "\xC3\xA9";
  const fs::path near = dir_ / "near";
  fs::create_directory(near);
  const struct {
    fs::path folder;
    std::string name;
  } targets[] = {
      {near, std::string(251, 'n') + ".bin"},
      {near, accented + "x.bin"},
      {near, std::string(255, 'm')},
      {FolderLeaving(1 + 7), "pad.bin"},
  };
  for (const auto& [folder, name] : targets) {
    const fs::path target = folder / name;
    for (const bool exists : {false, true}) {
      for (const bool unnamed : {true, false}) {
        if (exists) Put(target, {1});
        platform::FileReplacement replacement(target, unnamed);
        ASSERT_TRUE(replacement.begin()) << target.string().size() << " bytes: " << name;
        ASSERT_TRUE(replacement.commit(std::vector<std::uint8_t>{2, 3})) << name;
        EXPECT_EQ(Contents(target), (std::vector<std::uint8_t>{2, 3})) << name;
        EXPECT_EQ(EntriesIn(folder), 1u) << name;
        fs::remove(target);
      }
    }
  }
  // A byte longer, the system opens it no more: Open could not read such a file back.
  EXPECT_EQ(SaveOutcome(targets[3].folder / "pad.binx", {1}), "refused");
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
    bool chained;      // through a second link
    bool atPathLimit;  // the link's path is the longest the system opens
  } cases[] = {
      {"absolute link", true, true, false, false},
      {"relative link", true, false, false, false},
      {"chain of links", true, false, true, false},
      {"link to a missing file", false, true, false, false},
      {"relative link to a missing file", false, false, true, false},
      {"absolute link at the longest path", true, true, false, true},
  };
  for (const auto& c : cases) {
    const fs::path folder = c.atPathLimit ? FolderLeaving(1 + 8) : dir_;
    const fs::path real = folder / "real.bin";
    const fs::path link = folder / "link.bin";
    const fs::path middle = folder / "next.bin";
    for (const fs::path& p : {real, link, middle}) fs::remove(p);
    if (c.realExists) Put(real, {1});
    const fs::path pointee = c.absolute ? real : fs::path("real.bin");
    if (c.chained) {
      fs::create_symlink(pointee, middle);
      fs::create_symlink("next.bin", link);
    } else {
      fs::create_symlink(pointee, link);
    }
    AtomicFileWriter writer(link);
    ASSERT_TRUE(writer.Open()) << c.what;
    ASSERT_TRUE(writer.Commit(std::vector<std::uint8_t>{7, 7})) << c.what;
    EXPECT_TRUE(fs::is_symlink(link)) << c.what;
    EXPECT_EQ(Contents(real), (std::vector<std::uint8_t>{7, 7})) << c.what;
    EXPECT_EQ(EntriesIn(folder), c.chained ? 3u : 2u) << c.what;
  }
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
