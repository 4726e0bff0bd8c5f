#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "platform/save_access.h"

namespace brisa::platform {

// New contents for a file, which keeps its owner, group and permissions. Where the file can be
// replaced, the contents replace it whole or not at all, and survive a power cut once in place:
// they are written into an unnamed file in the target's folder, which a writer killed before
// the end takes with it, and get a hidden name beside the target only for the rename over it.
// On a file system without unnamed files they have the hidden name from the start; a hidden name
// that a killed writer left is removed by the next save of that file. A file whose owner and
// group a new file cannot take, that has more names than one, that a sticky folder keeps this
// user from replacing, or in a folder that takes no new file, is written in place instead.
class FileReplacement {
 public:
  // A save through a link to `target` lands on the file the link names. `unnamed` false takes
  // the hidden file even where an unnamed one would do.
  explicit FileReplacement(std::filesystem::path target, bool unnamed = true);
  ~FileReplacement();  // drops new contents that were not committed
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts the new contents; false when this user may not write the file or follow the link to
  // it, the name holds no regular file, or the folder takes no new file and there is none yet.
  bool begin();
  // Writes the bytes and flushes them to disk; a replacement then renames them over the target
  // and flushes the folder. False from a replacement leaves the target as it was and nothing
  // beside it.
  bool commit(std::span<const std::uint8_t> bytes);

 private:
  // A new file beside the target; one that is to replace a file is kept from everyone else
  // until it has that file's owner and permissions. False with errno saying why.
  bool startNewFile(bool replacesAFile);
  bool commitInPlace(std::span<const std::uint8_t> bytes);
  void discard();

  std::filesystem::path path_;        // as given, links and all
  std::optional<SaveTarget> target_;  // the file itself, once links are followed
  bool unnamed_;
  int fd_ = -1;
  bool inPlace_ = false;
  std::string named_;  // the new file's name in the folder, while it has one
};

}  // namespace brisa::platform
