#include "platform/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/hidden_names.h"
#include "platform/save_access.h"

namespace brisa::platform {
namespace {

// A file for a name that has none yet gets what the kernel gives a new file there (umask, the
// folder's default permissions): it is what the file will have once in place.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPrivateMode = 0600;
constexpr mode_t kPermissionBits = 07777;

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

// Gives the new file the old one's owner, group and permissions, before any byte goes in;
// false where this user or the file system cannot.
bool TakeOwnerAndMode(int fd, const struct stat& old) {
  struct stat now;
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
      ::fchown(fd, old.st_uid, old.st_gid) != 0) {
    return false;
  }
  const mode_t wanted = old.st_mode & kPermissionBits;
  return ::fchmod(fd, wanted) == 0 ||
         (::fstat(fd, &now) == 0 && (now.st_mode & kPermissionBits) == wanted);
}

// The file itself, open for writing in place: still the one `old` describes, and no pipe or
// device put there since.
int OpenInPlace(const std::filesystem::path& target, const struct stat& old) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat now;
  if (::fstat(fd, &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == old.st_dev &&
      now.st_ino == old.st_ino) {
    return fd;
  }
  ::close(fd);
  return -1;
}

// Makes a rename in the folder last.
void FlushFolder(const std::filesystem::path& folder) {
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace

FileReplacement::FileReplacement(std::filesystem::path target, bool unnamed)
    : target_(std::move(target)), unnamed_(unnamed) {}

FileReplacement::~FileReplacement() {
  discard();
}

bool FileReplacement::begin() {
  discard();
  const auto behindLinks = SaveTargetBehindLinks(target_);
  if (!behindLinks) return false;
  target_ = *behindLinks;
  struct stat old;
  if (::lstat(target_.c_str(), &old) != 0) return errno == ENOENT && startNewFile(false);
  // A folder, pipe or device cannot take the contents; a link still here loops.
  if (!S_ISREG(old.st_mode)) return false;
  struct stat folder;
  if (::stat(FolderOf(target_).c_str(), &folder) != 0 || !MayWriteExisting(target_, old, folder)) {
    return false;
  }
  // A new file would leave the old contents under the file's other names. (No name at all: another
  // save replaced the file as it was looked at.)
  if (old.st_nlink <= 1) {
    if (!startNewFile(true)) return false;
    if (TakeOwnerAndMode(fd_, old)) return true;
    // This user cannot give a new file the old one's owner and group: the file is written where
    // it is, and stays its owner's.
    discard();
  }
  fd_ = OpenInPlace(target_, old);
  inPlace_ = fd_ >= 0;
  return inPlace_;
}

bool FileReplacement::startNewFile(bool replacesAFile) {
  const mode_t mode = replacesAFile ? kPrivateMode : kNewFileMode;
  HiddenNames names(target_);
  names.removeAbandoned();
  if (unnamed_) {
    fd_ = ::open(FolderOf(target_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd_ >= 0) {
      if (LockAsWriter(fd_)) return true;
      discard();
      return false;
    }
    // Any other error is the folder's own answer, which a named file would get as well. An old
    // kernel takes O_TMPFILE for a plain folder open.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
  fd_ = names.createLocked(mode, named_);
  return fd_ >= 0;
}

bool FileReplacement::commit(std::span<const std::uint8_t> bytes) {
  if (fd_ < 0) return false;
  if (inPlace_) return commitInPlace(bytes);
  bool done = WriteAll(fd_, bytes);
  // On disk before it has a name: a power cut after the rename must not leave an empty file.
  done = done && ::fsync(fd_) == 0;
  // The unnamed file gets its hidden name only for the rename.
  done = done && (!named_.empty() || HiddenNames(target_).linkIn(fd_, named_));
  done = done && ::rename(named_.c_str(), target_.c_str()) == 0;
  if (!done) {
    discard();
    return false;
  }
  named_.clear();
  discard();
  // The new file is in place whatever this answers, so a folder that cannot be flushed does not
  // fail the save.
  FlushFolder(FolderOf(target_));
  return true;
}

// The new bytes go in over the old ones before the file is cut to their length: a save killed
// in between leaves them ahead of the old file's tail, never an empty file.
bool FileReplacement::commitInPlace(std::span<const std::uint8_t> bytes) {
  const bool done = WriteAll(fd_, bytes) &&
                    ::ftruncate(fd_, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd_) == 0;
  discard();
  return done;
}

void FileReplacement::discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  inPlace_ = false;
  if (!named_.empty()) {
    ::unlink(named_.c_str());
    named_.clear();
  }
}

}  // namespace brisa::platform
