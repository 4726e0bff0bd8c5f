#pragma once

#include <sys/types.h>

#include <random>
#include <string>

#include "platform/save_access.h"

namespace brisa::platform {

// Hidden names beside a target for its new contents: ".<target's name>.<process id>.<number>.tmp",
// the target's name cut short where the whole would pass the file system's limit on names. A
// writer holds a lock on its file for as long as it lives, in whatever process namespace or on
// whatever machine it runs, so a name whose lock can be taken was left by a writer that is gone.
class HiddenNames {
 public:
  // Names in the target's folder, which must stay open while they are used.
  explicit HiddenNames(const SaveTarget& target);

  // Removes this target's names whose writer is gone.
  void removeAbandoned() const;
  // A new file, locked, under a fresh name, created with `mode`; -1 when the folder takes none,
  // with errno saying why.
  int createLocked(mode_t mode, std::string& name);
  // Gives the unnamed file `fd`, locked already, a fresh name.
  bool linkIn(int fd, std::string& name);

 private:
  std::string fresh();

  int folder_;
  std::string prefix_;
  std::mt19937 random_;
};

// Takes the writer's lock on a file of its own; false when someone else holds one on it.
bool LockAsWriter(int fd);

}  // namespace brisa::platform
