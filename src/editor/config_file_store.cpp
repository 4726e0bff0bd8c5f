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

namespace {

// Links may chain; past this many the name loops, as the system counts.
constexpr int kMaxLinkHops = 40;

// The name a save through `path` lands on: each link followed to the name it holds, whether or
// not a file is there yet. A name that still is a link after that loops.
std::filesystem::path LinkedName(std::filesystem::path path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code ec;
    if (!std::filesystem::is_symlink(path, ec)) return path;
    const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
    if (ec) return path;
    path = next.is_absolute() ? next : path.parent_path() / next;
  }
  return path;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(const std::filesystem::path& target)
    : target_(LinkedName(target)) {}

bool AtomicFileWriter::Open() {
  replacement_.reset();
  std::error_code ec;
  const auto existing = std::filesystem::symlink_status(target_, ec);
  if (!ec && std::filesystem::exists(existing)) {
    // A folder, pipe or device cannot take a configuration; renaming over it would fail late
    // or replace it, and a link left here loops.
    if (!std::filesystem::is_regular_file(existing)) return false;
    // A file its owner made read-only could not be opened for writing; renaming over it would
    // replace it all the same, so it is refused here.
    constexpr auto kWriteBits = std::filesystem::perms::owner_write |
                                std::filesystem::perms::group_write |
                                std::filesystem::perms::others_write;
    if ((existing.permissions() & kWriteBits) == std::filesystem::perms::none) return false;
  }
  replacement_.emplace(target_);
  if (!replacement_->begin()) {
    replacement_.reset();
    return false;
  }
  return true;
}

bool AtomicFileWriter::Commit(std::span<const std::uint8_t> bytes) {
  if (!replacement_) return false;
  std::error_code ec;
  // Keep the permissions the user gave the file being replaced.
  std::optional<std::filesystem::perms> mode;
  const auto old = std::filesystem::status(target_, ec);
  if (!ec && std::filesystem::is_regular_file(old)) mode = old.permissions();
  const bool done = replacement_->commit(bytes, mode);
  replacement_.reset();
  return done;
}

}  // namespace brisa::editor
