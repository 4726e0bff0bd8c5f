#include "resources/drawing/icon_canvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace brisa::res::detail {
namespace {

constexpr int kSamples = 4;

double Channel(std::uint32_t colour, int shift) {
  return static_cast<double>((colour >> shift) & 0xFFu) / 255.0;
}

std::uint32_t ToByte(double v) {
  return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

double Cross(Point o, Point a, Point b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

}  // namespace

Canvas::Canvas(int size)
    : image_{size, size,
             std::vector<std::uint32_t>(
                 static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 0u)} {}

void Canvas::Fill(std::uint32_t colour, const std::function<bool(double, double)>& inside) {
  for (int y = 0; y < image_.height; ++y) {
    for (int x = 0; x < image_.width; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          if (inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples)) ++hits;
        }
      }
      if (hits > 0) Blend(x, y, colour, static_cast<double>(hits) / (kSamples * kSamples));
    }
  }
}

// Source-over compositing of a straight-alpha colour.
void Canvas::Blend(int x, int y, std::uint32_t colour, double coverage) {
  std::uint32_t& dst =
      image_.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image_.width) +
                    static_cast<std::size_t>(x)];
  const double sa = Channel(colour, 24) * coverage;
  const double da = Channel(dst, 24);
  const double oa = sa + da * (1.0 - sa);
  if (oa <= 0.0) return;
  std::uint32_t out = ToByte(oa) << 24;
  for (int shift : {16, 8, 0}) {
    const double c = (Channel(colour, shift) * sa + Channel(dst, shift) * da * (1.0 - sa)) / oa;
    out |= ToByte(c) << shift;
  }
  dst = out;
}

void Canvas::Disc(Point centre, double radius, std::uint32_t colour) {
  Fill(colour,
       [=](double x, double y) { return std::hypot(x - centre.x, y - centre.y) <= radius; });
}

void Canvas::Ring(Point centre, double outer, double inner, std::uint32_t colour) {
  Fill(colour, [=](double x, double y) {
    const double d = std::hypot(x - centre.x, y - centre.y);
    return d <= outer && d >= inner;
  });
}

void Canvas::Triangle(Point a, Point b, Point c, std::uint32_t colour) {
  if (Cross(a, b, c) < 0) std::swap(b, c);  // either winding
  Fill(colour, [=](double x, double y) {
    const Point p{x, y};
    return Cross(a, b, p) >= 0 && Cross(b, c, p) >= 0 && Cross(c, a, p) >= 0;
  });
}

void Canvas::RoundedSquare(double left, double top, double side, double radius,
                           std::uint32_t colour) {
  Fill(colour, [=](double x, double y) {
    const double cx = std::clamp(x, left + radius, left + side - radius);
    const double cy = std::clamp(y, top + radius, top + side - radius);
    return x >= left && x <= left + side && y >= top && y <= top + side &&
           std::hypot(x - cx, y - cy) <= radius;
  });
}

}  // namespace brisa::res::detail
