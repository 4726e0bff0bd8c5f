#include "dfu/image_file.h"

#include <filesystem>
#include <limits>
#include <new>

namespace brisa::dfu {

FirmwareImageFile::~FirmwareImageFile() {
  close();
}

void FirmwareImageFile::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

ImageLoad FirmwareImageFile::open(const std::string& path) {
  close();
  size_ = 0;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return ImageLoad::kCannotLoad;
  if (size == 0) return ImageLoad::kEmpty;
  if (size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
    return ImageLoad::kTooLarge;
  }
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) return ImageLoad::kCannotLoad;
  size_ = static_cast<std::int32_t>(size);
  return ImageLoad::kLoaded;
}

bool FirmwareImageFile::read(std::vector<std::uint8_t>& image) {
  image.clear();
  if (file_ == nullptr) return false;
  bool whole = false;
  try {
    image.resize(static_cast<std::size_t>(size_));
    // A file that shrank since its size was taken would leave bytes that no one chose.
    whole = std::fread(image.data(), 1, image.size(), file_) == image.size();
  } catch (const std::bad_alloc&) {
    whole = false;
  }
  close();
  if (!whole) image.clear();
  return whole;
}

}  // namespace brisa::dfu
