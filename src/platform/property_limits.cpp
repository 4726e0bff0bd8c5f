#include "platform/property_limits.h"

namespace brisa::platform {

std::size_t utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead < 0xF8) {
      length = 4;
    } else if (lead >= 0xE0) {
      length = 3;
    } else if (lead >= 0xC0) {
      length = 2;
    }
    if (i + length > utf8.size()) length = 1;
    units += length == 4 ? 2 : 1;  // beyond the basic plane: a surrogate pair
    i += length;
  }
  return units;
}

bool fitsPropertyBuffer(std::string_view text) {
  return (utf16Length(text) + 1) * 2 <= kPropertyBufferBytes;
}

bool fitsPropertyBuffer(const std::vector<std::string>& texts) {
  std::size_t bytes = 2;  // the closing empty string
  for (const auto& text : texts) bytes += (utf16Length(text) + 1) * 2;
  return bytes <= kPropertyBufferBytes;
}

bool fitsInstanceId(std::string_view id) {
  return utf16Length(id) + 1 <= kInstanceIdChars;
}

bool fitsProductString(std::string_view text) {
  return (utf16Length(text) + 1) * 2 <= kProductStringBytes;
}

}  // namespace brisa::platform
