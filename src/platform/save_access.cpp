#include "platform/save_access.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <utility>

namespace brisa::platform {
namespace {

// Links may chain; past this many the name loops, as the system counts.
constexpr int kMaxLinkHops = 40;

bool StickyWorldWritable(const struct stat& folder) {
  return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
}

// The kernel's guard for links in shared folders such as /tmp, where anyone may plant a link to
// a file of this user's: following links here must not go round it.
bool KernelWouldFollow(const struct stat& link, const struct stat& folder) {
  return !StickyWorldWritable(folder) || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

bool MayOverrideStickyFolders() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  return (data[CAP_TO_INDEX(CAP_FOWNER)].effective & CAP_TO_MASK(CAP_FOWNER)) != 0;
}

// The folder `path` names a file in, opened relative to `base` as the kernel would walk it, and
// that file's name.
std::optional<SaveTarget> OpenFolderOf(int base, const std::string& path) {
  const std::size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const int fd = ::openat(base, folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return SaveTarget(fd, std::move(name));
}

std::optional<std::string> ReadLink(const SaveTarget& link) {
  // A link holds less than PATH_MAX bytes: a full buffer means it changed while it was read.
  std::string body(PATH_MAX, '\0');
  const ssize_t got = ::readlinkat(link.folder(), link.name().c_str(), body.data(), body.size());
  if (got <= 0 || static_cast<std::size_t>(got) >= body.size()) return std::nullopt;
  body.resize(static_cast<std::size_t>(got));
  return body;
}

}  // namespace

SaveTarget::~SaveTarget() {
  if (folder_ >= 0) ::close(folder_);
}

SaveTarget::SaveTarget(SaveTarget&& other) noexcept
    : folder_(std::exchange(other.folder_, -1)), name_(std::move(other.name_)) {}

SaveTarget& SaveTarget::operator=(SaveTarget&& other) noexcept {
  if (this != &other) {
    if (folder_ >= 0) ::close(folder_);
    folder_ = std::exchange(other.folder_, -1);
    name_ = std::move(other.name_);
  }
  return *this;
}

std::optional<SaveTarget> SaveTargetBehindLinks(const std::filesystem::path& path) {
  // Longer than the system opens: a file saved there could not be opened by this path again.
  if (path.native().size() >= PATH_MAX) return std::nullopt;
  std::optional<SaveTarget> target = OpenFolderOf(AT_FDCWD, path.native());
  for (int hop = 0; target && hop < kMaxLinkHops; ++hop) {
    struct stat link;
    if (::fstatat(target->folder(), target->name().c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(link.st_mode)) {
      return target;
    }
    struct stat folder;
    if (::fstat(target->folder(), &folder) != 0 || !KernelWouldFollow(link, folder)) {
      return std::nullopt;
    }
    const std::optional<std::string> next = ReadLink(*target);
    if (!next) return target;
    target = OpenFolderOf(next->starts_with('/') ? AT_FDCWD : target->folder(), *next);
  }
  return target;
}

bool MayWriteExisting(const SaveTarget& file, const struct stat& facts) {
  // A file its owner made read-only stays so, also for an administrator the kernel would let
  // write it.
  return (facts.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
         ::faccessat(file.folder(), file.name().c_str(), W_OK, AT_EACCESS) == 0;
}

bool MayReplaceExisting(const struct stat& facts, const struct stat& folder) {
  const uid_t self = ::geteuid();
  return (folder.st_mode & S_ISVTX) == 0 || facts.st_uid == self || folder.st_uid == self ||
         MayOverrideStickyFolders();
}

}  // namespace brisa::platform
