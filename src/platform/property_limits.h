#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brisa::platform {

// The fixed buffers the device-list rules read into. A value that does not fit whole reads as
// absent; every backend applies these so the rules see the same thing on every platform.
inline constexpr std::size_t kPropertyBufferBytes = 253;
inline constexpr std::size_t kInstanceIdChars = 200;
inline constexpr std::size_t kProductStringBytes = 510;

// Length of a UTF-8 text in 16-bit code units (invalid bytes count as one unit each).
std::size_t utf16Length(std::string_view utf8);

// A text with its terminating zero in the 253-byte property buffer.
bool fitsPropertyBuffer(std::string_view text);
// A list of texts, each with its zero, plus the closing empty string, in the property buffer.
bool fitsPropertyBuffer(const std::vector<std::string>& texts);
// An instance id with its zero in 200 characters.
bool fitsInstanceId(std::string_view id);
// A product string with its zero in 510 bytes.
bool fitsProductString(std::string_view text);

}  // namespace brisa::platform
