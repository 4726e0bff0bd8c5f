// Saves as the kernel lets this user make them: what the user may not write is refused before
// anything is written, and a save leaves the file whose it was.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "file_store_fixture.h"
#include "support/ordinary_user.h"

namespace brisa::editor {
namespace {

namespace fs = std::filesystem;
using testing::ConfigFileStoreTest;
using testing::Contents;
using testing::kOtherGid;
using testing::kOtherUid;
using testing::Put;

TEST_F(ConfigFileStoreTest, FolderThatCannotBeWrittenRefusesANewFile) {
  const test::OrdinaryUser user = test::ordinaryUser();
  GiveTo(dir_, user.uid, user.gid);
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(test::asOrdinaryUser([&] { return SaveOutcome(dir_ / "pad.bin", {7, 7}); }), "refused");
  EXPECT_EQ(EntriesInDir(), 0u);
}

// The file keeps its owner, group and permissions, and every name it has sees the new bytes.
TEST_F(ConfigFileStoreTest, SaveKeepsTheFilesOwnerGroupPermissionsAndNames) {
  const test::OrdinaryUser user = test::ordinaryUser();
  const struct {
    const char* what;
    std::optional<std::pair<uid_t, gid_t>> owner;  // nothing: the saver's
    fs::perms mode;
    bool secondName;
    bool byOrdinaryUser;
    bool readOnlyFolder = false;
  } cases[] = {
      {"this user's private file", std::nullopt, fs::perms(0600), false, false},
      {"another user's file, saved by root", std::pair{kOtherUid, kOtherGid}, fs::perms(0640),
       false, false},
      {"a file with a second name", std::nullopt, fs::perms(0644), true, false},
      {"another user's file this user may write: no new file can have its owner",
       std::pair{kOtherUid, user.gid}, fs::perms(0664), false, true},
      {"the same with a second name", std::pair{kOtherUid, user.gid}, fs::perms(0664), true, true},
      {"this user's file in a folder that takes no new file", std::nullopt, fs::perms(0644), false,
       true, true},
  };
  const std::vector<std::uint8_t> bytes(82, 0x5A);
  for (const auto& c : cases) {
    if (c.owner && !test::runAsRoot()) continue;  // only root can give a file away
    const fs::path folder = dir_ / "folder";
    fs::remove_all(folder);
    fs::create_directory(folder);
    if (c.byOrdinaryUser) GiveTo(folder, user.uid, user.gid);
    const fs::path target = folder / "pad.bin";
    const fs::path second = folder / "second.bin";
    Put(target, {1, 2, 3});
    if (c.owner) GiveTo(target, c.owner->first, c.owner->second);
    if (!c.owner && c.byOrdinaryUser) GiveTo(target, user.uid, user.gid);
    fs::permissions(target, c.mode);
    if (c.secondName) fs::create_hard_link(target, second);
    if (c.readOnlyFolder) fs::permissions(folder, fs::perms(0555));
    const std::string before = OwnerGroupMode(target);
    const auto save = [&] { return SaveOutcome(target, bytes); };
    EXPECT_EQ(c.byOrdinaryUser ? test::asOrdinaryUser(save) : save(), "saved") << c.what;
    EXPECT_EQ(OwnerGroupMode(target), before) << c.what;
    EXPECT_EQ(Contents(target), bytes) << c.what;
    if (c.secondName) {
      EXPECT_EQ(Contents(second), bytes) << c.what;
    }
    EXPECT_EQ(EntriesIn(folder), c.secondName ? 2u : 1u) << c.what;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
  }
}

// What the kernel would not let this user write is refused before anything is written; so is a
// file its owner made read-only, also to root. What it may write is saved, in place where a sticky
// folder would not let this user replace it.
TEST_F(ConfigFileStoreTest, WhatThisUserMayNotWriteIsRefusedBeforeAnythingIsWritten) {
  const test::OrdinaryUser user = test::ordinaryUser();
  const struct {
    const char* what;
    bool someoneElses;
    fs::perms mode;
    bool stickyFolder;  // world-writable, as /tmp
    bool byOrdinaryUser;
    const char* outcome;
  } cases[] = {
      {"a read-only file", false, fs::perms(0444), false, false, "refused"},
      {"a read-only file of an ordinary user's", false, fs::perms(0444), false, true, "refused"},
      {"someone else's file in this user's folder", true, fs::perms(0644), false, true, "refused"},
      {"someone else's file in a sticky folder", true, fs::perms(0644), true, true, "refused"},
      {"someone else's file anyone may write, in a sticky folder", true, fs::perms(0666), true,
       true, "saved"},
      {"this user's file in a sticky folder", false, fs::perms(0644), true, true, "saved"},
  };
  for (const auto& c : cases) {
    if (c.someoneElses && !test::runAsRoot()) continue;  // only root can give a file away
    const fs::path folder = dir_ / "folder";
    fs::remove_all(folder);
    fs::create_directory(folder);
    if (c.stickyFolder) {
      fs::permissions(folder, fs::perms::all | fs::perms::sticky_bit);
    } else if (c.byOrdinaryUser) {
      GiveTo(folder, user.uid, user.gid);
    }
    const fs::path target = folder / "kept.bin";
    Put(target, {1, 2, 3});
    if (c.someoneElses) {
      GiveTo(target, kOtherUid, kOtherGid);
    } else if (c.byOrdinaryUser) {
      GiveTo(target, user.uid, user.gid);
    }
    fs::permissions(target, c.mode);
    const auto save = [&]() -> std::string {
      AtomicFileWriter writer(target);
      if (writer.Open()) return writer.Commit(std::vector<std::uint8_t>{7, 7}) ? "saved" : "failed";
      // Refused, it has nothing to commit either.
      return writer.Commit(std::vector<std::uint8_t>{7, 7}) ? "written all the same" : "refused";
    };
    EXPECT_EQ(c.byOrdinaryUser ? test::asOrdinaryUser(save) : save(), c.outcome) << c.what;
    const std::vector<std::uint8_t> now = std::string(c.outcome) == "saved"
                                              ? std::vector<std::uint8_t>{7, 7}
                                              : std::vector<std::uint8_t>{1, 2, 3};
    EXPECT_EQ(Contents(target), now) << c.what;
    EXPECT_EQ(EntriesIn(folder), 1u) << c.what;
  }
}

// Anyone may put a link into a sticky world-writable folder such as /tmp; a save follows one
// there only where the kernel would: a link of this user's or of the folder's owner's.
TEST_F(ConfigFileStoreTest, ALinkInAStickyFolderIsFollowedOnlyWhereTheSystemWould) {
  if (!test::runAsRoot()) GTEST_SKIP() << "only root can give a link away";
  constexpr uid_t kFolderOwner = 2000;
  const struct {
    const char* what;
    uid_t linkOwner;
    const char* outcome;
  } cases[] = {
      {"this user's link", ::geteuid(), "saved"},
      {"the folder owner's link", kFolderOwner, "saved"},
      {"someone else's link", kOtherUid, "refused"},
  };
  const fs::path shared = dir_ / "shared";
  fs::create_directory(shared);
  GiveTo(shared, kFolderOwner, kFolderOwner);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  for (const auto& c : cases) {
    const fs::path real = dir_ / "real.bin";
    const fs::path link = shared / "link.bin";
    fs::remove(link);
    Put(real, {1});
    fs::create_symlink(real, link);
    GiveTo(link, c.linkOwner, kOtherGid);
    EXPECT_EQ(SaveOutcome(link, {7, 7}), c.outcome) << c.what;
    const std::vector<std::uint8_t> expected = std::string(c.outcome) == "saved"
                                                   ? std::vector<std::uint8_t>{7, 7}
                                                   : std::vector<std::uint8_t>{1};
    EXPECT_EQ(Contents(real), expected) << c.what;
    EXPECT_TRUE(fs::is_symlink(link)) << c.what;
  }
}

}  // namespace
}  // namespace brisa::editor
