#include "editor/config_file_store.h"

#include <cerrno>
#include <random>
#include <string>
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

AtomicFileWriter::AtomicFileWriter(std::filesystem::path target) : target_(std::move(target)) {
  std::error_code ec;
  // Saving through a link replaces what it points to, not the link itself.
  if (std::filesystem::is_symlink(target_, ec)) {
    auto resolved = std::filesystem::weakly_canonical(target_, ec);
    if (!ec) target_ = resolved;
  }
}

AtomicFileWriter::~AtomicFileWriter() {
  Discard();
}

bool AtomicFileWriter::Open() {
  Discard();
  std::error_code ec;
  // A file its owner made read-only could not be opened for writing; renaming over it would
  // replace it all the same, so it is refused here.
  const auto existing = std::filesystem::status(target_, ec);
  constexpr auto kWriteBits = std::filesystem::perms::owner_write |
                              std::filesystem::perms::group_write |
                              std::filesystem::perms::others_write;
  if (!ec && std::filesystem::is_regular_file(existing) &&
      (existing.permissions() & kWriteBits) == std::filesystem::perms::none) {
    return false;
  }
  std::random_device seed;
  std::mt19937 random(seed());
  const std::filesystem::path folder = target_.parent_path();
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string name =
        "." + target_.filename().string() + "." + std::to_string(random() % 1000000u) + ".tmp";
    std::filesystem::path candidate = folder.empty() ? std::filesystem::path(name) : folder / name;
    // "x": never reuse or clobber an existing file of that name.
    file_ = std::fopen(candidate.c_str(), "wbx");
    if (file_ != nullptr) {
      temp_ = std::move(candidate);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool AtomicFileWriter::Commit(std::span<const std::uint8_t> bytes) {
  if (file_ == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) {
    Discard();
    return false;
  }
  std::error_code ec;
  // Keep the permissions the user gave the file being replaced.
  const auto old = std::filesystem::status(target_, ec);
  if (!ec && std::filesystem::exists(old)) {
    std::filesystem::permissions(temp_, old.permissions(), ec);
  }
  std::filesystem::rename(temp_, target_, ec);
  if (ec) {
    Discard();
    return false;
  }
  temp_.clear();
  return true;
}

void AtomicFileWriter::Discard() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  if (!temp_.empty()) {
    std::error_code ec;
    std::filesystem::remove(temp_, ec);
    temp_.clear();
  }
}

}  // namespace brisa::editor
