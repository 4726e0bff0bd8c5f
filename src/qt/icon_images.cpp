#include "qt/icon_images.h"

#include <algorithm>
#include <cstring>

#include "resources/icons.h"

namespace brisa::qt {

QImage ToQImage(const res::Image& image) {
  QImage result(image.width, image.height, QImage::Format_ARGB32);
  const auto rowBytes = static_cast<std::size_t>(image.width) * sizeof(std::uint32_t);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(result.scanLine(y), image.pixels.data() + static_cast<std::size_t>(y) * image.width,
                rowBytes);
  }
  return result;
}

QIcon IconWithAllSizes(int iconId) {
  QIcon icon;
  for (int size : res::IconSizes(iconId)) {
    icon.addPixmap(QPixmap::fromImage(ToQImage(res::GetIcon(iconId, size))));
  }
  return icon;
}

QPixmap LargestPicture(int iconId) {
  const auto sizes = res::IconSizes(iconId);
  if (sizes.empty()) return {};
  const int size = *std::max_element(sizes.begin(), sizes.end());
  return QPixmap::fromImage(ToQImage(res::GetIcon(iconId, size)));
}

}  // namespace brisa::qt
