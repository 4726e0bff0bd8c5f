#pragma once

#include <cstdint>
#include <span>

// The icons as bake_icons drew them at build time (baked_icons.cpp in the build tree), each
// picture run-length coded: pixels row by row from the top left, as in Image.
namespace brisa::res::detail {

struct PixelRun {
  std::uint32_t count;
  std::uint32_t pixel;  // 0xAARRGGBB, not premultiplied
};

struct BakedIcon {
  int id;
  int size;
  std::span<const PixelRun> runs;
};

// The sizes of one icon come in ascending order.
std::span<const BakedIcon> BakedIcons();

}  // namespace brisa::res::detail
