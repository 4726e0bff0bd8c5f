#pragma once

#include <string>

namespace brisa::dfu {

// snprintf into a string as long as the text needs.
std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace brisa::dfu
