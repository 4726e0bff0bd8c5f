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
int OpenInPlace(const SaveTarget& target, const struct stat& old) {
  const int fd = ::openat(target.folder(), target.name().c_str(),
                          O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat now;
  if (::fstat(fd, &now) == 0 && S_ISREG(now.st_mode) && now.st_dev == old.st_dev &&
      now.st_ino == old.st_ino) {
    return fd;
  }
  ::close(fd);
  return -1;
}

// The answers of a folder that takes no new file, where the file in it may still be written.
bool RefusesNewFiles(int error) {
  return error == EACCES || error == EPERM || error == EROFS;
}

// Makes a rename in the folder last.
void FlushFolder(int folder) {
  const int dir = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace

FileReplacement::FileReplacement(std::filesystem::path target, bool unnamed)
    : path_(std::move(target)), unnamed_(unnamed) {}

FileReplacement::~FileReplacement() {
  discard();
}

bool FileReplacement::begin() {
  discard();
  target_ = SaveTargetBehindLinks(path_);
  if (!target_) return false;
  struct stat old;
  if (::fstatat(target_->folder(), target_->name().c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT && startNewFile(false);
  }
  // A folder, pipe or device cannot take the contents; a link still here loops.
  if (!S_ISREG(old.st_mode) || !MayWriteExisting(*target_, old)) return false;
  struct stat folder;
  if (::fstat(target_->folder(), &folder) != 0) return false;
  // A new file would leave the old contents under the file's other names, and a sticky folder
  // would not let it take the place of someone else's file. (No name at all: another save
  // replaced the file as it was looked at.)
  if (old.st_nlink <= 1 && MayReplaceExisting(old, folder)) {
    if (startNewFile(true)) {
      if (TakeOwnerAndMode(fd_, old)) return true;
      // This user cannot give a new file the old one's owner and group: the file is written
      // where it is, and stays its owner's.
      discard();
    } else if (!RefusesNewFiles(errno)) {
      return false;
    }
  }
  fd_ = OpenInPlace(*target_, old);
  inPlace_ = fd_ >= 0;
  return inPlace_;
}

bool FileReplacement::startNewFile(bool replacesAFile) {
  const mode_t mode = replacesAFile ? kPrivateMode : kNewFileMode;
  HiddenNames names(*target_);
  names.removeAbandoned();
  if (unnamed_) {
    fd_ = ::openat(target_->folder(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (fd_ >= 0) {
      if (LockAsWriter(fd_)) return true;
      discard();
      errno = EWOULDBLOCK;
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
  done = done && (!named_.empty() || HiddenNames(*target_).linkIn(fd_, named_));
  done = done && ::renameat(target_->folder(), named_.c_str(), target_->folder(),
                            target_->name().c_str()) == 0;
  if (!done) {
    discard();
    return false;
  }
  named_.clear();
  discard();
  // The new file is in place whatever this answers, so a folder that cannot be flushed does not
  // fail the save.
  FlushFolder(target_->folder());
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
    ::unlinkat(target_->folder(), named_.c_str(), 0);
    named_.clear();
  }
}

}  // namespace brisa::platform
