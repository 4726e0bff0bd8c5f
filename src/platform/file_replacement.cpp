#include "platform/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <random>
#include <string>
#include <string_view>

namespace brisa::platform {
namespace {

constexpr int kNameAttempts = 16;

// Hidden names beside the target: ".<target>.<process id>.<number>.tmp", so a later save can
// tell the ones whose writer was killed.
std::string HiddenPrefix(const std::filesystem::path& target) {
  return "." + target.filename().string() + ".";
}
constexpr std::string_view kHiddenSuffix = ".tmp";

std::filesystem::path HiddenName(const std::filesystem::path& folder,
                                 const std::filesystem::path& target, std::mt19937& random) {
  return folder / (HiddenPrefix(target) + std::to_string(::getpid()) + "." +
                   std::to_string(random() % 1000000u) + std::string(kHiddenSuffix));
}

bool AllDigits(std::string_view text) {
  // At most 9 digits: a process id or the random number, and never too long for an int.
  return !text.empty() && text.size() <= 9 &&
         text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The process that made a hidden name of the target's, if `name` is one.
std::optional<pid_t> HiddenNameOwner(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || !name.ends_with(kHiddenSuffix)) return std::nullopt;
  name.remove_prefix(prefix.size());
  if (name.size() < kHiddenSuffix.size()) return std::nullopt;
  name.remove_suffix(kHiddenSuffix.size());
  const std::size_t dot = name.find('.');
  if (dot == std::string_view::npos || !AllDigits(name.substr(0, dot)) ||
      !AllDigits(name.substr(dot + 1))) {
    return std::nullopt;
  }
  return static_cast<pid_t>(std::stoi(std::string(name.substr(0, dot))));
}

// Removes the hidden names a killed writer left: a kill that falls between linking the new
// file in and renaming it leaves one (and, where files cannot be unnamed, any kill does).
void RemoveNamesOfKilledWriters(const std::filesystem::path& folder,
                                const std::filesystem::path& target) {
  const std::string prefix = HiddenPrefix(target);
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    const auto owner = HiddenNameOwner(it->path().filename().string(), prefix);
    if (owner && ::kill(*owner, 0) != 0 && errno == ESRCH) ::unlink(it->path().c_str());
  }
}

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

FileReplacement::FileReplacement(std::filesystem::path target, bool unnamed)
    : target_(std::move(target)), unnamed_(unnamed) {}

FileReplacement::~FileReplacement() {
  discard();
}

std::filesystem::path FileReplacement::folder() const {
  const std::filesystem::path parent = target_.parent_path();
  return parent.empty() ? std::filesystem::path(".") : parent;
}

bool FileReplacement::begin() {
  discard();
  RemoveNamesOfKilledWriters(folder(), target_);
  if (unnamed_) {
    fd_ = ::open(folder().c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) return true;
    // Any other error is the folder's own answer, which a named file would get as well. An old
    // kernel takes O_TMPFILE for a plain folder open.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::filesystem::path candidate = HiddenName(folder(), target_, random);
    fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      named_ = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// Gives the unnamed file a hidden name, for the rename. The name lives only between these two
// calls.
bool FileReplacement::linkIn() {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  std::random_device seed;
  std::mt19937 random(seed());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::filesystem::path candidate = HiddenName(folder(), target_, random);
    int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW);
    // Without /proc the file is linked by its descriptor, which needs more privilege.
    if (linked != 0 && errno == ENOENT) {
      linked = ::linkat(fd_, "", AT_FDCWD, candidate.c_str(), AT_EMPTY_PATH);
    }
    if (linked == 0) {
      named_ = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool FileReplacement::commit(std::span<const std::uint8_t> bytes,
                             std::optional<std::filesystem::perms> mode) {
  if (fd_ < 0) return false;
  bool done = WriteAll(fd_, bytes);
  if (done && mode) {
    done = ::fchmod(fd_, static_cast<mode_t>(*mode & std::filesystem::perms::mask)) == 0;
  }
  // On disk before it has a name: a power cut after the rename must not leave an empty file.
  done = done && ::fsync(fd_) == 0;
  done = done && (!named_.empty() || linkIn());
  done = done && ::rename(named_.c_str(), target_.c_str()) == 0;
  if (!done) {
    discard();
    return false;
  }
  named_.clear();
  ::close(fd_);
  fd_ = -1;
  // Makes the rename itself last. The new file is in place whatever this answers, so a folder
  // that cannot be flushed does not fail the save.
  const int dir = ::open(folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void FileReplacement::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!named_.empty()) {
    ::unlink(named_.c_str());
    named_.clear();
  }
}

}  // namespace brisa::platform
