#include "editor/config_file_store.h"

#include <cstdio>
#include <system_error>

namespace brisa::editor {

std::optional<std::vector<std::uint8_t>> ReadFileHead(const std::filesystem::path& path,
                                                      std::size_t limit) {
  std::error_code ec;
  // A FIFO or device would block or never end; only regular files are configuration files.
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::vector<std::uint8_t> bytes(limit);
  const std::size_t got = std::fread(bytes.data(), 1, limit, file);
  std::fclose(file);
  bytes.resize(got);
  return bytes;
}

AtomicFileWriter::AtomicFileWriter(const std::filesystem::path& target) : target_(target) {}

bool AtomicFileWriter::Open() {
  replacement_.emplace(target_);
  if (!replacement_->begin()) {
    replacement_.reset();
    return false;
  }
  return true;
}

bool AtomicFileWriter::Commit(std::span<const std::uint8_t> bytes) {
  if (!replacement_) return false;
  const bool done = replacement_->commit(bytes);
  replacement_.reset();
  return done;
}

}  // namespace brisa::editor
