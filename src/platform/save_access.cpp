#include "platform/save_access.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <system_error>

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

}  // namespace

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  const std::filesystem::path parent = file.parent_path();
  return parent.empty() ? std::filesystem::path(".") : parent;
}

std::optional<std::filesystem::path> SaveTargetBehindLinks(std::filesystem::path path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat link;
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
    struct stat folder;
    if (::stat(FolderOf(path).c_str(), &folder) != 0 || !KernelWouldFollow(link, folder)) {
      return std::nullopt;
    }
    std::error_code ec;
    const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
    if (ec) return path;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return path;
}

bool MayWriteExisting(const std::filesystem::path& file, const struct stat& facts,
                      const struct stat& folder) {
  // A file its owner made read-only stays so, also for an administrator the kernel would let
  // write it.
  if ((facts.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  if (::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) return false;
  // In a sticky folder only the file's owner, the folder's owner and an administrator may
  // replace a file.
  const uid_t self = ::geteuid();
  return (folder.st_mode & S_ISVTX) == 0 || facts.st_uid == self || folder.st_uid == self ||
         MayOverrideStickyFolders();
}

}  // namespace brisa::platform
