#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace brisa::platform {

// Where a save lands: a name in a folder held open. Every step of the save works relative to the
// folder, so a path as long as the system takes can be saved, and the folder cannot be swapped
// under the save between its steps.
class SaveTarget {
 public:
  SaveTarget(int folder, std::string name) : folder_(folder), name_(std::move(name)) {}
  ~SaveTarget();
  SaveTarget(SaveTarget&& other) noexcept;
  SaveTarget& operator=(SaveTarget&& other) noexcept;
  SaveTarget(const SaveTarget&) = delete;
  SaveTarget& operator=(const SaveTarget&) = delete;

  int folder() const { return folder_; }
  const std::string& name() const { return name_; }

 private:
  int folder_;  // opened with O_PATH: it takes only calls relative to it and fstat
  std::string name_;
};

// The name a save through `path` lands on: each link followed to the name it holds, whether or
// not a file is there yet, relative ones from their own folder. nullopt where the kernel would
// not follow a link either (one in a sticky world-writable folder that belongs neither to this
// user nor to the folder's owner), where the folder cannot be opened, where the name can only be
// a folder's ("", ".", ".."), or where `path` is longer than any the system opens. A name that
// still is a link after that loops.
std::optional<SaveTarget> SaveTargetBehindLinks(const std::filesystem::path& path);

// Whether this user may write the existing regular file `file`, described by `facts`: the kernel
// grants this user write access, and the file is not one its owner made read-only.
bool MayWriteExisting(const SaveTarget& file, const struct stat& facts);

// Whether this user may put another file in the place of the one `facts` describes, in the folder
// `folder` describes: in a sticky folder only the file's owner, the folder's owner and an
// administrator may.
bool MayReplaceExisting(const struct stat& facts, const struct stat& folder);

}  // namespace brisa::platform
