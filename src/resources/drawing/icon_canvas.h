#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "resources/image.h"

// A small anti-aliased rasteriser for the icons, in pixel coordinates of a square canvas.
namespace brisa::res::detail {

struct Point {
  double x;
  double y;
};

class Canvas {
 public:
  explicit Canvas(int size);

  // Paints colour (0xAARRGGBB) over every part of the canvas where inside(x, y) holds,
  // sampling each pixel on a 4 x 4 grid for smooth edges.
  void Fill(std::uint32_t colour, const std::function<bool(double, double)>& inside);

  void Disc(Point centre, double radius, std::uint32_t colour);
  void Ring(Point centre, double outer, double inner, std::uint32_t colour);
  void Triangle(Point a, Point b, Point c, std::uint32_t colour);
  void RoundedSquare(double left, double top, double side, double radius, std::uint32_t colour);

  int Size() const { return image_.width; }
  Image Take() { return std::move(image_); }

 private:
  void Blend(int x, int y, std::uint32_t colour, double coverage);

  Image image_;
};

}  // namespace brisa::res::detail
