#include "dfu/image_file.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <new>

namespace brisa::dfu {

ImageLoad LoadFirmwareImage(const std::string& path, std::vector<std::uint8_t>& image) {
  image.clear();
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return ImageLoad::kCannotLoad;
  if (size > static_cast<std::uintmax_t>(std::numeric_limits<std::int32_t>::max())) {
    return ImageLoad::kTooLarge;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return ImageLoad::kCannotLoad;
  bool whole = false;
  try {
    image.resize(static_cast<std::size_t>(size));
    // A file that shrank since its size was taken would leave bytes that no one chose.
    whole = image.empty() || std::fread(image.data(), 1, image.size(), file) == image.size();
  } catch (const std::bad_alloc&) {
    whole = false;
  }
  std::fclose(file);
  if (!whole) {
    image.clear();
    return ImageLoad::kCannotLoad;
  }
  return ImageLoad::kLoaded;
}

}  // namespace brisa::dfu
