#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <optional>

namespace brisa::platform {

// The name a save through `path` lands on: each link followed to the name it holds, whether or
// not a file is there yet, relative ones from their own folder. nullopt where the kernel would
// not follow a link either: one in a sticky world-writable folder that belongs neither to this
// user nor to the folder's owner. A name that still is a link after that loops.
std::optional<std::filesystem::path> SaveTargetBehindLinks(std::filesystem::path path);

// Whether this user may give the existing regular file `file` (described by `facts`, in a folder
// described by `folder`) new contents: the kernel grants this user write access, the file is not
// one its owner made read-only, and a sticky folder lets this user replace it.
bool MayWriteExisting(const std::filesystem::path& file, const struct stat& facts,
                      const struct stat& folder);

// The folder a file's name lies in.
std::filesystem::path FolderOf(const std::filesystem::path& file);

}  // namespace brisa::platform
