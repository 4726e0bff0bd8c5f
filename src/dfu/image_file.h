#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace brisa::dfu {

enum class ImageLoad {
  kLoaded,
  kCannotLoad,  // no such file, not a regular file, or it cannot be opened
  kEmpty,       // no byte to write
  kTooLarge,    // more bytes than a signed 32-bit count holds
};

// A firmware image file, opened and sized first and read only when asked: the download reads
// it once it knows the image fits the flash, so a file far larger is refused unread.
class FirmwareImageFile {
 public:
  FirmwareImageFile() = default;
  ~FirmwareImageFile();
  FirmwareImageFile(const FirmwareImageFile&) = delete;
  FirmwareImageFile& operator=(const FirmwareImageFile&) = delete;

  // Opens the file and takes its size from the file system, reading nothing.
  ImageLoad open(const std::string& path);
  std::int32_t size() const { return size_; }
  // Reads the whole open file into `image`, then closes it; false when it does not read whole.
  bool read(std::vector<std::uint8_t>& image);

 private:
  void close();

  std::FILE* file_ = nullptr;
  std::int32_t size_ = 0;
};

}  // namespace brisa::dfu
