#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "resources/image.h"

namespace brisa::qt {

QImage ToQImage(const res::Image& image);
// An icon resource with every size it holds; an empty icon for an unknown id.
QIcon IconWithAllSizes(int iconId);
// The largest picture an icon resource holds; a null pixmap for an unknown id.
QPixmap LargestPicture(int iconId);

}  // namespace brisa::qt
