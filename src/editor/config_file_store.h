#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace brisa::editor {

// The first `limit` bytes of a file; nullopt when it cannot be opened for reading (missing, no
// access, not a regular file). A read error ends the read with what was read so far.
std::optional<std::vector<std::uint8_t>> ReadFileHead(const std::filesystem::path& path,
                                                      std::size_t limit);

// Replaces a file only once its new contents are completely written: the bytes go to a temporary
// file in the same folder, which is then renamed over the target, so a failed save never costs
// the user the previous file.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path target);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Creates the temporary file; false when the folder does not let us create one or the
  // file to replace is read-only.
  bool Open();
  // Writes the bytes and moves them into place; false leaves the target as it was.
  bool Commit(std::span<const std::uint8_t> bytes);

 private:
  void Discard();

  std::filesystem::path target_;
  std::filesystem::path temp_;
  std::FILE* file_ = nullptr;
};

}  // namespace brisa::editor
