#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace brisa::platform {

// New contents for a file, which replace it whole or not at all, and survive a power cut once
// in place. They are written into an unnamed file in the target's folder, which a writer
// killed before the end takes with it, and get a hidden name beside the target only for the
// rename over it. On a file system without unnamed files they have the hidden name from the
// start. A hidden name that a killed writer left is removed by the next save of that file.
class FileReplacement {
 public:
  // `target` is the file to replace, not a link to it. `unnamed` false takes the hidden file
  // even where an unnamed one would do.
  explicit FileReplacement(std::filesystem::path target, bool unnamed = true);
  ~FileReplacement();  // drops new contents that were not committed
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts the new file in the target's folder; false when the folder takes none.
  bool begin();
  // Writes the bytes, with `mode` as the file's permissions when given (else those of a new
  // file), flushes them to disk, renames them over the target and flushes the folder. False
  // leaves the target as it was and nothing beside it.
  bool commit(std::span<const std::uint8_t> bytes,
              std::optional<std::filesystem::perms> mode = std::nullopt);

 private:
  bool linkIn();
  void discard();
  std::filesystem::path folder() const;

  std::filesystem::path target_;
  bool unnamed_;
  int fd_ = -1;
  std::filesystem::path named_;  // the new file's name in the folder, while it has one
};

}  // namespace brisa::platform
