#include "platform/hidden_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

namespace brisa::platform {
namespace {

constexpr int kNameAttempts = 16;
constexpr std::string_view kHiddenSuffix = ".tmp";
constexpr unsigned kNumberRange = 1000000u;
// The dots, the longest process id (7 digits), the number and the suffix around the target's
// name: the same room whatever this process's id, so whether a name fits never depends on it.
constexpr std::size_t kRoomAroundName = 1 + 1 + 7 + 1 + 6 + kHiddenSuffix.size();
constexpr long kUsualNameLimit = 255;

// The first `room` bytes of `name`, not cut inside a UTF-8 sequence.
std::string CutToFit(std::string name, std::size_t room) {
  if (name.size() <= room) return name;
  std::size_t end = room;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  name.resize(end);
  return name;
}

bool AllDigits(std::string_view text) {
  return !text.empty() && text.size() <= 9 &&
         text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsHiddenName(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || !name.ends_with(kHiddenSuffix)) return false;
  name.remove_prefix(prefix.size());
  if (name.size() < kHiddenSuffix.size()) return false;
  name.remove_suffix(kHiddenSuffix.size());
  const std::size_t dot = name.find('.');
  return dot != std::string_view::npos && AllDigits(name.substr(0, dot)) &&
         AllDigits(name.substr(dot + 1));
}

bool NamesFile(int folder, const std::string& name, int fd) {
  struct stat named;
  struct stat file;
  return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         ::fstat(fd, &file) == 0 && named.st_dev == file.st_dev && named.st_ino == file.st_ino;
}

// The look takes a shared lock: it conflicts with the writer's all the same, and a file open
// only for reading can take it on every file system, NFS included.
void RemoveIfAbandoned(int folder, const std::string& name) {
  const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat file;
  if (::fstat(fd, &file) == 0 && S_ISREG(file.st_mode) && ::flock(fd, LOCK_SH | LOCK_NB) == 0 &&
      NamesFile(folder, name, fd)) {
    ::unlinkat(folder, name.c_str(), 0);
  }
  ::close(fd);
}

}  // namespace

HiddenNames::HiddenNames(const SaveTarget& target)
    : folder_(target.folder()), random_(std::random_device{}()) {
  long limit = ::fpathconf(folder_, _PC_NAME_MAX);
  if (limit <= 0) limit = kUsualNameLimit;
  const std::size_t room = static_cast<std::size_t>(limit) > kRoomAroundName
                               ? static_cast<std::size_t>(limit) - kRoomAroundName
                               : 0;
  prefix_ = "." + CutToFit(target.name(), room) + ".";
}

std::string HiddenNames::fresh() {
  return prefix_ + std::to_string(::getpid()) + "." + std::to_string(random_() % kNumberRange) +
         std::string(kHiddenSuffix);
}

void HiddenNames::removeAbandoned() const {
  // The folder is held for calls relative to it only: listing it takes a reading open of its own.
  const int listing = ::openat(folder_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return;
  }
  while (const dirent* entry = ::readdir(entries)) {
    if (IsHiddenName(entry->d_name, prefix_)) RemoveIfAbandoned(folder_, entry->d_name);
  }
  ::closedir(entries);
}

int HiddenNames::createLocked(mode_t mode, std::string& name) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate = fresh();
    const int fd =
        ::openat(folder_, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // Until the lock is held, another save of this file may take the name for an abandoned one
    // and remove it: the name must still be this file's once it is.
    const bool locked = LockAsWriter(fd);
    const bool named = NamesFile(folder_, candidate, fd);
    if (locked && named) {
      name = std::move(candidate);
      return fd;
    }
    if (named) ::unlinkat(folder_, candidate.c_str(), 0);
    ::close(fd);
  }
  errno = EEXIST;
  return -1;
}

bool HiddenNames::linkIn(int fd, std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string candidate = fresh();
    int linked = ::linkat(AT_FDCWD, self.c_str(), folder_, candidate.c_str(), AT_SYMLINK_FOLLOW);
    // Without /proc the file is linked by its descriptor, which needs more privilege.
    if (linked != 0 && errno == ENOENT) {
      linked = ::linkat(fd, "", folder_, candidate.c_str(), AT_EMPTY_PATH);
    }
    if (linked == 0) {
      name = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool LockAsWriter(int fd) {
  int locked;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  // Where the file system has no locks, no save can take the name for an abandoned one either.
  return locked == 0 || errno != EWOULDBLOCK;
}

}  // namespace brisa::platform
