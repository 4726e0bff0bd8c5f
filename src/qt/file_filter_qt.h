#pragma once

#include <QString>
#include <string>

namespace brisa::qt {

// "BIN Files (*.bin)|*.bin|All Files (*.*)|*.*||" as Qt writes it:
// "BIN Files (*.bin);;All Files (*.*)". A text that does not end in its patterns gets them
// appended in parentheses, since Qt takes the patterns from there.
QString ToQtFileFilter(const std::string& filter);

}  // namespace brisa::qt
