#pragma once

#include <sys/types.h>

#include <filesystem>
#include <random>
#include <string>

namespace brisa::platform {

// Hidden names beside a target for its new contents: ".<target's name>.<process id>.<number>.tmp",
// the target's name cut short where the whole would pass the file system's limit on names. A
// writer holds a lock on its file for as long as it lives, in whatever process namespace or on
// whatever machine it runs, so a name whose lock can be taken was left by a writer that is gone.
class HiddenNames {
 public:
  explicit HiddenNames(const std::filesystem::path& target);

  // Removes this target's names whose writer is gone.
  void removeAbandoned() const;
  // A new file, locked, under a fresh name, created with `mode`; -1 when the folder takes none.
  int createLocked(mode_t mode, std::filesystem::path& name);
  // Gives the unnamed file `fd`, locked already, a fresh name.
  bool linkIn(int fd, std::filesystem::path& name);

 private:
  std::filesystem::path fresh();

  std::filesystem::path folder_;
  std::string prefix_;
  std::mt19937 random_;
};

// Takes the writer's lock on a file of its own; false when someone else holds one on it.
bool LockAsWriter(int fd);

}  // namespace brisa::platform
