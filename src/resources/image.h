#pragma once

#include <cstdint>
#include <vector>

namespace brisa::res {

// An RGBA picture: pixels row by row from the top left, each 0xAARRGGBB, not premultiplied.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  bool operator==(const Image&) const = default;
};

}  // namespace brisa::res
