#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "platform/file_replacement.h"

namespace brisa::editor {

// The first `limit` bytes of a file; nullopt when it cannot be opened for reading (missing, no
// access, not a regular file). A read error ends the read with what was read so far.
std::optional<std::vector<std::uint8_t>> ReadFileHead(const std::filesystem::path& path,
                                                      std::size_t limit);

// Saves a file, which keeps its owner, group and permissions. The new contents replace the file
// only once completely written and on disk, so a failed or killed save never costs the user the
// previous file, nor leaves a stray one beside it; a file with more names than one, whose owner
// and group a new file cannot take, or that its folder keeps from being replaced (no new file
// taken there, a sticky folder), is written in place instead. Saving through a link saves what
// the link points to, also when nothing is there yet. Any path the system opens can be saved.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::filesystem::path& target);
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Whether this user may save the file, and the start of its new contents; false when there
  // is no file yet and the folder takes none, or the name is a file this user may not write (or
  // its owner made read-only), a folder, anything else that is no regular file, or a link the
  // system would not let this user follow.
  bool Open();
  // Writes the bytes and moves them into place; false leaves the target as it was.
  bool Commit(std::span<const std::uint8_t> bytes);

 private:
  std::filesystem::path target_;
  std::optional<platform::FileReplacement> replacement_;
};

}  // namespace brisa::editor
