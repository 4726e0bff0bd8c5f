#include "resources/icons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "resources/drawing/icon_drawing.h"
#include "resources/resource_ids.h"

namespace brisa::res {
namespace {

int Red(std::uint32_t p) {
  return static_cast<int>((p >> 16) & 0xFF);
}
int Green(std::uint32_t p) {
  return static_cast<int>((p >> 8) & 0xFF);
}
int Blue(std::uint32_t p) {
  return static_cast<int>(p & 0xFF);
}
int Alpha(std::uint32_t p) {
  return static_cast<int>(p >> 24);
}
bool IsRed(std::uint32_t p) {
  return Alpha(p) > 200 && Red(p) > 150 && Green(p) < 80 && Blue(p) < 80;
}

TEST(IconsTest, EveryIconAtEverySizeItHolds) {
  struct Case {
    int id;
    std::vector<int> sizes;
  };
  const Case cases[] = {
      {128, {16, 24, 32, 48, 64, 96, 128, 192, 256}},
      {129, {32, 48}},
      {141, {32, 48}},
      {142, {32, 48}},
      {132, {72}},
      {136, {72}},
      {140, {72}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IconSizes(c.id), c.sizes) << c.id;
    for (int size : c.sizes) {
      const Image image = GetIcon(c.id, size);
      EXPECT_EQ(image.width, size);
      EXPECT_EQ(image.height, size);
      ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(size * size));
      EXPECT_GT(Alpha(image.At(size / 2, size / 2)), 0) << c.id << " is blank in the middle";
    }
  }
}

// The program carries the pictures drawn at build time: they must be the drawing's, pixel for
// pixel, at every size of every icon.
TEST(IconsTest, CarriedPicturesAreTheDrawnOnes) {
  for (const drawing::IconResource& icon : drawing::IconResources()) {
    EXPECT_EQ(IconSizes(icon.id), icon.sizes) << icon.id;
    for (int size : icon.sizes) {
      EXPECT_EQ(GetIcon(icon.id, size), drawing::DrawIcon(icon.id, size))
          << icon.id << " at " << size;
    }
  }
}

TEST(IconsTest, UnknownIdOrSizeThrows) {
  EXPECT_TRUE(IconSizes(130).empty());
  EXPECT_TRUE(IconSizes(131).empty());
  EXPECT_TRUE(IconSizes(143).empty());
  EXPECT_THROW(GetIcon(131, 72), std::out_of_range);
  EXPECT_THROW(GetIcon(142, 72), std::out_of_range);
  EXPECT_THROW(GetIcon(132, 48), std::out_of_range);
  EXPECT_THROW(GetIcon(128, 0), std::out_of_range);
}

// Pressed, released and not-yet-known must be told apart at a glance: bright red, dark red, grey.
TEST(IconsTest, LampStatesDiffer) {
  for (int size : {32, 48}) {
    const std::uint32_t on = GetIcon(icon::kLampOn, size).At(size / 2, size * 2 / 3);
    const std::uint32_t off = GetIcon(icon::kLampOff, size).At(size / 2, size * 2 / 3);
    const std::uint32_t unknown = GetIcon(icon::kLampUnknown, size).At(size / 2, size * 2 / 3);
    EXPECT_TRUE(IsRed(on)) << std::hex << on;
    EXPECT_GT(Red(on), Red(off) + 80);
    EXPECT_GT(Red(off), 3 * Green(off));      // still red, only darker
    EXPECT_EQ(Red(unknown), Green(unknown));  // no hue
    EXPECT_NE(GetIcon(icon::kLampOn, size), GetIcon(icon::kLampOff, size));
    EXPECT_NE(GetIcon(icon::kLampOff, size), GetIcon(icon::kLampUnknown, size));
    EXPECT_NE(GetIcon(icon::kLampOn, size), GetIcon(icon::kLampUnknown, size));
  }
}

// Picture 0 has no red arrow; picture p has exactly the arrow of direction p - 1 (0 up, then
// clockwise in 45-degree steps) red.
TEST(IconsTest, HatPicturesShowTheirDirection) {
  const auto arrowPixel = [](const Image& image, int direction) {
    const double angle = direction * std::numbers::pi / 4;
    const double r = 0.33 * image.width;
    const int x = static_cast<int>(image.width / 2.0 + std::sin(angle) * r);
    const int y = static_cast<int>(image.height / 2.0 - std::cos(angle) * r);
    return image.At(x, y);
  };
  for (int p = 0; p < icon::kHatPictureCount; ++p) {
    const Image image = GetIcon(icon::HatPicture(p), 72);
    for (int d = 0; d < 8; ++d) {
      const std::uint32_t pixel = arrowPixel(image, d);
      EXPECT_GT(Alpha(pixel), 200) << "picture " << p << " lacks arrow " << d;
      EXPECT_EQ(IsRed(pixel), d + 1 == p) << "picture " << p << ", arrow " << d;
    }
  }
  EXPECT_EQ(icon::HatPicture(8), 140);
}

}  // namespace
}  // namespace brisa::res
