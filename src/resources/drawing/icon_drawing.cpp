#include "resources/drawing/icon_drawing.h"

#include <cmath>
#include <numbers>

#include "resources/drawing/icon_canvas.h"
#include "resources/resource_ids.h"

namespace brisa::res::drawing {
namespace {

using detail::Canvas;
using detail::Point;

constexpr std::uint32_t kLampOnRed = 0xFFFF2A2Au;
constexpr std::uint32_t kLampOffRed = 0xFF5C0A0Au;
constexpr std::uint32_t kLampUnknownGrey = 0xFF9A9A9Au;
constexpr std::uint32_t kRim = 0xFF303030u;
constexpr std::uint32_t kHighlight = 0x66FFFFFFu;
constexpr std::uint32_t kArrowIdle = 0xFFB4B4B4u;
constexpr std::uint32_t kArrowActive = 0xFFE01818u;

// A round lamp with a dark rim and a soft highlight.
Image DrawLamp(int size, std::uint32_t colour) {
  Canvas canvas(size);
  const double s = size;
  const Point centre{s / 2, s / 2};
  canvas.Disc(centre, s * 0.46, kRim);
  canvas.Disc(centre, s * 0.38, colour);
  canvas.Disc({s * 0.40, s * 0.38}, s * 0.12, kHighlight);
  return canvas.Take();
}

// Eight arrows around a centre dot, pointing up, up-right, ... up-left (clockwise); the arrow of
// the active direction (1..8) is red, none for 0.
Image DrawHat(int size, int active) {
  Canvas canvas(size);
  const double s = size;
  const Point centre{s / 2, s / 2};
  canvas.Ring(centre, s * 0.49, s * 0.46, kArrowIdle);
  canvas.Disc(centre, s * 0.08, kArrowIdle);
  for (int d = 0; d < 8; ++d) {
    const double angle = d * std::numbers::pi / 4;
    // Screen y grows downwards: direction 0 is up, angles turn clockwise.
    const double dx = std::sin(angle);
    const double dy = -std::cos(angle);
    const auto at = [&](double along, double across) {
      return Point{centre.x + dx * along * s - dy * across * s,
                   centre.y + dy * along * s + dx * across * s};
    };
    canvas.Triangle(at(0.43, 0), at(0.22, 0.10), at(0.22, -0.10),
                    d + 1 == active ? kArrowActive : kArrowIdle);
  }
  return canvas.Take();
}

// The application icon: a rounded tile with a stick ring and a red button.
Image DrawApplication(int size) {
  Canvas canvas(size);
  const double s = size;
  canvas.RoundedSquare(s * 0.03, s * 0.03, s * 0.94, s * 0.18, 0xFF1F4E8Cu);
  canvas.Ring({s * 0.38, s * 0.55}, s * 0.24, s * 0.15, 0xFFF2F2F2u);
  canvas.Disc({s * 0.38, s * 0.55}, s * 0.07, 0xFFF2F2F2u);
  canvas.Disc({s * 0.74, s * 0.30}, s * 0.11, kLampOnRed);
  return canvas.Take();
}

}  // namespace

std::vector<IconResource> IconResources() {
  std::vector<IconResource> icons = {
      {icon::kApplication, {16, 24, 32, 48, 64, 96, 128, 192, 256}},
      {icon::kLampUnknown, {32, 48}},
      {icon::kLampOff, {32, 48}},
      {icon::kLampOn, {32, 48}},
  };
  for (int p = 0; p < icon::kHatPictureCount; ++p) icons.push_back({icon::HatPicture(p), {72}});
  return icons;
}

Image DrawIcon(int iconId, int size) {
  switch (iconId) {
    case icon::kApplication:
      return DrawApplication(size);
    case icon::kLampOn:
      return DrawLamp(size, kLampOnRed);
    case icon::kLampOff:
      return DrawLamp(size, kLampOffRed);
    case icon::kLampUnknown:
      return DrawLamp(size, kLampUnknownGrey);
    default:
      return DrawHat(size, iconId - icon::HatPicture(0));
  }
}

}  // namespace brisa::res::drawing
