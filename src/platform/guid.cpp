#include "platform/guid.h"

#include <cstdio>

namespace brisa::platform {

namespace {

std::optional<std::uint8_t> hexDigit(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
  return std::nullopt;
}

// Reads `digits` hex digits at `at`; no sign, no blanks, unlike a scanf conversion.
std::optional<std::uint32_t> hexField(std::string_view text, std::size_t at, std::size_t digits) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const auto d = hexDigit(text[at + i]);
    if (!d) return std::nullopt;
    value = (value << 4) | *d;
  }
  return value;
}

}  // namespace

Guid Guid::fromShortUuid(std::uint16_t shortUuid) {
  return Guid{shortUuid, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
}

std::optional<Guid> parseGuid(std::string_view text) {
  // {01234567-0123-0123-0123-0123456789ab}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return std::nullopt;
  if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-') return std::nullopt;
  const auto d1 = hexField(text, 1, 8);
  const auto d2 = hexField(text, 10, 4);
  const auto d3 = hexField(text, 15, 4);
  if (!d1 || !d2 || !d3) return std::nullopt;
  Guid guid{*d1, static_cast<std::uint16_t>(*d2), static_cast<std::uint16_t>(*d3), {}};
  static constexpr std::size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (std::size_t i = 0; i < 8; ++i) {
    const auto b = hexField(text, kByteAt[i], 2);
    if (!b) return std::nullopt;
    guid.data4[i] = static_cast<std::uint8_t>(*b);
  }
  return guid;
}

std::string toString(const Guid& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                static_cast<unsigned>(g.data1), static_cast<unsigned>(g.data2),
                static_cast<unsigned>(g.data3), g.data4[0], g.data4[1], g.data4[2], g.data4[3],
                g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

}  // namespace brisa::platform
