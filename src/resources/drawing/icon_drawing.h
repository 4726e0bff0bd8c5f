#pragma once

#include <vector>

#include "resources/image.h"

// How the icons are drawn. This runs at build time only (bake_icons): the program carries the
// finished pictures, since drawing them anti-aliased pixel by pixel cost most of its start-up.
namespace brisa::res::drawing {

struct IconResource {
  int id;
  std::vector<int> sizes;  // pixel sizes, ascending
};

// Every icon resource with the sizes it holds: the application icon 16 to 256, the lamps 32
// and 48, the hat pictures 72.
std::vector<IconResource> IconResources();

// An icon drawn at a size; any size draws, the resource holds only those above.
Image DrawIcon(int iconId, int size);

}  // namespace brisa::res::drawing
