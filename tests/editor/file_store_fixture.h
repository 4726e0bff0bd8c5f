#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "editor/config_file_store.h"

namespace brisa::editor::testing {

namespace fs = std::filesystem;

// A user and group that are not the ones the tests run as.
constexpr uid_t kOtherUid = 1234;
constexpr gid_t kOtherGid = 4321;

// The bytes of a file, and a file made of bytes.
inline std::vector<std::uint8_t> Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
inline void Put(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// An empty folder of the running test's own.
inline fs::path FreshTestFolder(const std::string& kind) {
  const fs::path folder =
      fs::temp_directory_path() / ("brisa-" + kind + "-" + std::to_string(::getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

class ConfigFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = FreshTestFolder("store"); }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  static std::size_t EntriesIn(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
  }
  std::size_t EntriesInDir() const { return EntriesIn(dir_); }
  // A folder made under dir_ whose path leaves `room` bytes, "/" and name, to the longest path
  // the system opens.
  fs::path FolderLeaving(std::size_t room) const {
    fs::path folder = dir_;
    for (std::size_t left; (left = PATH_MAX - 1 - room - folder.string().size()) > 0;) {
      folder /= std::string(left <= 256 ? left - 1 : 200, 'd');
    }
    fs::create_directories(folder);
    return folder;
  }
  // What a save came to: "refused" by Open, "failed" in Commit, or "saved".
  static std::string SaveOutcome(const fs::path& target, const std::vector<std::uint8_t>& bytes) {
    AtomicFileWriter writer(target);
    if (!writer.Open()) return "refused";
    return writer.Commit(bytes) ? "saved" : "failed";
  }
  // As `stat -c '%u:%g %a'` shows them.
  static std::string OwnerGroupMode(const fs::path& path) {
    struct stat facts;
    if (::lstat(path.c_str(), &facts) != 0) return "missing";
    char text[48];
    std::snprintf(text, sizeof text, "%u:%u %o", static_cast<unsigned>(facts.st_uid),
                  static_cast<unsigned>(facts.st_gid),
                  static_cast<unsigned>(facts.st_mode & 07777));
    return text;
  }
  static void GiveTo(const fs::path& path, uid_t uid, gid_t gid) {
    ASSERT_EQ(::lchown(path.c_str(), uid, gid), 0) << path;
  }

  fs::path dir_;
};

}  // namespace brisa::editor::testing
