#pragma once

#include <vector>

#include "resources/image.h"

namespace brisa::res {

// The pixel sizes an icon resource holds (empty for an unknown id): the application icon
// 16 to 256, the lamps 32 and 48, the hat pictures 72.
std::vector<int> IconSizes(int iconId);

// An icon drawn at one of its sizes; throws std::out_of_range for an unknown id or a size the
// icon does not hold.
Image GetIcon(int iconId, int size);

}  // namespace brisa::res
