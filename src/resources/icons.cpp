#include "resources/icons.h"

#include <stdexcept>
#include <string>

#include "resources/baked_icons.h"

namespace brisa::res {

std::vector<int> IconSizes(int iconId) {
  std::vector<int> sizes;
  for (const detail::BakedIcon& icon : detail::BakedIcons()) {
    if (icon.id == iconId) sizes.push_back(icon.size);
  }
  return sizes;
}

Image GetIcon(int iconId, int size) {
  for (const detail::BakedIcon& icon : detail::BakedIcons()) {
    if (icon.id != iconId || icon.size != size) continue;
    Image image{size, size, {}};
    image.pixels.reserve(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (const detail::PixelRun& run : icon.runs)
      image.pixels.insert(image.pixels.end(), run.count, run.pixel);
    return image;
  }
  throw std::out_of_range("no icon " + std::to_string(iconId) + " at " + std::to_string(size));
}

}  // namespace brisa::res
