#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brisa::dfu {

enum class ImageLoad {
  kLoaded,
  kCannotLoad,  // no such file, not a regular file, or it does not read whole
  kTooLarge,    // more bytes than a signed 32-bit count holds
};

// Reads a firmware image file whole into `image`.
ImageLoad LoadFirmwareImage(const std::string& path, std::vector<std::uint8_t>& image);

}  // namespace brisa::dfu
